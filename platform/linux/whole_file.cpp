// Whole-file reads, in place into room for the size the file had when
// opened.
#include "platform/linux/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

bool ReadWholeFd(int fd, uint64_t maxBytes, std::string& bytes) {
  bytes.clear();
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<uint64_t>(st.st_size) > maxBytes)
    return false;
  size_t used = 0;
  bytes.resize(static_cast<size_t>(st.st_size) + 1);
  for (;;) {
    if (used == bytes.size()) {
      if (bytes.size() > maxBytes) break;
      bytes.resize(bytes.size() * 2);
    }
    ssize_t got = read(fd, &bytes[used], bytes.size() - used);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) break;
    if (got == 0) {
      if (used > maxBytes) break;
      bytes.resize(used);
      return true;
    }
    used += static_cast<size_t>(got);
  }
  bytes.clear();
  return false;
}

bool ReadWholeFile(const char* path, uint64_t maxBytes, std::string& bytes) {
  bytes.clear();
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ReadWholeFd(fd, maxBytes, bytes);
  close(fd);
  return ok;
}
