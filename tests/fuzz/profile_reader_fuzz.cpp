// The host profile reader over arbitrary bytes as a search list: the keys the
// walk reads, with the walk's limits and with small ones. Every result must
// be terminated within its size, its length must be the return value, no
// byte may land past the size, and in a double-byte code page no result may
// end with half a character.
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "pathtext/pathtext.h"
#include "platform/platform.h"
#include "platform/linux/code_page.h"
#include "platform/linux/host_context.h"
#include "run/run.h"

namespace {

const size_t kGuard = 16;
const unsigned char kFill = 0xC3;

void ReadAndCheck(const char* section, const char* key, const char* def,
                  uint32_t size, const char* path) {
  unsigned char buf[kRegKeyBufferSize + kGuard];
  memset(buf, kFill, sizeof buf);
  char* text = reinterpret_cast<char*>(buf);
  uint32_t got = PlatformReadProfile(section, key, def, text, size, path);
  for (size_t i = size; i < size + kGuard; ++i)
    if (buf[i] != kFill) FuzzFail("the reader wrote past the size");
  if (size == 0) {
    if (got != 0) FuzzFail("size 0 stored something");
    return;
  }
  if (got >= size) FuzzFail("the result fills the whole buffer");
  if (text[got] != '\0') FuzzFail("the result is not terminated at its length");
  if (strlen(text) != got) FuzzFail("the result holds a NUL before its end");
  for (uint32_t i = 0; i < got;) {
    bool lead = HostIsLeadByte(static_cast<unsigned char>(text[i]));
    if (lead && i + 1 >= got) FuzzFail("the result ends with half a character");
    i += lead ? 2 : 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte picks the code page; the rest is the file.
  // A context of its own: each input reads and writes files afresh.
  HostContext context;
  HostScope scope(context);
  HostSelectCodePage((data[0] & 1) ? 932 : 1252);
  InitPathText();
  std::string path = FuzzScratchDir() + "/list.ini";
  FuzzWriteFile(path, data + 1, size - 1);

  const uint32_t kSmall[] = {0, 1, 2, 7};
  char section[20];
  for (int32_t number = 0; number < 4; ++number) {
    FormatDecimal(section, sizeof section, "FILE", number);
    ReadAndCheck(section, "RegKey", "", kRegKeyReadLimit, path.c_str());
    ReadAndCheck(section, "FileName", "", kFileNameReadLimit, path.c_str());
    ReadAndCheck(section, "VarName", "", kVarNameReadLimit, path.c_str());
    ReadAndCheck(section, "VarName", "", kRegKeyBufferSize, path.c_str());
    for (uint32_t small : kSmall) {
      ReadAndCheck(section, "RegKey", "", small, path.c_str());
      ReadAndCheck(section, "VarName", "\x82\xa0  ", small, path.c_str());
    }
  }
  // A file that is not there gives the default, cut the same way.
  std::string missing = path + ".missing";
  for (uint32_t small : kSmall)
    ReadAndCheck("FILE0", "RegKey", "ab\x82\xa0 ", small, missing.c_str());
  unlink(path.c_str());
  return 0;
}
