// The registry a 64-bit program sees under Wine, read from the prefix's
// registry files. The files form one tree under \Registry: system.reg is
// \Registry\Machine, user.reg \Registry\User\<its account>, userdef.reg
// \Registry\User\.Default. Keys are seen as stored (the native view);
// symbolic-link keys are followed.
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/code_page.h"
#include "platform/posix/registry_fold.h"
#include "platform/posix/registry_hive.h"
#include "platform/posix/registry_host.h"
#include "platform/posix/registry_value.h"
#include "platform/posix/wine_prefix.h"

namespace {

const long kErrorSuccess = 0;
const long kErrorFileNotFound = 2;
const long kErrorInvalidHandle = 6;
const long kErrorBadPathname = 161;
const long kErrorMoreData = 234;

// Links resolved within one lookup; a cycle stops here and fails.
const int kMaxLinkDepth = 16;

enum Node : int {
  kMachine = 0,   // system.reg
  kUser = 1,      // user.reg
  kDefault = 2,   // userdef.reg
  kUsers = 3,     // \Registry\User: the accounts, no values
  kRegistry = 4,  // \Registry: Machine and User, no values
  kEmpty = 5,     // a predefined key whose path is missing: no values
};

struct Location {
  int node;
  int32_t key;  // the key in the node's hive (kMachine, kUser, kDefault)
};

struct Registry {
  bool read = false;
  RegHive hives[3];
};

// Made on first use and left to the process's end: freeing the index and
// unmapping the files at exit would only add to the run's time.
Registry* g_registry = nullptr;

Registry& Loaded() {
  if (g_registry == nullptr) g_registry = new Registry();
  Registry& reg = *g_registry;
  if (!reg.read) {
    const std::string& prefix = HostWinePrefix();
    if (!prefix.empty()) {
      RegLoadHive(prefix + "/system.reg", reg.hives[kMachine]);
      RegLoadHive(prefix + "/user.reg", reg.hives[kUser]);
      RegLoadHive(prefix + "/userdef.reg", reg.hives[kDefault]);
    }
    reg.read = true;
  }
  return reg;
}

bool IsHive(int node) { return node >= kMachine && node <= kDefault; }

// Splits a UTF-16 path into folded elements; empty elements vanish.
void SplitPath(const char16_t* text, size_t len,
               std::vector<std::u16string>& parts) {
  parts.clear();
  size_t i = 0;
  while (i < len) {
    while (i < len && text[i] == u'\\') ++i;
    size_t start = i;
    while (i < len && text[i] != u'\\') ++i;
    if (i > start) {
      parts.emplace_back(text + start, i - start);
      RegFoldName(parts.back());
    }
  }
}

bool Child(Registry& reg, const Location& at, const std::u16string& name,
           Location* out) {
  if (at.node == kRegistry) {
    if (name == u"MACHINE" && reg.hives[kMachine].loaded) {
      *out = {kMachine, 0};
      return true;
    }
    if (name == u"USER") {
      *out = {kUsers, 0};
      return true;
    }
    return false;
  }
  if (at.node == kUsers) {
    if (name == u".DEFAULT" && reg.hives[kDefault].loaded) {
      *out = {kDefault, 0};
      return true;
    }
    const RegHive& user = reg.hives[kUser];
    if (user.loaded && !user.user.empty() && name == user.user) {
      *out = {kUser, 0};
      return true;
    }
    return false;
  }
  if (!IsHive(at.node)) return false;
  const RegHive& hive = reg.hives[at.node];
  int32_t key = RegFindChild(hive, at.key, name.data(), name.size());
  if (key < 0) return false;
  *out = {at.node, key};
  return true;
}

bool Walk(Registry& reg, Location at, const std::vector<std::u16string>& parts,
          int depth, Location* out);

// Replaces a link key by its target, an absolute path such as
// \Registry\Machine\Software\Classes\Wow6432Node that must exist.
bool FollowLink(Registry& reg, Location* at, int depth) {
  if (!IsHive(at->node)) return true;
  const RegHive& hive = reg.hives[at->node];
  if (!RegIsLink(hive, at->key)) return true;
  if (depth >= kMaxLinkDepth) return false;
  RegValue target;
  if (!RegFindValue(hive, at->key, u"SYMBOLICLINKVALUE", &target)) return false;
  size_t units = target.data.size() / 2;
  if (units == 0 || target.data[0] != '\\' || target.data[1] != 0) return false;
  std::u16string path(units, u'\0');
  for (size_t i = 0; i < units; ++i)
    path[i] = static_cast<char16_t>(target.data[2 * i] |
                                    (target.data[2 * i + 1] << 8));
  std::vector<std::u16string> parts;
  SplitPath(path.data(), path.size(), parts);
  if (parts.empty() || parts[0] != u"REGISTRY") return false;
  parts.erase(parts.begin());
  return Walk(reg, Location{kRegistry, 0}, parts, depth + 1, at);
}

bool Walk(Registry& reg, Location at, const std::vector<std::u16string>& parts,
          int depth, Location* out) {
  for (const std::u16string& part : parts) {
    if (!Child(reg, at, part, &at)) return false;
    if (!FollowLink(reg, &at, depth)) return false;
  }
  *out = at;
  return true;
}

bool WalkAscii(Registry& reg, Location at, const char16_t* path,
               Location* out) {
  std::vector<std::u16string> parts;
  SplitPath(path, std::char_traits<char16_t>::length(path), parts);
  if (Walk(reg, at, parts, 0, out)) return true;
  *out = {kEmpty, 0};
  return false;
}

// Where a predefined key leads, or false when its file was not read.
bool RootLocation(Registry& reg, PlatformKey root, Location* out) {
  Location machine{kMachine, 0};
  switch (root) {
    case kKeyLocalMachine:
      *out = machine;
      return reg.hives[kMachine].loaded;
    case kKeyCurrentUser:
      *out = {kUser, 0};
      return reg.hives[kUser].loaded;
    case kKeyUsers:
      *out = {kUsers, 0};
      return reg.hives[kUser].loaded || reg.hives[kDefault].loaded;
    case kKeyClassesRoot:
      if (!reg.hives[kMachine].loaded) return false;
      WalkAscii(reg, machine, u"Software\\Classes", out);
      return true;
    case kKeyCurrentConfig:
      if (!reg.hives[kMachine].loaded) return false;
      WalkAscii(reg, machine,
                u"System\\CurrentControlSet\\Hardware Profiles\\Current", out);
      return true;
  }
  return false;
}

bool IsPredefined(PlatformKey key) {
  return key == kKeyClassesRoot || key == kKeyCurrentUser ||
         key == kKeyLocalMachine || key == kKeyUsers ||
         key == kKeyCurrentConfig;
}

// An opened key's handle carries its location: (key + 1) << 5 | node << 2.
// The values stay below the predefined handles for up to 2^26 keys.
PlatformKey EncodeHandle(const Location& at) {
  return (static_cast<PlatformKey>(at.key + 1) << 5) |
         (static_cast<PlatformKey>(at.node) << 2);
}

bool DecodeHandle(Registry& reg, PlatformKey handle, Location* out) {
  if (IsPredefined(handle)) return RootLocation(reg, handle, out);
  if ((handle & 3) != 0 || handle < 32 || handle >= 0x80000000u) return false;
  int node = static_cast<int>((handle >> 2) & 7);
  PlatformKey index = (handle >> 5) - 1;
  if (node > kEmpty) return false;
  if (IsHive(node) && index >= reg.hives[node].keys.size()) return false;
  if (IsHive(node) && !reg.hives[node].loaded) return false;
  *out = {node, static_cast<int32_t>(index)};
  return true;
}

}  // namespace

