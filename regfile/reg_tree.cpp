// Keys as stored, or Wine's 32-bit view of them, led by the Wow6432Node keys
// the files hold; symbolic-link keys are followed.
#include "regfile/reg_tree.h"

#include <cstdint>
#include <string>
#include <vector>

#include "unicode/upper_case.h"
#include "unicode/utf16.h"

namespace {

// Links resolved within one lookup; a cycle stops here and fails.
const int kMaxLinkDepth = 16;

bool RegIsHiveNode(int node) {
  return node >= kRegMachine && node <= kRegDefault;
}

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
  const RegHive& user = reg.hives[kRegUser];
  int node = -1;
  int32_t key = 0;
  if (at.node == kRegRoot) {
    if (name == u"MACHINE" && reg.hives[kRegMachine].loaded)
      node = kRegMachine;
    else if (name == u"USER")
      node = kRegUsers;
  } else if (at.node == kRegUsers) {
    if (name == u".DEFAULT" && reg.hives[kRegDefault].loaded)
      node = kRegDefault;
    else if (user.loaded && !user.user.empty() && name == user.user)
      node = kRegUser;
  } else if (RegIsHiveNode(at.node)) {
    key = RegFindChild(reg.hives[at.node], at.key, name.data(), name.size());
    if (key >= 0) node = at.node;
  }
  if (node < 0) return false;
  *out = {node, key};
  return true;
}

// The parent of a key of a hive.
RegLocation Parent(const RegTree& reg, RegLocation at) {
  return {at.node, reg.hives[at.node].keys[at.key].parent};
}

// The Wow6432Node child through which a 32-bit lookup passes `at`.
bool Wow6432Child(const RegTree& reg, RegLocation at, RegLocation* out) {
  if (!RegIsHiveNode(at.node)) return false;
  int32_t key = RegFindWow6432Node(reg.hives[at.node], at.key);
  if (key < 0) return false;
  *out = {at.node, key};
  return true;
}

// Whether `at` is system.reg's Software\Classes\Wow6432Node, the one key
// Wine's server marks as shared with its parent.
bool IsShared(const RegTree& reg, RegLocation at) {
  return reg.shared >= 0 && at.node == kRegMachine && at.key == reg.shared;
}

bool Walk(const RegTree& reg, RegLocation at,
          const std::vector<std::u16string>& parts, int depth, bool wow64,
          RegLocation* out);

// Replaces a link key by its target, an absolute path such as
// \Registry\Machine\Software\Classes\Wow6432Node that must exist; the
// target is looked up without redirection. A link that ends a 32-bit
// lookup and leads to the shared key gives the shared key's parent.
bool FollowLink(const RegTree& reg, RegLocation* at, int depth,
                bool endsWow64Lookup) {
  if (!RegIsHiveNode(at->node)) return true;
  const RegHive& hive = reg.hives[at->node];
  if (!RegIsLink(hive, at->key)) return true;
  if (depth >= kMaxLinkDepth) return false;
  RegValue target;
  if (!RegFindValue(hive, at->key, u"SYMBOLICLINKVALUE", &target)) return false;
  if (target.data.size() < 2 || target.data[0] != '\\' || target.data[1] != 0)
    return false;
  std::u16string path;
  Utf16Unpack(ByteSpan(target.data.data(), target.data.size()),
              ByteOrder::kLittle, path);
  std::vector<std::u16string> parts;
  SplitPath(path.data(), path.size(), parts);
  if (parts.empty() || parts[0] != u"REGISTRY") return false;
  parts.erase(parts.begin());
  if (!Walk(reg, RegLocation{kRegRoot, 0}, parts, depth + 1, false, at))
    return false;
  if (endsWow64Lookup && IsShared(reg, *at)) *at = Parent(reg, *at);
  return true;
}

