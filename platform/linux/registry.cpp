// The registry calls of the platform interface over the prefix's registry
// files: the files are read once per context, on first use, and seen in the
// view of the program this executable answers as; names and string data
// convert through the ANSI code page.
#include "platform/linux/registry.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/linux/code_page.h"
#include "platform/linux/hive_file.h"
#include "platform/linux/host_context.h"
#include "platform/linux/program.h"
#include "platform/linux/trace.h"
#include "platform/linux/wine_prefix.h"
#include "platform/platform.h"
#include "regfile/reg_query.h"
#include "regfile/reg_tree.h"

namespace {

const long kErrorSuccess = 0;
const long kErrorFileNotFound = 2;
const long kErrorInvalidHandle = 6;
const long kErrorBadPathname = 161;

// Reads the three files into `tree` in the view of that program, once.
RegTree& Load(RegTree& tree, bool& read, bool as32Bit) {
  if (read) return tree;
  const std::string& prefix = HostWinePrefix();
  if (!prefix.empty()) {
    RegLoadHive(prefix + "/system.reg", tree.hives[kRegMachine]);
    RegLoadHive(prefix + "/user.reg", tree.hives[kRegUser]);
    RegLoadHive(prefix + "/userdef.reg", tree.hives[kRegDefault]);
  }
  RegTreeSettle(tree, as32Bit ? RegProgram::k32Bit : RegProgram::k64Bit);
  read = true;
  return tree;
}

// A time as "YYYY-MM-DD HH:MM:SS UTC", by the civil calendar, without the C
// library's time zone files.
void FormatUtc(int64_t seconds, char* out, size_t size) {
  int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  int64_t rest = seconds - days * 86400;
  int64_t z = days + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t day = doy - (153 * mp + 2) / 5 + 1;
  int64_t month = mp < 10 ? mp + 3 : mp - 9;
  int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  snprintf(out, size, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld UTC",
           static_cast<long long>(year), static_cast<long long>(month),
           static_cast<long long>(day), static_cast<long long>(rest / 3600),
           static_cast<long long>(rest / 60 % 60),
           static_cast<long long>(rest % 60));
}

// The trace names the prefix read and when Wine last saved its registry:
// a value written after that is not in the file yet.
void TracePrefix(const RegTree& tree) {
  const std::string& prefix = HostWinePrefix();
  char line[4200];
  struct stat st;
  char when[128] = "";
  if (tree.hives[kRegMachine].loaded &&
      stat((prefix + "/system.reg").c_str(), &st) == 0)
    FormatUtc(st.st_mtime, when, sizeof when);
  int len = when[0] != '\0'
                ? snprintf(line, sizeof line,
                           "registry: Wine prefix %s, system.reg saved %s",
                           prefix.c_str(), when)
                : snprintf(line, sizeof line,
                           "registry: Wine prefix %s has no readable "
                           "system.reg",
                           prefix.empty() ? "(none)" : prefix.c_str());
  if (len > 0)
    PlatformTraceLine(line, std::min(static_cast<uint32_t>(len),
                                     static_cast<uint32_t>(sizeof line - 1)));
}

const RegTree& Loaded() {
  HostRegistryState& state = Host().registry;
  bool first = !state.read;
  Load(state.tree, state.read, kHostProgramIs32Bit);
  if (first && HostTracing()) TracePrefix(state.tree);
  return state.tree;
}

bool PredefinedRoot(PlatformKey key, RegRoot* root) {
  static const PlatformKey kRoots[kRegRootCount] = {
      kKeyClassesRoot, kKeyCurrentUser, kKeyLocalMachine, kKeyUsers,
      kKeyCurrentConfig};  // in the order of RegRoot
  for (int r = 0; r < kRegRootCount; ++r) {
    if (kRoots[r] != key) continue;
    *root = static_cast<RegRoot>(r);
    return true;
  }
  return false;
}

// A new handle for `at`: the first free place of the table, plus one.
PlatformKey OpenHandle(const RegLocation& at) {
  std::vector<RegLocation>& open = Host().registry.open;
  size_t place = 0;
  while (place < open.size() && open[place].node >= 0) ++place;
  if (place == open.size()) open.push_back(at);
  open[place] = at;
  return static_cast<PlatformKey>(place + 1);
}

// The place of a predefined key or an open key's handle.
bool PlaceOf(const RegTree& reg, PlatformKey handle, RegLocation* out) {
  RegRoot root;
  if (PredefinedRoot(handle, &root)) return RegTreeRoot(reg, root, out);
  const std::vector<RegLocation>& open = Host().registry.open;
  if (handle == 0 || handle > open.size() || open[handle - 1].node < 0)
    return false;
  *out = open[handle - 1];
  return true;
}

// Opens `subKey` under `at` as RegOpenKeyA does: a leading '\\' is a bad
// path name; an empty name is `at` itself.
long OpenSubKey(const RegTree& reg, RegLocation at, const char* subKey,
                RegLocation* out) {
  *out = at;
  if (subKey == nullptr || subKey[0] == '\0') return kErrorSuccess;
  if (subKey[0] == '\\') return kErrorBadPathname;
  std::u16string wide;
  HostAnsiToWide(subKey, strlen(subKey), wide);
  return RegTreeOpen(reg, at, wide.data(), wide.size(), out)
             ? kErrorSuccess
             : kErrorFileNotFound;
}

// The value an ANSI name (null: the default value) names at `at`.
bool FindNamedValue(const RegTree& reg, RegLocation at, const char* valueName,
                    RegValue* value) {
  std::u16string name;
  if (valueName != nullptr) HostAnsiToWide(valueName, strlen(valueName), name);
  return RegTreeFindValue(reg, at, name, value);
}

long BadHandle(PlatformKey key) {
  RegRoot root;
  return PredefinedRoot(key, &root) ? kErrorFileNotFound : kErrorInvalidHandle;
}

}  // namespace

