// Reads the fixed part of a file's version resource.
#include "bytes/byte_span.h"

#include <cstdint>

#include "platform/platform.h"
#include "probe/probe.h"

// Size of the fixed version record (VS_FIXEDFILEINFO) and the offset of its
// high file-version word, whose high half is the major version.
static const uint32_t kFixedInfoSize = 52;
static const uint32_t kFileVersionMSOffset = 8;

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
        fileVersionMS =
            Le32At(ByteSpan(at, kFixedInfoSize), kFileVersionMSOffset);
      }
    }
  }
  PlatformVersionBlockFree(block);
  return fileVersionMS;
}
