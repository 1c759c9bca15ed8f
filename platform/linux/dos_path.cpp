// Resolves DOS paths the way Wine 8 does for GetFileAttributesA: the ANSI
// path becomes UTF-16 and is made absolute and collapsed as text
// (dospath/), and then each component is looked up under the drive's Unix
// directory: first by its exact name, then by a case-folded scan of the
// directory.
#include "platform/linux/dos_path.h"

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "dospath/dos_path_text.h"
#include "platform/linux/code_page.h"
#include "platform/linux/host_context.h"
#include "platform/linux/wine_prefix.h"

namespace {

const std::vector<std::string> *Listing(const std::string &dir) {
  auto &listings = Host().paths.listings;
  auto found = listings.find(dir);
  if (found != listings.end()) return &found->second;
  DIR *d = opendir(dir.c_str());
  if (d == nullptr) return nullptr;
  std::vector<std::string> names;
  while (struct dirent *e = readdir(d)) {
    if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) {
      names.push_back(e->d_name);
    }
  }
  closedir(d);
  return &listings.emplace(dir, std::move(names)).first->second;
}

std::string JoinUnix(const std::string &dir, const std::string &name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

// Finds `name` in the Unix directory `dir`: the exact name when it exists,
// otherwise the first entry in directory order equal to it without regard
// to case. `st` receives what the found entry is.
bool FindInDirectory(const std::string &dir, const std::u16string &name,
                     std::string &found, struct stat &st) {
  std::string spelt;
  if (HostWideToUnixName(name.data(), name.size(), spelt)) {
    found = JoinUnix(dir, spelt);
    if (stat(found.c_str(), &st) == 0) return true;
  }
  const std::vector<std::string> *names = Listing(dir);
  if (names == nullptr) return false;
  std::u16string wide;
  for (const std::string &entry : *names) {
    HostUnixNameToWide(entry.data(), entry.size(), wide);
    if (DosNamesEqual(wide, name)) {
      found = JoinUnix(dir, entry);
      return stat(found.c_str(), &st) == 0;
    }
  }
  return false;
}

// Looks up the components of `rest` under the Unix directory `root`, as
// Wine's NT lookup does: '\\' and '/' both separate, and a "." or ".."
// component names nothing (collapsing is done before, on the text). A
// trailing separator asks for a directory. `dosNames`: the components are
// DOS names, in which some characters are invalid. The directories the last
// walk passed are taken again for the same leading names.
DosPathKind WalkComponents(const std::string &root, const std::u16string &rest,
                           bool dosNames, std::string &unixPath) {
  HostPathState &paths = Host().paths;
  struct stat st;
  bool same = paths.walkRoot == root;
  if (!same) {
    paths.walkRoot.clear();
    paths.walkDirs.clear();
    if (stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
      return DosPathKind::kMissing;
    paths.walkRoot = root;
  }
  const std::string *current = &root;
  bool isDir = true;
  size_t depth = 0;
  std::string found;
  size_t pos = 0;
  while (pos < rest.size()) {
    size_t end = pos;
    while (end < rest.size() && !IsDosSeparator(rest[end])) ++end;
    std::u16string name = rest.substr(pos, end - pos);
    if (name.empty() || name == u"." || name == u".." ||
        name.size() > kDosMaxComponentUnits) {
      return DosPathKind::kMissing;
    }
    if (dosNames && std::any_of(name.begin(), name.end(), IsInvalidDosNameChar))
      return DosPathKind::kMissing;
    if (same && depth < paths.walkDirs.size() &&
        paths.walkDirs[depth].first == name) {
      current = &paths.walkDirs[depth++].second;
      isDir = true;
    } else {
      same = false;
      paths.walkDirs.resize(depth);
      if (!FindInDirectory(*current, name, found, st))
        return DosPathKind::kMissing;
      isDir = S_ISDIR(st.st_mode);
      if (isDir) {
        paths.walkDirs.emplace_back(name, found);
        current = &paths.walkDirs[depth++].second;
      } else {
        current = &found;
      }
    }
    // Only the last component may be a file, and not with a trailing
    // separator.
    if (!isDir && end != rest.size()) return DosPathKind::kMissing;
    pos = end + 1;
  }
  unixPath = *current;
  return isDir ? DosPathKind::kDirectory : DosPathKind::kFile;
}

// The canonical Unix directories of the drives a-z (through the prefix's
// dosdevices/, any letter that exists there), read once per prefix.
const std::string *DriveRoots() {
  HostPathState &paths = Host().paths;
  const std::string &prefix = HostWinePrefix();
  if (paths.rootsPrefix != prefix) {
    for (std::string &root : paths.driveRoots) root.clear();
    // Only the letters that dosdevices/ lists are resolved.
    std::string devices = prefix + "/dosdevices";
    DIR *d = prefix.empty() ? nullptr : opendir(devices.c_str());
    while (struct dirent *e = d != nullptr ? readdir(d) : nullptr) {
      const char *n = e->d_name;
      if (n[0] < 'a' || n[0] > 'z' || n[1] != ':' || n[2] != '\0') continue;
      std::string link = devices + "/" + n;
      char resolved[PATH_MAX];
      if (realpath(link.c_str(), resolved) != nullptr)
        paths.driveRoots[n[0] - 'a'] = resolved;
    }
    if (d != nullptr) closedir(d);
    paths.rootsPrefix = prefix;
  }
  return paths.driveRoots;
}

std::string DriveRoot(char16_t letter) {
  char16_t lower = letter | 0x20;
  if (lower < u'a' || lower > u'z') return std::string();
  return DriveRoots()[lower - u'a'];
}

// The current directory as a DOS path with a trailing '\'. Empty when no
// drive holds it; `unixCwd` is the Unix working directory either way.
std::u16string DosCurrentDirectory(std::string &unixCwd) {
  char buf[PATH_MAX];
  if (getcwd(buf, sizeof buf) == nullptr) return std::u16string();
  unixCwd = buf;
  std::u16string out = HostDosFormOf(unixCwd);
  if (!out.empty() && out.back() != u'\\') out.push_back(u'\\');
  return out;
}

// Looks up `rest` under the Unix directory `root`; for a device name only
// its directory, the part up to the last separator, has to exist.
DosPathKind Lookup(const std::string &root, const std::u16string &rest,
                   bool dosNames, bool device, std::string &unixPath) {
  if (!device) return WalkComponents(root, rest, dosNames, unixPath);
  size_t end = rest.size();
  while (end > 0 && !IsDosSeparator(rest[end - 1])) --end;
  std::string unused;
  return WalkComponents(root, rest.substr(0, end), dosNames, unused) ==
                 DosPathKind::kDirectory
             ? DosPathKind::kDevice
             : DosPathKind::kMissing;
}

DosPathKind Resolve(const char *dosPath, bool redirect32, bool &usedCwd,
                    std::string &unixPath) {
  std::u16string path;
  HostAnsiToWide(dosPath, strlen(dosPath), path);
  std::string unixCwd;
  std::u16string cwd;
  usedCwd = DosPathNeedsCurrentDirectory(path);
  if (usedCwd) cwd = DosCurrentDirectory(unixCwd);
  DosFullPath full = DosMakeFullPath(path, cwd, redirect32);
  switch (full.kind) {
    case DosFullKind::kMissing:
      return DosPathKind::kMissing;
    case DosFullKind::kConsole:
      return DosPathKind::kDevice;
    case DosFullKind::kUnix:
      return Lookup("/", full.text.substr(1), false, full.device, unixPath);
    case DosFullKind::kHere:
      if (unixCwd.empty()) return DosPathKind::kMissing;
      return Lookup(unixCwd, full.text, true, full.device, unixPath);
    case DosFullKind::kDrive:
      break;
  }
  std::string root = DriveRoot(full.text[0]);
  if (root.empty()) return DosPathKind::kMissing;
  return Lookup(root, full.text.substr(3), true, full.device, unixPath);
}

}  // namespace

std::u16string HostDosFormOf(const std::string &unixPath) {
  const std::string *roots = DriveRoots();
  std::string dir = unixPath;
  while (true) {
    for (int i = 0; i < 26; ++i) {
      if (roots[i].empty() || roots[i] != dir) continue;
      std::string tail = unixPath.substr(dir.size());
      if (!tail.empty() && tail[0] == '/') tail.erase(0, 1);
      std::u16string out;
      HostUnixNameToWide(tail.data(), tail.size(), out);
      std::replace(out.begin(), out.end(), u'/', u'\\');
      return std::u16string{static_cast<char16_t>(u'A' + i), u':', u'\\'} + out;
    }
    if (dir == "/" || dir.empty()) break;
    size_t slash = dir.rfind('/');
    dir = slash == 0 ? std::string("/") : dir.substr(0, slash);
  }
  return std::u16string();
}

DosPathKind HostResolveDosPath(const char *dosPath, bool redirect32,
                               std::string &unixPath) {
  unixPath.clear();
  if (dosPath == nullptr) return DosPathKind::kMissing;
  HostPathState &paths = Host().paths;
  uint32_t page = HostAnsiCodePage();
  const std::string &prefix = HostWinePrefix();
  if (paths.lastKnown && paths.lastPage == page &&
      paths.lastRedirect32 == redirect32 && paths.lastAsked == dosPath &&
      paths.lastPrefix == prefix) {
    unixPath = paths.lastUnixPath;
    return paths.lastKind;
  }
  bool usedCwd = false;
  DosPathKind kind = Resolve(dosPath, redirect32, usedCwd, unixPath);
  paths.lastKnown = !usedCwd;
  paths.lastAsked = dosPath;
  paths.lastPage = page;
  paths.lastRedirect32 = redirect32;
  paths.lastPrefix = prefix;
  paths.lastKind = kind;
  paths.lastUnixPath = unixPath;
  return kind;
}
