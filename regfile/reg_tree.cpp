// The registry a program sees under Wine, as one tree over the prefix's
// registry files. Keys are seen as stored (the native view); symbolic-link
// keys are followed.
#include "regfile/reg_tree.h"

#include <string>
#include <vector>

#include "unicode/upper_case.h"
#include "unicode/utf16.h"

namespace {

// Links resolved within one lookup; a cycle stops here and fails.
const int kMaxLinkDepth = 16;

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
      UpperCaseText(parts.back());
    }
  }
}

bool Child(const RegTree& reg, const RegLocation& at,
           const std::u16string& name, RegLocation* out) {
  if (at.node == kRegRoot) {
    if (name == u"MACHINE" && reg.hives[kRegMachine].loaded) {
      *out = {kRegMachine, 0};
      return true;
    }
    if (name == u"USER") {
      *out = {kRegUsers, 0};
      return true;
    }
    return false;
  }
  if (at.node == kRegUsers) {
    if (name == u".DEFAULT" && reg.hives[kRegDefault].loaded) {
      *out = {kRegDefault, 0};
      return true;
    }
    const RegHive& user = reg.hives[kRegUser];
    if (user.loaded && !user.user.empty() && name == user.user) {
      *out = {kRegUser, 0};
      return true;
    }
    return false;
  }
  if (!RegIsHiveNode(at.node)) return false;
  const RegHive& hive = reg.hives[at.node];
  int32_t key = RegFindChild(hive, at.key, name.data(), name.size());
  if (key < 0) return false;
  *out = {at.node, key};
  return true;
}

bool Walk(const RegTree& reg, RegLocation at,
          const std::vector<std::u16string>& parts, int depth,
          RegLocation* out);

// Replaces a link key by its target, an absolute path such as
// \Registry\Machine\Software\Classes\Wow6432Node that must exist.
bool FollowLink(const RegTree& reg, RegLocation* at, int depth) {
  if (!RegIsHiveNode(at->node)) return true;
  const RegHive& hive = reg.hives[at->node];
  if (!RegIsLink(hive, at->key)) return true;
  if (depth >= kMaxLinkDepth) return false;
  RegValue target;
  if (!RegFindValue(hive, at->key, u"SYMBOLICLINKVALUE", &target)) return false;
  size_t units = target.data.size() / 2;
  if (units == 0 || target.data[0] != '\\' || target.data[1] != 0) return false;
  std::u16string path;
  Utf16Unpack(ByteSpan(target.data.data(), target.data.size()),
              ByteOrder::kLittle, path);
  std::vector<std::u16string> parts;
  SplitPath(path.data(), path.size(), parts);
  if (parts.empty() || parts[0] != u"REGISTRY") return false;
  parts.erase(parts.begin());
  return Walk(reg, RegLocation{kRegRoot, 0}, parts, depth + 1, at);
}

bool Walk(const RegTree& reg, RegLocation at,
          const std::vector<std::u16string>& parts, int depth,
          RegLocation* out) {
  for (const std::u16string& part : parts) {
    if (!Child(reg, at, part, &at)) return false;
    if (!FollowLink(reg, &at, depth)) return false;
  }
  *out = at;
  return true;
}

bool WalkAscii(const RegTree& reg, RegLocation at, const char16_t* path,
               RegLocation* out) {
  std::vector<std::u16string> parts;
  SplitPath(path, std::char_traits<char16_t>::length(path), parts);
  if (Walk(reg, at, parts, 0, out)) return true;
  *out = {kRegEmpty, 0};
  return false;
}

}  // namespace

bool RegTreeRoot(const RegTree& reg, RegRoot root, RegLocation* out) {
  RegLocation machine{kRegMachine, 0};
  switch (root) {
    case RegRoot::kLocalMachine:
      *out = machine;
      return reg.hives[kRegMachine].loaded;
    case RegRoot::kCurrentUser:
      *out = {kRegUser, 0};
      return reg.hives[kRegUser].loaded;
    case RegRoot::kUsers:
      *out = {kRegUsers, 0};
      return reg.hives[kRegUser].loaded || reg.hives[kRegDefault].loaded;
    case RegRoot::kClassesRoot:
      if (!reg.hives[kRegMachine].loaded) return false;
      WalkAscii(reg, machine, u"Software\\Classes", out);
      return true;
    case RegRoot::kCurrentConfig:
      if (!reg.hives[kRegMachine].loaded) return false;
      WalkAscii(reg, machine,
                u"System\\CurrentControlSet\\Hardware Profiles\\Current", out);
      return true;
  }
  return false;
}

bool RegTreeOpen(const RegTree& reg, RegLocation at, const char16_t* path,
                 size_t len, RegLocation* out) {
  std::vector<std::u16string> parts;
  SplitPath(path, len, parts);
  return Walk(reg, at, parts, 0, out);
}

bool RegTreeHas(const RegTree& reg, RegLocation at) {
  if (at.node < kRegMachine || at.node > kRegEmpty) return false;
  if (!RegIsHiveNode(at.node)) return true;
  const RegHive& hive = reg.hives[at.node];
  return hive.loaded && at.key >= 0 &&
         static_cast<size_t>(at.key) < hive.keys.size();
}

bool RegTreeFindValue(const RegTree& reg, RegLocation at,
                      const std::u16string& name, RegValue* out) {
  if (!RegIsHiveNode(at.node)) return false;
  std::u16string folded = name;
  UpperCaseText(folded);
  return RegFindValue(reg.hives[at.node], at.key, folded, out);
}
