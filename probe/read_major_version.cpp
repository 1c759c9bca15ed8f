// Reads the fixed part of a file's version resource.
#include "bytes/byte_span.h"

#include <cstdint>

#include "platform/platform.h"
#include "probe/probe.h"
#include "trace/trace.h"

// Size of the fixed version record (VS_FIXEDFILEINFO) and the offset of its
// high file-version word, whose high half is the major version.
static const uint32_t kFixedInfoSize = 52;
static const uint32_t kFileVersionMSOffset = 8;
static const uint32_t kFileVersionLSOffset = 12;

uint32_t ReadMajorVersion(const char* path) {
  uint32_t size = PlatformVersionInfoSize(path);
  if (size == 0) {
    if (TraceOn()) TraceEvent("version 0: the file has no version information");
    return 0;
  }
  void* block = PlatformVersionBlockAlloc(size);
  if (block == nullptr) {
    if (TraceOn())
      TraceEvent("version 0: no memory for the %u-byte version block", size);
    return 0;
  }

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
        if (TraceOn()) {
          uint32_t ls =
              Le32At(ByteSpan(at, kFixedInfoSize), kFileVersionLSOffset);
          TraceEvent("version %u.%u.%u.%u, major %u", fileVersionMS >> 16,
                     fileVersionMS & 0xFFFF, ls >> 16, ls & 0xFFFF,
                     fileVersionMS >> 16);
        }
      } else if (TraceOn()) {
        TraceEvent("version 0: the version record is missing or short (%u "
                   "bytes)", len);
      }
    } else if (TraceOn()) {
      TraceEvent("version 0: the version information has no root record");
    }
  } else if (TraceOn()) {
    TraceEvent("version 0: the version information could not be read");
  }
  PlatformVersionBlockFree(block);
  return fileVersionMS;
}
