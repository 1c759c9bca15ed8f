// The version calls of the platform interface on the host, over the one file
// the context keeps (version.h); the caller's block carries a small header in
// front for the root query.
#include "platform/linux/version.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pe/version_block.h"
#include "pe/version_resource.h"
#include "platform/linux/code_page.h"
#include "platform/linux/dos_path.h"
#include "platform/linux/host_context.h"
#include "platform/linux/locale.h"
#include "platform/linux/registry.h"
#include "platform/platform.h"

namespace {

// In front of each block: its size, the resource bytes in it, and its root
// record as the read call found it (rootLen 0: no usable root).
struct BlockHeader {
  uint32_t size;
  uint32_t dataLen;
  uint32_t rootOffset;
  uint32_t rootLen;
};

// A page of a file read at once: the walk to the resource makes many small
// reads close together, which one read serves.
struct Window {
  uint64_t offset = 0;
  uint64_t length = 0;
  unsigned char bytes[4096];
};

// An open file, its first page (the headers and the section table, read
// again after the resource directory) and the last other page read.
struct FileReader {
  int fd;
  uint64_t fileSize;
  Window head;
  Window near;
};

bool Holds(const Window& w, uint64_t offset, uint64_t len) {
  return offset >= w.offset && offset - w.offset <= w.length &&
         len <= w.length - (offset - w.offset);
}

uint64_t ReadFully(int fd, uint64_t offset, void* buf, uint64_t len) {
  uint64_t done = 0;
  while (done < len) {
    ssize_t n = pread(fd, static_cast<char*>(buf) + done, len - done,
                      static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<uint64_t>(n);
  }
  return done;
}

uint64_t ReadAt(void* ctx, uint64_t offset, void* buf, uint64_t len) {
  FileReader& r = *static_cast<FileReader*>(ctx);
  if (len > sizeof r.near.bytes) return ReadFully(r.fd, offset, buf, len);
  Window* w = Holds(r.head, offset, len) ? &r.head : &r.near;
  if (!Holds(*w, offset, len)) {
    uint64_t left = offset < r.fileSize ? r.fileSize - offset : 0;
    uint64_t want = std::min<uint64_t>(sizeof w->bytes, left);
    w->offset = offset;
    w->length = ReadFully(r.fd, offset, w->bytes, want);
    if (len > w->length) len = w->length;
  }
  memcpy(buf, w->bytes + (offset - w->offset), len);
  return len;
}

bool SameFile(const HostVersionState& c, const char* path,
              const struct stat& st) {
  const struct stat& was = c.identity;
  return c.valid && c.path == path && was.st_dev == st.st_dev &&
         was.st_ino == st.st_ino && was.st_size == st.st_size &&
         was.st_mtim.tv_sec == st.st_mtim.tv_sec &&
         was.st_mtim.tv_nsec == st.st_mtim.tv_nsec;
}

// HostVersionInfoSize's work (a FIFO, socket, device or directory is refused
// at once); a file whose root is not usable gives no version information.
const HostVersionState* Locate(const char* unixPath) {
  int fd = open(unixPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  HostVersionState& v = Host().version;
  if (SameFile(v, unixPath, st)) {
    close(fd);
    return &v;
  }
  v.valid = false;
  const WineLocaleChoice& locale = HostLocale();
  LanguagePreference langs = {static_cast<uint16_t>(locale.userLcid),
                              static_cast<uint16_t>(locale.systemLcid)};
  VersionResource res;
  FileReader reader;
  reader.fd = fd;
  reader.fileSize = static_cast<uint64_t>(st.st_size);
  reader.head.length = ReadFully(
      fd, 0, reader.head.bytes,
      std::min<uint64_t>(sizeof reader.head.bytes, reader.fileSize));
  bool ok = LocateVersionResource(
      ReadAt, &reader, static_cast<uint64_t>(st.st_size), langs, &res);
  if (ok) {
    v.bytes.assign(res.length, 0);
    ok = ReadAt(&reader, res.offset, v.bytes.data(), res.length) ==
         res.length;
  }
  close(fd);
  if (!ok) return nullptr;
  v.path = unixPath;
  v.identity = st;
  uint32_t size = VersionBlockSize(res.length, res.is16);
  if (size == 0) return nullptr;
  v.block.assign(size, 0);
  v.dataLen = FillVersionBlock(v.bytes.data(), res.length, res.is16,
                               v.block.data(), size);
  v.valid = QueryVersionRoot(v.block.data(), size, v.dataLen, HostAnsiCodec(),
                             &v.rootOffset, &v.rootLen);
  return v.valid ? &v : nullptr;
}

bool ResolveFile(const char* dosPath, std::string& unixPath) {
  return HostResolveDosPath(dosPath, HostSeesWow64(), unixPath) ==
         DosPathKind::kFile;
}

BlockHeader* HeaderOf(void* block) {
  return static_cast<BlockHeader*>(block) - 1;
}

}  // namespace

uint32_t HostVersionInfoSize(const char* unixPath) {
  const HostVersionState* v = Locate(unixPath);
  return v == nullptr ? 0 : static_cast<uint32_t>(v->block.size());
}

const HostVersionState* HostVersionInfoRead(const char* unixPath) {
  const HostVersionState& v = Host().version;
  return v.valid && v.path == unixPath ? &v : Locate(unixPath);
}

uint32_t PlatformVersionInfoSize(const char* path) {
  std::string unixPath;
  if (!ResolveFile(path, unixPath)) return 0;
  return HostVersionInfoSize(unixPath.c_str());
}

void* PlatformVersionBlockAlloc(uint32_t size) {
  if (size == 0) return nullptr;
  BlockHeader* h = static_cast<BlockHeader*>(
      calloc(1, sizeof(BlockHeader) + static_cast<size_t>(size)));
  if (h == nullptr) return nullptr;
  h->size = size;
  return h + 1;
}

void PlatformVersionBlockFree(void* block) {
  if (block != nullptr) free(HeaderOf(block));
}

bool PlatformVersionInfoRead(const char* path, uint32_t size, void* block) {
  std::string unixPath;
  if (!ResolveFile(path, unixPath) || block == nullptr) return false;
  BlockHeader* h = HeaderOf(block);
  if (h->size != size) return false;
  const HostVersionState* v = HostVersionInfoRead(unixPath.c_str());
  if (v == nullptr || size != v->block.size()) return false;
  memcpy(block, v->block.data(), size);
  h->dataLen = v->dataLen;
  h->rootOffset = v->rootOffset;
  h->rootLen = v->rootLen;
  return true;
}

bool PlatformVersionQueryRoot(void* block, const void** record, uint32_t* len) {
  if (block == nullptr) return false;
  const BlockHeader* h = HeaderOf(block);
  if (h->rootLen == 0) return false;
  *record = static_cast<unsigned char*>(block) + h->rootOffset;
  *len = h->rootLen;
  return true;
}
