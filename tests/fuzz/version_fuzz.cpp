// The PE/NE version reader over arbitrary bytes as a file, reached the way
// the probe reaches it: a DOS path through the prefix's Z: drive. The block
// size must stay proportional to the file, the root record must lie inside
// the block with all of its 52 bytes, and the probe's major version must be
// the one that record holds.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "platform/platform.h"
#include "platform/linux/host_context.h"
#include "platform/linux/wine_prefix.h"
#include "probe/probe.h"

namespace {

std::string g_unixPath;
std::string g_dosPath;

uint32_t LoadLE32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string& dir = FuzzScratchDir();
  std::string prefix = dir + "/prefix";
  mkdir(prefix.c_str(), 0755);
  mkdir((prefix + "/dosdevices").c_str(), 0755);
  if (symlink("/", (prefix + "/dosdevices/z:").c_str()) != 0)
    FuzzFail("cannot make the Z: drive");
  setenv("WINEPREFIX", prefix.c_str(), 1);
  g_unixPath = dir + "/probe.exe";
  g_dosPath = "Z:" + g_unixPath;
  for (char& c : g_dosPath)
    if (c == '/') c = '\\';
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzWriteFile(g_unixPath, data, size);
  HostContext context;
  HostScope scope(context);
  const char* path = g_dosPath.c_str();
  uint32_t blockSize = PlatformVersionInfoSize(path);
  if (blockSize == 0) {
    if (ReadMajorVersion(path) != 0) FuzzFail("a version without a block");
    return 0;
  }
  // 16-bit resources grow fourfold in the block, 32-bit ones twofold.
  if (blockSize > 4 * static_cast<uint64_t>(size) + 4)
    FuzzFail("block size out of proportion to the file");
  void* block = PlatformVersionBlockAlloc(blockSize);
  if (block == nullptr) FuzzFail("no block");
  uint32_t expected = 0;
  if (PlatformVersionInfoRead(path, blockSize, block)) {
    const void* record = nullptr;
    uint32_t len = 0;
    if (PlatformVersionQueryRoot(block, &record, &len)) {
      const unsigned char* start = static_cast<unsigned char*>(block);
      const unsigned char* at = static_cast<const unsigned char*>(record);
      if (at < start || at + 52 > start + blockSize)
        FuzzFail("root record outside the block");
      if (len < 52) FuzzFail("usable root shorter than the record");
      expected = LoadLE32(at + 8);
    }
  }
  PlatformVersionBlockFree(block);
  HostContext again;
  HostScope fresh(again);
  if (ReadMajorVersion(path) != expected)
    FuzzFail("the probe's version differs from the root record");
  return 0;
}