// Each element is looked up in the key reached so far. In the 32-bit view a
// name missing from the shared key is looked up in its parent, and a key
// with more elements after it is left for its Wow6432Node child unless the
// next element names Wow6432Node itself.
bool Walk(const RegTree& reg, RegLocation at,
          const std::vector<std::u16string>& parts, int depth, bool wow64,
          RegLocation* out) {
  for (size_t i = 0; i < parts.size(); ++i) {
    RegLocation found;
    if (!Child(reg, at, parts[i], &found) &&
        !(wow64 && IsShared(reg, at) &&
          Child(reg, Parent(reg, at), parts[i], &found)))
      return false;
    bool last = i + 1 == parts.size();
    RegLocation node;
    if (wow64 && !last && !RegIsWow6432NodeName(parts[i + 1]) &&
        Wow6432Child(reg, found, &node))
      found = node;
    if (!FollowLink(reg, &found, depth, wow64 && last)) return false;
    at = found;
  }
  *out = at;
  return true;
}

// A whole open. In the 32-bit view a lookup from a key whose Wow6432Node
// child is the shared key starts in that child (unless the path names
// Wow6432Node first), and a key found with a Wow6432Node child that is not
// the shared key gives that child.
bool Open(const RegTree& reg, RegLocation at,
          const std::vector<std::u16string>& parts, RegLocation* out) {
  RegLocation node;
  if (reg.wow64 && !parts.empty() && !RegIsWow6432NodeName(parts[0]) &&
      Wow6432Child(reg, at, &node) && IsShared(reg, node))
    at = node;
  if (!Walk(reg, at, parts, 0, reg.wow64, out)) return false;
  if (reg.wow64 && Wow6432Child(reg, *out, &node) && !IsShared(reg, node))
    *out = node;
  return true;
}

// Where a predefined key leads: the key its path names, or kRegEmpty.
RegLocation PlaceRoot(const RegTree& reg, RegLocation at,
                      const char16_t* path) {
  RegLocation out;
  if (!RegTreeOpen(reg, at, path, std::char_traits<char16_t>::length(path),
                   &out))
    out = {kRegEmpty, 0};
  return out;
}

int32_t PlainChild(const RegHive& hive, int32_t key, const char16_t* folded) {
  if (key < 0) return -1;
  return RegFindChild(hive, key, folded,
                      std::char_traits<char16_t>::length(folded));
}

}  // namespace

void RegTreeSettle(RegTree& reg, RegProgram program) {
  const RegHive& machine = reg.hives[kRegMachine];
  const RegHive& user = reg.hives[kRegUser];
  reg.wow64 = program == RegProgram::k32Bit && machine.loaded &&
              machine.arch == RegArch::kWin64;
  reg.shared = -1;
  if (reg.wow64) {
    reg.shared = PlainChild(
        machine,
        PlainChild(machine, PlainChild(machine, 0, u"SOFTWARE"), u"CLASSES"),
        u"WOW6432NODE");
  }
  const RegLocation top{kRegRoot, 0};
  auto set = [&reg](RegRoot root, bool read, RegLocation at) {
    reg.rootRead[static_cast<int>(root)] = read;
    reg.roots[static_cast<int>(root)] = at;
  };
  set(RegRoot::kLocalMachine, machine.loaded,
      PlaceRoot(reg, {kRegMachine, 0}, u""));
  set(RegRoot::kCurrentUser, user.loaded, PlaceRoot(reg, {kRegUser, 0}, u""));
  set(RegRoot::kUsers, user.loaded || reg.hives[kRegDefault].loaded,
      {kRegUsers, 0});
  set(RegRoot::kClassesRoot, machine.loaded,
      PlaceRoot(reg, top, u"Machine\\Software\\Classes"));
  set(RegRoot::kCurrentConfig, machine.loaded,
      PlaceRoot(reg, top,
                u"Machine\\System\\CurrentControlSet\\Hardware Profiles\\"
                u"Current"));
}

bool RegTreeRoot(const RegTree& reg, RegRoot root, RegLocation* out) {
  int i = static_cast<int>(root);
  if (i < 0 || i >= kRegRootCount || !reg.rootRead[i]) return false;
  *out = reg.roots[i];
  return true;
}

bool RegTreeOpen(const RegTree& reg, RegLocation at, const char16_t* path,
                 size_t len, RegLocation* out) {
  std::vector<std::u16string> parts;
  SplitPath(path, len, parts);
  return Open(reg, at, parts, out);
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
