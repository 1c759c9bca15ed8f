// The registry calls of the platform interface over the prefix's registry
// files: the files are read once, on first use, and seen in the view of the
// program this executable answers as; handles carry a place of the tree;
// names and string data convert through the ANSI code page.
#include "platform/linux/registry.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/linux/code_page.h"
#include "platform/linux/hive_file.h"
#include "platform/linux/program.h"
#include "platform/linux/wine_prefix.h"
#include "platform/platform.h"
#include "regfile/reg_tree.h"
#include "unicode/utf16.h"

namespace {

const long kErrorSuccess = 0;
const long kErrorFileNotFound = 2;
const long kErrorInvalidHandle = 6;
const long kErrorBadPathname = 161;
const long kErrorMoreData = 234;

struct Registry {
  bool read = false;
  RegTree tree;
};

// Made on first use and left to the process's end: freeing the index and
// unmapping the files at exit would only add to the run's time.
Registry* g_registry = nullptr;

const RegTree& Loaded() {
  if (g_registry == nullptr) g_registry = new Registry();
  Registry& reg = *g_registry;
  if (!reg.read) {
    const std::string& prefix = HostWinePrefix();
    if (!prefix.empty()) {
      RegLoadHive(prefix + "/system.reg", reg.tree.hives[kRegMachine]);
      RegLoadHive(prefix + "/user.reg", reg.tree.hives[kRegUser]);
      RegLoadHive(prefix + "/userdef.reg", reg.tree.hives[kRegDefault]);
    }
    RegTreeSettle(reg.tree, kHostProgramIs32Bit ? RegProgram::k32Bit
                                                : RegProgram::k64Bit);
    reg.read = true;
  }
  return reg.tree;
}

bool PredefinedRoot(PlatformKey key, RegRoot* root) {
  switch (key) {
    case kKeyClassesRoot:
      *root = RegRoot::kClassesRoot;
      return true;
    case kKeyCurrentUser:
      *root = RegRoot::kCurrentUser;
      return true;
    case kKeyLocalMachine:
      *root = RegRoot::kLocalMachine;
      return true;
    case kKeyUsers:
      *root = RegRoot::kUsers;
      return true;
    case kKeyCurrentConfig:
      *root = RegRoot::kCurrentConfig;
      return true;
  }
  return false;
}

// An opened key's handle carries its place: (key + 1) << 5 | node << 2.
// The values stay below the predefined handles for up to 2^26 keys.
PlatformKey EncodeHandle(const RegLocation& at) {
  return (static_cast<PlatformKey>(at.key + 1) << 5) |
         (static_cast<PlatformKey>(at.node) << 2);
}

bool DecodeHandle(const RegTree& reg, PlatformKey handle, RegLocation* out) {
  RegRoot root;
  if (PredefinedRoot(handle, &root)) return RegTreeRoot(reg, root, out);
  if ((handle & 3) != 0 || handle < 32 || handle >= 0x80000000u) return false;
  RegLocation at = {static_cast<int>((handle >> 2) & 7),
                    static_cast<int32_t>((handle >> 5) - 1)};
  if (!RegTreeHas(reg, at)) return false;
  *out = at;
  return true;
}

long BadHandle(PlatformKey key) {
  RegRoot root;
  return PredefinedRoot(key, &root) ? kErrorFileNotFound : kErrorInvalidHandle;
}

}  // namespace

void HostForgetRegistry() {
  delete g_registry;
  g_registry = nullptr;
}

bool HostSeesWow64() { return kHostProgramIs32Bit && Loaded().wow64; }

long PlatformRegOpenKey(PlatformKey root, const char* subKey,
                        PlatformKey* out) {
  const RegTree& reg = Loaded();
  *out = 0;
  RegLocation at;
  if (!DecodeHandle(reg, root, &at)) return BadHandle(root);
  if (subKey == nullptr || subKey[0] == '\0') {
    *out = root;  // the same handle, as RegOpenKeyA gives it
    return kErrorSuccess;
  }
  if (subKey[0] == '\\') return kErrorBadPathname;
  std::u16string wide;
  HostAnsiToWide(subKey, strlen(subKey), wide);
  if (!RegTreeOpen(reg, at, wide.data(), wide.size(), &at))
    return kErrorFileNotFound;
  *out = EncodeHandle(at);
  return kErrorSuccess;
}

long PlatformRegQueryValue(PlatformKey key, const char* valueName,
                           uint32_t* type, unsigned char* data,
                           uint32_t* size) {
  const RegTree& reg = Loaded();
  RegLocation at;
  if (!DecodeHandle(reg, key, &at)) return BadHandle(key);
  std::u16string name;
  if (valueName != nullptr) HostAnsiToWide(valueName, strlen(valueName), name);
  RegValue value;
  if (!RegTreeFindValue(reg, at, name, &value)) return kErrorFileNotFound;

  long rc = kErrorSuccess;
  uint32_t room = size != nullptr ? *size : 0;
  uint32_t length;
  if (value.type == 1 || value.type == 2 || value.type == 7) {
    // Strings come back in the ANSI code page, all of the stored data (an
    // odd last byte is dropped); a terminator is added only when there is
    // room and the text does not end with one.
    std::u16string units;
    Utf16Unpack(ByteSpan(value.data.data(), value.data.size()),
                ByteOrder::kLittle, units);
    std::string ansi;
    HostWideToAnsi(units.data(), units.size(), ansi);
    length = static_cast<uint32_t>(ansi.size());
    if (data != nullptr && length > 0) {
      if (length > room) {
        rc = kErrorMoreData;
      } else {
        memcpy(data, ansi.data(), length);
        if (length < room && data[length - 1] != 0) data[length] = 0;
      }
    }
  } else {
    length = static_cast<uint32_t>(value.data.size());
    if (data != nullptr) {
      if (length > room) {
        rc = kErrorMoreData;
      } else if (length > 0) {
        memcpy(data, value.data.data(), length);
      }
    }
  }
  if (type != nullptr) *type = value.type;
  if (size != nullptr) *size = length;
  return rc;
}

void PlatformRegCloseKey(PlatformKey) {}
