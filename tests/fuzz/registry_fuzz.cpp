// The Wine registry file reader over arbitrary bytes, laid into a scratch
// prefix as both system.reg and user.reg. The keys named by the file's own
// headers are opened and their values queried with buffer sizes around the
// 519 bytes the probe offers: a query keeps RegQueryData's contract (it
// never writes past the size it was given, reports kRegErrorMoreData exactly
// when the data do not fit, and the same length whether or not a buffer was
// given). The index that skips from header
// to header must equal the one read line by line.
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/linux/host_context.h"
#include "platform/platform.h"
#include "regfile/reg_index.h"
#include "regfile/reg_query.h"
#include "regfile/reg_tree.h"

namespace {

const size_t kGuard = 16;
const unsigned char kFill = 0xE7;

// Names in the file's own escaped form with "\\" made one backslash: close
// enough for most names to hit, and the rest are lookups of missing keys.
std::string Unescape(const char* b, const char* e) {
  std::string out;
  for (const char* p = b; p < e; ++p) {
    if (*p == '\\' && p + 1 < e && p[1] == '\\') ++p;
    out.push_back(*p);
  }
  return out;
}

// Key paths from "[...]" header lines and value names from '"name"=' lines.
void Harvest(const std::string& text, std::vector<std::string>& keys,
             std::vector<std::string>& names) {
  size_t pos = 0;
  while (pos < text.size() && (keys.size() < 6 || names.size() < 8)) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const char* b = text.data() + pos;
    const char* e = text.data() + end;
    if (b < e && *b == '[' && keys.size() < 6) {
      const char* close = static_cast<const char*>(memchr(b, ']', e - b));
      if (close) keys.push_back(Unescape(b + 1, close));
    } else if (b < e && *b == '"' && names.size() < 8) {
      const char* q = b + 1;
      while (q < e && *q != '"') q += (*q == '\\' && q + 1 < e) ? 2 : 1;
      names.push_back(Unescape(b + 1, q < e ? q : e));
    }
    pos = end + 1;
  }
}

void Query(PlatformKey key, const char* name) {
  uint32_t type = 0xFFFFFFFFu, needed = 0;
  long sized = PlatformRegQueryValue(key, name, &type, nullptr, &needed);
  if (sized != 0) return;
  const uint32_t kRooms[] = {0, 1, 2, 518, 519, 520, 1024};
  unsigned char buf[1024 + kGuard];
  for (uint32_t room : kRooms) {
    memset(buf, kFill, sizeof buf);
    uint32_t size = room;
    long rc = PlatformRegQueryValue(key, name, &type, buf, &size);
    for (size_t i = room; i < room + kGuard; ++i)
      if (buf[i] != kFill) FuzzFail("the query wrote past the size given");
    if (rc == 0 && size > room) FuzzFail("success with more than the room");
    if (rc == kRegErrorMoreData && size <= room)
      FuzzFail("more data although it fits");
    if (rc != 0 && rc != kRegErrorMoreData) FuzzFail("the value vanished");
    if (size != needed) FuzzFail("the length depends on the buffer");
  }
}

void Lookup(PlatformKey root, const std::string& path,
            const std::vector<std::string>& names) {
  PlatformKey key = 0;
  if (PlatformRegOpenKey(root, path.c_str(), &key) != 0) return;
  Query(key, "");
  Query(key, nullptr);
  for (const std::string& name : names) Query(key, name.c_str());
  PlatformRegCloseKey(key);
}

RegText Copy(const std::string& text) {
  char* bytes = new char[text.size() + 1];
  memcpy(bytes, text.data(), text.size());
  return RegText(bytes);
}

void CompareIndexes(const std::string& text) {
  RegHive fast, reference;
  RegIndexHive(Copy(text), text.size(), fast);
  RegIndexHive(Copy(text), text.size(), reference, true);
  if (fast.loaded != reference.loaded || fast.user != reference.user ||
      fast.keys.size() != reference.keys.size() ||
      fast.blocks.size() != reference.blocks.size() ||
      fast.slots != reference.slots || fast.arch != reference.arch ||
      fast.wow6432nodes.size() != reference.wow6432nodes.size())
    FuzzFail("the skipping index differs from the line-by-line one");
  for (size_t i = 0; i < fast.keys.size(); ++i) {
    const RegKey& a = fast.keys[i];
    const RegKey& b = reference.keys[i];
    if (a.parent != b.parent || a.nameBegin != b.nameBegin ||
        a.nameEnd != b.nameEnd || a.lastBlock != b.lastBlock)
      FuzzFail("a key differs between the two indexes");
  }
  for (size_t i = 0; i < fast.blocks.size(); ++i) {
    const RegBlock& a = fast.blocks[i];
    const RegBlock& b = reference.blocks[i];
    if (a.begin != b.begin || a.end != b.end || a.previous != b.previous)
      FuzzFail("a block differs between the two indexes");
  }
}

// The file as system.reg and user.reg, seen by the 64-bit and the 32-bit
// program: every lookup ends on a place of the tree, and unless the file
// makes a 64-bit prefix the two programs find the same keys.
void CompareViews(const std::string& text,
                  const std::vector<std::string>& keys) {
  RegTree views[2];
  for (int i = 0; i < 2; ++i) {
    RegIndexHive(Copy(text), text.size(), views[i].hives[kRegMachine]);
    RegIndexHive(Copy(text), text.size(), views[i].hives[kRegUser]);
    RegTreeSettle(views[i], i ? RegProgram::k32Bit : RegProgram::k64Bit);
  }
  for (int r = 0; r < kRegRootCount; ++r) {
    RegRoot root = static_cast<RegRoot>(r);
    for (const std::string& key : keys) {
      std::u16string path(key.begin(), key.end());
      RegLocation at[2];
      bool found[2];
      for (int i = 0; i < 2; ++i) {
        found[i] =
            RegTreeRoot(views[i], root, &at[i]) &&
            RegTreeOpen(views[i], at[i], path.data(), path.size(), &at[i]);
        if (found[i] && !RegTreeHas(views[i], at[i]))
          FuzzFail("a lookup ended outside the tree");
      }
      if (!views[1].wow64 &&
          (found[0] != found[1] ||
           (found[0] && (at[0].node != at[1].node || at[0].key != at[1].key))))
        FuzzFail("the 32-bit program's view differs outside a 64-bit prefix");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("WINEPREFIX", FuzzScratchDir().c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string& prefix = FuzzScratchDir();
  FuzzWriteFile(prefix + "/system.reg", text.data(), text.size());
  FuzzWriteFile(prefix + "/user.reg", text.data(), text.size());
  HostContext context;
  HostScope scope(context);
  HostSelectCodePage((data[0] & 1) ? 932 : 1252);

  std::vector<std::string> keys, names;
  Harvest(text, keys, names);
  keys.push_back("Software\\Classes");
  const PlatformKey kRoots[] = {kKeyLocalMachine, kKeyCurrentUser,
                                kKeyClassesRoot, kKeyUsers, kKeyCurrentConfig};
  for (const std::string& path : keys) {
    Lookup(kKeyLocalMachine, path, names);
    Lookup(kKeyCurrentUser, path, names);
  }
  for (PlatformKey root : kRoots) {
    Lookup(root, "", names);
    Lookup(root, "Software\\Wow6432Node\\Lab", names);
  }
  CompareIndexes(text);
  CompareViews(text, keys);
  return 0;
}
