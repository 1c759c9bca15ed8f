// Reads the fixed part of a file's version resource.
#include <cstring>

#include "platform/platform.h"
#include "probe/probe.h"

// Size of the fixed version record (VS_FIXEDFILEINFO) and the offsets of its
// two file-version words.
static const uint32_t kFixedInfoSize = 52;
static const uint32_t kFileVersionMSOffset = 8;
static const uint32_t kFileVersionLSOffset = 12;

static uint32_t LoadLE32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

uint32_t ReadMajorVersion(const char* path) {
  uint32_t size = PlatformVersionInfoSize(path);
  if (size == 0) return 0;
  void* block = PlatformVersionBlockAlloc(size);
  if (block == nullptr) return 0;

  uint32_t fileVersionMS = 0;
  if (PlatformVersionInfoRead(path, size, block)) {
    const void* record = nullptr;
    uint32_t len = 0;
    if (PlatformVersionQueryRoot(block, &record, &len) && record != nullptr) {
      // The record is trusted only when the platform reports it whole and it
      // lies inside the block that was read: a root block without a value
      // still "succeeds" with length 0, and reading on would read past it.
      const unsigned char* start = static_cast<const unsigned char*>(block);
      const unsigned char* at = static_cast<const unsigned char*>(record);
      if (len >= kFixedInfoSize && at >= start &&
          static_cast<uint64_t>(at - start) + kFixedInfoSize <= size) {
        fileVersionMS = LoadLE32(at + kFileVersionMSOffset);
        uint32_t fileVersionLS = LoadLE32(at + kFileVersionLSOffset);
        (void)fileVersionLS;  // read as the record gives it; not reported
      }
    }
  }
  PlatformVersionBlockFree(block);
  return fileVersionMS;
}
