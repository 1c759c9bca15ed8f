#include "platform/linux/hive_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "platform/linux/whole_file.h"

namespace {

const size_t kHugePage = 2u << 20;

size_t RoundUp(size_t n, size_t to) { return (n + to - 1) / to * to; }

// Arrays of 2 MiB or more go where the kernel may back them with huge pages,
// so that filling them faults once per 2 MiB rather than once per 4 KiB.
void* HugePageAllocate(size_t bytes) {
  if (bytes < kHugePage) return ::operator new(bytes);
  // A mapping trimmed to start on a huge-page boundary.
  size_t length = RoundUp(bytes, 4096);
  void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  // Out of address space: as operator new would.
  if (raw == MAP_FAILED) throw std::bad_alloc();
  uintptr_t start = reinterpret_cast<uintptr_t>(raw);
  uintptr_t aligned = RoundUp(start, kHugePage);
  if (aligned > start) munmap(raw, aligned - start);
  size_t tail = (start + length + kHugePage) - (aligned + length);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + length), tail);
  void* p = reinterpret_cast<void*>(aligned);
  madvise(p, length, MADV_HUGEPAGE);
  return p;
}

void HugePageRelease(void* p, size_t bytes) {
  if (bytes >= kHugePage && p != nullptr) {
    munmap(p, RoundUp(bytes, 4096));
    return;
  }
  ::operator delete(p);
}

void Unmap(const char* text, size_t size) {
  munmap(const_cast<char*>(text), size);
}

// The file's bytes mapped, or null when it is not a lone regular file
// (another link or a symbolic link may be rewritten in place) or cannot be
// mapped.
RegText MapFile(const std::string& path, int fd, size_t* size) {
  struct stat named, opened;
  if (lstat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode) ||
      named.st_nlink != 1 || fstat(fd, &opened) != 0 ||
      opened.st_dev != named.st_dev || opened.st_ino != named.st_ino ||
      opened.st_size <= 0 ||
      static_cast<uint64_t>(opened.st_size) >= 0xFFFFFFF0u)
    return RegText();
  size_t length = static_cast<size_t>(opened.st_size);
  void* map = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
  if (map == MAP_FAILED) return RegText();
  *size = length;
  return RegText(static_cast<const char*>(map), RegTextRelease{Unmap, length});
}

}  // namespace

void RegLoadHive(const std::string& path, RegHive& hive) {
  hive = RegHive();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  size_t size = 0;
  RegText text = MapFile(path, fd, &size);
  if (text == nullptr) {
    std::string bytes;
    if (ReadWholeFd(fd, 0xFFFFFFEFu, bytes)) {
      char* copy = new char[bytes.size() + 1];
      memcpy(copy, bytes.data(), bytes.size());
      size = bytes.size();
      text = RegText(copy);
    }
  }
  close(fd);
  if (text == nullptr) return;
  RegIndexHive(std::move(text), size, hive, false,
               RegArrayMemory{HugePageAllocate, HugePageRelease});
}
