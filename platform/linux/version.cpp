// The version calls of the platform interface on the host. The resource is
// located and read once per file: PlatformVersionInfoSize keeps it (one
// entry, with the file's identity) for the PlatformVersionInfoRead that
// follows. Each block carries a small header in front, so that the root
// query knows the block's size and how many bytes came from the file.
#include "platform/linux/version.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
#include "platform/linux/locale.h"
#include "platform/platform.h"

namespace {

uint64_t g_bytesRead = 0;

struct Located {
  bool valid;
  std::string path;
  dev_t dev;
  ino_t ino;
  off_t size;
  struct timespec mtime;
  bool is16;
  std::vector<unsigned char> bytes;
};
Located g_cache = {false, std::string(), 0, 0, 0, {0, 0}, false, {}};

struct BlockHeader {
  uint32_t size;
  uint32_t dataLen;
  uint64_t reserved;
};

// An open file and the last page-sized window read from it: the walk to the
// resource makes many small reads close together (headers, the section
// table, the first directory levels), which one read serves.
struct FileReader {
  int fd;
  uint64_t fileSize;
  uint64_t windowOffset;
  uint64_t windowLength;
  unsigned char window[4096];
};

uint64_t ReadFully(int fd, uint64_t offset, void* buf, uint64_t len) {
  uint64_t done = 0;
  while (done < len) {
    ssize_t n = pread(fd, static_cast<char*>(buf) + done, len - done,
                      static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<uint64_t>(n);
  }
  g_bytesRead += done;
  return done;
}

uint64_t ReadAt(void* ctx, uint64_t offset, void* buf, uint64_t len) {
  FileReader& r = *static_cast<FileReader*>(ctx);
  if (len > sizeof r.window) return ReadFully(r.fd, offset, buf, len);
  bool inside = offset >= r.windowOffset &&
                offset - r.windowOffset <= r.windowLength &&
                len <= r.windowLength - (offset - r.windowOffset);
  if (!inside) {
    uint64_t want = sizeof r.window;
    if (offset >= r.fileSize)
      want = 0;
    else if (r.fileSize - offset < want)
      want = r.fileSize - offset;
    r.windowOffset = offset;
    r.windowLength = ReadFully(r.fd, offset, r.window, want);
    if (len > r.windowLength) len = r.windowLength;
  }
  memcpy(buf, r.window + (offset - r.windowOffset), len);
  return len;
}

bool SameFile(const Located& c, const std::string& path,
              const struct stat& st) {
  return c.valid && c.path == path && c.dev == st.st_dev &&
         c.ino == st.st_ino && c.size == st.st_size &&
         c.mtime.tv_sec == st.st_mtim.tv_sec &&
         c.mtime.tv_nsec == st.st_mtim.tv_nsec;
}

// The size the platform would report and a block it would fill, checked
// here so that an unusable root gives no version information at all.
bool RootIsUsable(const Located& c) {
  uint32_t length = static_cast<uint32_t>(c.bytes.size());
  uint32_t size = VersionBlockSize(length, c.is16);
  if (size == 0) return false;
  std::vector<unsigned char> block(size, 0);
  uint32_t dataLen =
      FillVersionBlock(c.bytes.data(), length, c.is16, block.data(), size);
  uint32_t offset, len;
  return QueryVersionRoot(block.data(), size, dataLen, HostAnsiCodec(), &offset,
                          &len);
}

// Opens a regular file without blocking (a FIFO, socket, device or
// directory is refused at once) and locates and reads its resource.
const Located* Locate(const char* unixPath) {
  int fd = open(unixPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  std::string path(unixPath);
  if (SameFile(g_cache, path, st)) {
    close(fd);
    return &g_cache;
  }
  g_cache.valid = false;
  const HostLocaleChoice& locale = HostLocale();
  LanguagePreference langs = {static_cast<uint16_t>(locale.userLcid),
                              static_cast<uint16_t>(locale.systemLcid)};
  VersionResource res;
  FileReader reader;
  reader.fd = fd;
  reader.fileSize = static_cast<uint64_t>(st.st_size);
  reader.windowOffset = 0;
  reader.windowLength = 0;
  bool ok = LocateVersionResource(
      ReadAt, &reader, static_cast<uint64_t>(st.st_size), langs, &res);
  if (ok) {
    g_cache.bytes.assign(res.length, 0);
    ok = ReadAt(&reader, res.offset, g_cache.bytes.data(), res.length) ==
         res.length;
  }
  close(fd);
  if (!ok) return nullptr;
  g_cache.path = path;
  g_cache.dev = st.st_dev;
  g_cache.ino = st.st_ino;
  g_cache.size = st.st_size;
  g_cache.mtime = st.st_mtim;
  g_cache.is16 = res.is16;
  g_cache.valid = RootIsUsable(g_cache);
  return g_cache.valid ? &g_cache : nullptr;
}

bool ResolveFile(const char* dosPath, std::string& unixPath) {
  if (dosPath == nullptr) return false;
  return HostResolveDosPath(dosPath, unixPath) == DosPathKind::kFile;
}

BlockHeader* HeaderOf(void* block) {
  return reinterpret_cast<BlockHeader*>(static_cast<unsigned char*>(block) -
                                        sizeof(BlockHeader));
}

}  // namespace

uint32_t HostVersionInfoSize(const char* unixPath) {
  const Located* c = Locate(unixPath);
  if (c == nullptr) return 0;
  return VersionBlockSize(static_cast<uint32_t>(c->bytes.size()), c->is16);
}

bool HostVersionInfoRead(const char* unixPath, uint32_t size, void* block,
                         uint32_t* dataLen) {
  const Located* c = Locate(unixPath);
  if (c == nullptr || block == nullptr) return false;
  *dataLen =
      FillVersionBlock(c->bytes.data(), static_cast<uint32_t>(c->bytes.size()),
                       c->is16, static_cast<unsigned char*>(block), size);
  return true;
}

uint64_t HostVersionBytesRead() { return g_bytesRead; }

void HostForgetVersionCache() {
  g_cache.valid = false;
  g_cache.bytes.clear();
}

uint32_t PlatformVersionInfoSize(const char* path) {
  std::string unixPath;
  if (!ResolveFile(path, unixPath)) return 0;
  return HostVersionInfoSize(unixPath.c_str());
}

void* PlatformVersionBlockAlloc(uint32_t size) {
  if (size == 0) return nullptr;
  void* mem = calloc(1, sizeof(BlockHeader) + static_cast<size_t>(size));
  if (mem == nullptr) return nullptr;
  BlockHeader* h = static_cast<BlockHeader*>(mem);
  h->size = size;
  h->dataLen = 0;
  return static_cast<unsigned char*>(mem) + sizeof(BlockHeader);
}

void PlatformVersionBlockFree(void* block) {
  if (block != nullptr) free(HeaderOf(block));
}

bool PlatformVersionInfoRead(const char* path, uint32_t size, void* block) {
  std::string unixPath;
  if (!ResolveFile(path, unixPath) || block == nullptr) return false;
  BlockHeader* h = HeaderOf(block);
  if (h->size != size) return false;
  return HostVersionInfoRead(unixPath.c_str(), size, block, &h->dataLen);
}

bool PlatformVersionQueryRoot(void* block, const void** record, uint32_t* len) {
  if (block == nullptr) return false;
  const BlockHeader* h = HeaderOf(block);
  uint32_t offset = 0;
  if (!QueryVersionRoot(static_cast<unsigned char*>(block), h->size, h->dataLen,
                        HostAnsiCodec(), &offset, len)) {
    return false;
  }
  *record = static_cast<unsigned char*>(block) + offset;
  return true;
}
