// Reads the fixed part of a file's version resource.
#include <cstdint>

#include "bytes/byte_span.h"
#include "pe/pe_layout.h"
#include "platform/platform.h"
#include "probe/probe.h"
#include "trace/trace.h"

// The file version's high 32 bits from the version information of `path`,
// read into `block` (`size` bytes), or 0 when it has none that is usable.
static uint32_t ReadFileVersionMs(const char* path, uint32_t size,
                                  void* block) {
  if (!PlatformVersionInfoRead(path, size, block)) {
    if (TraceOn())
      TraceEvent("version 0: the version information could not be read");
    return 0;
  }
  const void* record = nullptr;
  uint32_t len = 0;
  if (!PlatformVersionQueryRoot(block, &record, &len) || record == nullptr) {
    if (TraceOn())
      TraceEvent("version 0: the version information has no root record");
    return 0;
  }
  // The record is trusted only when the platform reports it whole and it
  // lies inside the block that was read: a root block without a value still
  // "succeeds" with length 0, and reading on would read past it.
  const unsigned char* start = static_cast<const unsigned char*>(block);
  const unsigned char* at = static_cast<const unsigned char*>(record);
  ByteSpan fixed(at, kFixedInfoSize);
  uint32_t ms, ls;
  if (len < kFixedInfoSize || at < start ||
      static_cast<uint64_t>(at - start) + kFixedInfoSize > size ||
      !ReadLe32(fixed, kFixedFileVersionMs, &ms) ||
      !ReadLe32(fixed, kFixedFileVersionLs, &ls)) {
    if (TraceOn())
      TraceEvent("version 0: the version record is missing or short (%u "
                 "bytes)", len);
    return 0;
  }
  if (TraceOn())
    TraceEvent("version %u.%u.%u.%u, major %u", ms >> 16, ms & 0xFFFF,
               ls >> 16, ls & 0xFFFF, ms >> 16);
  return ms;
}

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
  uint32_t fileVersionMs = ReadFileVersionMs(path, size, block);
  PlatformVersionBlockFree(block);
  return fileVersionMs;
}