void HostForgetRegistry() {
  delete g_registry;
  g_registry = nullptr;
}

long PlatformRegOpenKey(PlatformKey root, const char* subKey,
                        PlatformKey* out) {
  Registry& reg = Loaded();
  *out = 0;
  Location at;
  if (!DecodeHandle(reg, root, &at)) {
    return IsPredefined(root) ? kErrorFileNotFound : kErrorInvalidHandle;
  }
  if (subKey == nullptr || subKey[0] == '\0') {
    *out = root;  // the same handle, as RegOpenKeyA gives it
    return kErrorSuccess;
  }
  if (subKey[0] == '\\') return kErrorBadPathname;
  std::u16string wide;
  HostAnsiToWide(subKey, strlen(subKey), wide);
  std::vector<std::u16string> parts;
  SplitPath(wide.data(), wide.size(), parts);
  if (!Walk(reg, at, parts, 0, &at)) return kErrorFileNotFound;
  *out = EncodeHandle(at);
  return kErrorSuccess;
}

long PlatformRegQueryValue(PlatformKey key, const char* valueName,
                           uint32_t* type, unsigned char* data,
                           uint32_t* size) {
  Registry& reg = Loaded();
  Location at;
  if (!DecodeHandle(reg, key, &at)) {
    return IsPredefined(key) ? kErrorFileNotFound : kErrorInvalidHandle;
  }
  if (!IsHive(at.node)) return kErrorFileNotFound;
  std::u16string name;
  if (valueName != nullptr) HostAnsiToWide(valueName, strlen(valueName), name);
  RegFoldName(name);
  RegValue value;
  if (!RegFindValue(reg.hives[at.node], at.key, name, &value))
    return kErrorFileNotFound;

  long rc = kErrorSuccess;
  uint32_t room = size != nullptr ? *size : 0;
  uint32_t length;
  if (value.type == 1 || value.type == 2 || value.type == 7) {
    // Strings come back in the ANSI code page, all of the stored data (an
    // odd last byte is dropped); a terminator is added only when there is
    // room and the text does not end with one.
    std::u16string units(value.data.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
      units[i] = static_cast<char16_t>(value.data[2 * i] |
                                       (value.data[2 * i + 1] << 8));
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