bool HostSeesWow64() { return kHostProgramIs32Bit && Loaded().wow64; }

long PlatformRegOpenKey(PlatformKey root, const char* subKey,
                        PlatformKey* out) {
  const RegTree& reg = Loaded();
  *out = 0;
  RegLocation at;
  if (!PlaceOf(reg, root, &at)) return BadHandle(root);
  if (subKey == nullptr || subKey[0] == '\0') {
    *out = root;  // the same handle, as RegOpenKeyA gives it
    return kErrorSuccess;
  }
  long rc = OpenSubKey(reg, at, subKey, &at);
  if (rc == kErrorSuccess) *out = OpenHandle(at);
  return rc;
}

long PlatformRegQueryValue(PlatformKey key, const char* valueName,
                           uint32_t* type, unsigned char* data,
                           uint32_t* size) {
  const RegTree& reg = Loaded();
  RegLocation at;
  if (!PlaceOf(reg, key, &at)) return BadHandle(key);
  RegValue value;
  if (!FindNamedValue(reg, at, valueName, &value)) return kErrorFileNotFound;
  if (type != nullptr) *type = value.type;
  return RegQueryData(value, HostWideToAnsi, data, size);
}

void PlatformRegCloseKey(PlatformKey key) {
  std::vector<RegLocation>& open = Host().registry.open;
  if (key != 0 && key <= open.size()) open[key - 1].node = -1;
}

PlatformOtherView PlatformLookInOtherView(PlatformKey root, const char* subKey,
                                          const char* valueName, int* bits) {
  const RegHive& machine = Loaded().hives[kRegMachine];
  if (!machine.loaded || machine.arch != RegArch::kWin64) return kOtherViewNone;
  *bits = kHostProgramIs32Bit ? 64 : 32;
  HostRegistryState& state = Host().registry;
  const RegTree& other =
      Load(state.other, state.otherRead, !kHostProgramIs32Bit);
  RegRoot predefined;
  RegLocation at;
  if (!PredefinedRoot(root, &predefined) ||
      !RegTreeRoot(other, predefined, &at) ||
      OpenSubKey(other, at, subKey, &at) != kErrorSuccess)
    return kOtherViewNoKey;
  RegValue value;
  return FindNamedValue(other, at, valueName, &value) ? kOtherViewValue
                                                      : kOtherViewKeyOnly;
}
