// Resolves DOS paths the way Wine 8 does for GetFileAttributesA: the ANSI
// path becomes UTF-16, is made absolute against the current directory and
// collapsed as text ("." and ".." removed, separators unified, trailing dots
// and blanks dropped), and then each component is looked up under the drive's
// Unix directory: first by its exact name, then by a case-folded scan of the
// directory. Device names and the length limit are checked on the way.
#include "platform/linux/dos_path.h"

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "dospath/dos_path_text.h"
#include "platform/linux/code_page.h"
#include "platform/linux/registry.h"
#include "platform/linux/wine_prefix.h"

namespace {

// ---- The file system side ------------------------------------------------

// Directory listings read this run, in readdir order, by Unix directory.
std::map<std::string, std::vector<std::string>> &Listings() {
  static std::map<std::string, std::vector<std::string>> listings;
  return listings;
}

const std::vector<std::string> *Listing(const std::string &dir) {
  auto &listings = Listings();
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
// to case.
// `st` receives what the found entry is.
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

// Looks up the components of `rest` (separated by `sep`) under the Unix
// directory `root`. A trailing separator asks for a directory.
DosPathKind WalkComponents(const std::string &root, const std::u16string &rest,
                           char16_t sep, std::string &unixPath) {
  std::string current = root;
  struct stat st;
  if (stat(current.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    return DosPathKind::kMissing;
  }
  size_t pos = 0;
  while (pos < rest.size()) {
    size_t end = rest.find(sep, pos);
    if (end == std::u16string::npos) end = rest.size();
    std::u16string name = rest.substr(pos, end - pos);
    if (name.empty() || name == u"." || name == u".." ||
        name.size() > kDosMaxComponentUnits) {
      return DosPathKind::kMissing;
    }
    for (char16_t c : name) {
      if (sep == u'\\' && IsInvalidDosNameChar(c)) {
        return DosPathKind::kMissing;
      }
    }
    std::string next;
    if (!FindInDirectory(current, name, next, st)) return DosPathKind::kMissing;
    bool last = end == rest.size() || end + 1 == rest.size();
    if (!last && !S_ISDIR(st.st_mode)) return DosPathKind::kMissing;
    if (end + 1 == rest.size() && !S_ISDIR(st.st_mode)) {
      return DosPathKind::kMissing;
    }
    current = next;
    pos = end + 1;
  }
  // `st` is what the last component (or the root) is.
  unixPath = current;
  return S_ISDIR(st.st_mode) ? DosPathKind::kDirectory : DosPathKind::kFile;
}

// The canonical Unix directories of the drives a-z (through the prefix's
// dosdevices/, any letter that exists there; empty for a letter that has
// none), read once per prefix.
const std::string *DriveRoots() {
  static std::string roots[26];
  static std::string knownPrefix;
  static bool known = false;
  const std::string &prefix = HostWinePrefix();
  if (!known || knownPrefix != prefix) {
    for (std::string &root : roots) root.clear();
    // Only the letters that dosdevices/ lists are resolved.
    std::string devices = prefix + "/dosdevices";
    DIR *d = prefix.empty() ? nullptr : opendir(devices.c_str());
    while (d != nullptr) {
      struct dirent *e = readdir(d);
      if (e == nullptr) break;
      const char *n = e->d_name;
      if (n[0] < 'a' || n[0] > 'z' || n[1] != ':' || n[2] != '\0') continue;
      std::string link = devices + "/" + n;
      char resolved[PATH_MAX];
      if (realpath(link.c_str(), resolved) != nullptr)
        roots[n[0] - 'a'] = resolved;
    }
    if (d != nullptr) closedir(d);
    knownPrefix = prefix;
    known = true;
  }
  return roots;
}

std::string DriveRoot(char16_t letter) {
  char16_t lower = letter | 0x20;
  if (lower < u'a' || lower > u'z') return std::string();
  return DriveRoots()[lower - u'a'];
}

// A Unix path as a DOS path, on the drive with the deepest root that holds
// it; empty when no drive holds it.
std::u16string DosFormOf(const std::string &unixPath) {
  const std::string *roots = DriveRoots();
  std::string dir = unixPath;
  while (true) {
    for (int i = 0; i < 26; ++i) {
      if (roots[i].empty() || roots[i] != dir) continue;
      std::string tail = unixPath.substr(dir.size());
      if (!tail.empty() && tail[0] == '/') tail.erase(0, 1);
      std::u16string out;
      HostUnixNameToWide(tail.data(), tail.size(), out);
      for (char16_t &c : out) {
        if (c == u'/') c = u'\\';
      }
      return std::u16string{static_cast<char16_t>(u'A' + i), u':', u'\\'} + out;
    }
    if (dir == "/" || dir.empty()) break;
    size_t slash = dir.rfind('/');
    dir = slash == 0 ? std::string("/") : dir.substr(0, slash);
  }
  return std::u16string();
}

// The current directory as a DOS path with a trailing '\'. Empty when no
// drive holds it; `unixCwd` is the Unix working directory either way.
std::u16string DosCurrentDirectory(std::string &unixCwd) {
  char buf[PATH_MAX];
  if (getcwd(buf, sizeof buf) == nullptr) return std::u16string();
  unixCwd = buf;
  std::u16string out = DosFormOf(unixCwd);
  if (!out.empty() && out.back() != u'\\') out.push_back(u'\\');
  return out;
}

// Checks a device name's directory, the part of `rest` before its last
// `sep`, under `root`.
DosPathKind ResolveDevice(const std::string &root, const std::u16string &rest,
                          char16_t sep) {
  size_t slash = rest.rfind(sep);
  std::u16string dir = slash == std::u16string::npos
                           ? std::u16string()
                           : rest.substr(0, slash + 1);
  std::string unused;
  return WalkComponents(root, dir, sep, unused) == DosPathKind::kDirectory
             ? DosPathKind::kDevice
             : DosPathKind::kMissing;
}

// Resolves a collapsed "X:\..." path, redirected as Wine redirects a 32-bit
// program in a 64-bit prefix; a device name asks only that its directory
// exists.
DosPathKind ResolveDrivePath(std::u16string full, bool device,
                             std::string &unixPath) {
  if (full.size() < 3 || full[1] != u':' || full[2] != u'\\') {
    return DosPathKind::kMissing;
  }
  if (HostSeesWow64()) DosRedirectWow64(full);
  std::string root = DriveRoot(full[0]);
  if (root.empty()) return DosPathKind::kMissing;
  std::u16string rest = full.substr(3);
  if (device) return ResolveDevice(root, rest, u'\\');
  return WalkComponents(root, rest, u'\\', unixPath);
}

// A path starting with a single '/' is a Unix path, collapsed and looked up
// like any other; '\' is part of a Unix name there.
DosPathKind ResolveUnixPath(const std::u16string &path, bool device,
                            std::string &unixPath) {
  std::u16string text = path;
  for (char16_t &c : text) {
    if (c == u'\\') c = 0xF000;  // keeps '\' out of the separators
  }
  CollapseDosPath(text, 1);
  for (char16_t &c : text) {
    if (c == u'\\') c = u'/';
    if (c == 0xF000) c = u'\\';
  }
  std::u16string rest = text.substr(1);
  if (device) return ResolveDevice("/", rest, u'/');
  return WalkComponents("/", rest, u'/', unixPath);
}

// "\\?\X:\...": taken literally, no collapsing, no trailing-dot removal and
// no device names: "." and ".." components, doubled separators and '/' fail;
// "\\?\C:\" is the drive root. Redirected like any other full path.
DosPathKind ResolveLiteralPath(std::u16string rest, std::string &unixPath) {
  if (rest.size() < 3 || rest[1] != u':' || rest[2] != u'\\') {
    return DosPathKind::kMissing;
  }
  if (HostSeesWow64()) DosRedirectWow64(rest);
  for (char16_t c : rest) {
    if (c == u'/') return DosPathKind::kMissing;
  }
  std::string root = DriveRoot(rest[0]);
  if (root.empty()) return DosPathKind::kMissing;
  return WalkComponents(root, rest.substr(3), u'\\', unixPath);
}

}  // namespace

void HostForgetDirectoryListings() { Listings().clear(); }

std::u16string HostDosFormOf(const std::string &unixPath) {
  return DosFormOf(unixPath);
}

DosPathKind HostResolveDosPath(const char *dosPath, std::string &unixPath) {
  unixPath.clear();
  if (dosPath == nullptr) return DosPathKind::kMissing;
  std::u16string path;
  HostAnsiToWide(dosPath, strlen(dosPath), path);
  if (path.empty() || path.size() > kDosMaxPathUnits)
    return DosPathKind::kMissing;
  if (path.find_first_not_of(u' ') == std::u16string::npos) {
    return DosPathKind::kMissing;
  }

  if (IsDosSeparator(path[0]) && path.size() > 1 && IsDosSeparator(path[1])) {
    // "\\?\" and "\\.\" prefixes; everything else with two leading
    // separators is a network path, which is never found.
    if (path.size() < 4 || (path[2] != u'.' && path[2] != u'?') ||
        !IsDosSeparator(path[3])) {
      return DosPathKind::kMissing;
    }
    if (path[0] == u'\\' && path[1] == u'\\' && path[2] == u'?' &&
        path[3] == u'\\') {
      return ResolveLiteralPath(path.substr(4), unixPath);
    }
    std::u16string rest = path.substr(4);
    if (rest.size() == 3 && DosStartsWithWord(rest.data(), 3, "CON")) {
      return DosPathKind::kDevice;
    }
    CollapseDosPath(rest, 0);
    return ResolveDrivePath(rest, false, unixPath);
  }

  bool device = IsDosDeviceName(path);
  if (path[0] == u'/') return ResolveUnixPath(path, device, unixPath);

  std::u16string full;
  if (path.size() >= 3 && path[1] == u':' && IsDosSeparator(path[2])) {
    // A full path: the working directory plays no part.
    full = DosUpperAscii(path[0]) + path.substr(1);
    CollapseDosPath(full, 3);
    return ResolveDrivePath(full, device, unixPath);
  }
  std::string unixCwd;
  std::u16string cwd = DosCurrentDirectory(unixCwd);
  if (path.size() >= 2 && path[1] == u':') {
    char16_t letter = DosUpperAscii(path[0]);
    if (!cwd.empty() && cwd[0] == letter) {
      full = cwd + path.substr(2);
    } else {
      full = std::u16string{letter, u':', u'\\'} + path.substr(2);
    }
  } else if (IsDosSeparator(path[0])) {
    if (cwd.empty()) return DosPathKind::kMissing;
    full = cwd.substr(0, 2) + path;
  } else if (!cwd.empty()) {
    full = cwd + path;
  } else {
    // No drive holds the working directory (no prefix): relative to the
    // working directory itself, which ".." does not leave.
    if (unixCwd.empty()) return DosPathKind::kMissing;
    full = u"?:\\" + path;
    CollapseDosPath(full, 3);
    std::u16string rest = full.substr(3);
    if (device) return ResolveDevice(unixCwd, rest, u'\\');
    return WalkComponents(unixCwd, rest, u'\\', unixPath);
  }
  CollapseDosPath(full, 3);
  return ResolveDrivePath(full, device, unixPath);
}
