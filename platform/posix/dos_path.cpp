// Resolves DOS paths the way Wine 8 does for GetFileAttributesA: the ANSI
// path becomes UTF-16, is made absolute against the current directory and
// collapsed as text ("." and ".." removed, separators unified, trailing dots
// and blanks dropped), and then each component is looked up under the drive's
// Unix directory: first by its exact name, then by a case-folded scan of the
// directory. Device names and the length limit are checked on the way.
#include "platform/posix/dos_path.h"

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "platform/posix/code_page.h"
#include "platform/posix/wine_prefix.h"

namespace {

// Measured under Wine 8: a path of 260 UTF-16 units is found, 261 fail with
// error 206. The count is of UTF-16 units after the ANSI conversion, not of
// bytes: under code page 932 a 286-byte path of 156 units is found.
const size_t kMaxPathUnits = 260;
// The longest component the file system layer looks up.
const size_t kMaxComponentUnits = 255;

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// The simple upper-case mapping for the scripts DOS names use in practice:
// ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic and full-width Latin.
char16_t FoldCase(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? c - 0x20 : c;
  if (c < 0x100) {
    if (c == 0xB5) return 0x39C;
    if (c == 0xFF) return 0x178;
    if (c >= 0xE0 && c != 0xF7) return c - 0x20;
    return c;
  }
  if (c < 0x180) {
    if (c == 0x131) return u'I';
    if (c == 0x17F) return u'S';
    if (c == 0x130 || c == 0x138 || c == 0x149 || c == 0x178) return c;
    bool oddIsLower = (c < 0x138) || (c >= 0x14A && c < 0x178);
    return ((c & 1) == (oddIsLower ? 1 : 0)) ? c - 1 : c;
  }
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 0x20;
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;
  return c;
}

bool EqualsFolded(const std::u16string &a, const std::u16string &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

char16_t UpperAscii(char16_t c) {
  return (c >= u'a' && c <= u'z') ? c - 0x20 : c;
}

bool StartsWithFolded(const char16_t *s, size_t len, const char *word) {
  for (size_t i = 0; word[i] != '\0'; ++i) {
    if (i >= len || UpperAscii(s[i]) != static_cast<char16_t>(word[i])) {
      return false;
    }
  }
  return true;
}

// True when the last component of `path` is a DOS device name: AUX, CON,
// NUL, PRN, COM1-COM9 or LPT1-LPT9, in any case, with any extension, with
// trailing colons or blanks. Measured under Wine 8: "nul.txt", "NuL.a.x",
// "nul ", "nul .txt", "nul:", "nul. " are devices; " nul", "com0", "COM\xB9"
// are not.
bool IsDeviceName(const std::u16string &path) {
  size_t end = path.size();
  while (end > 0 && path[end - 1] == u':') --end;
  size_t start = end;
  while (start > 0 && !IsSeparator(path[start - 1]) &&
         !(path[start - 1] == u':' && path[start] != u'.')) {
    --start;
  }
  size_t stop = start;
  while (stop < end && path[stop] != u'.') ++stop;
  if (stop < end && stop > start && path[stop - 1] == u':') --stop;
  while (stop > start && path[stop - 1] == u' ') --stop;
  const char16_t *name = path.data() + start;
  size_t len = stop - start;
  if (len == 3) {
    return StartsWithFolded(name, len, "AUX") ||
           StartsWithFolded(name, len, "CON") ||
           StartsWithFolded(name, len, "NUL") ||
           StartsWithFolded(name, len, "PRN");
  }
  if (len == 4) {
    return (StartsWithFolded(name, len, "COM") ||
            StartsWithFolded(name, len, "LPT")) &&
           name[3] >= u'1' && name[3] <= u'9';
  }
  return false;
}

// Collapses an absolute path as text, keeping the first `mark` units (the
// root) untouched: '/' becomes '\', doubled separators go, "." and ".."
// components are resolved, one dot ending an inner component goes, and the
// trailing dots and blanks of the whole path go.
void CollapsePath(std::u16string &path, size_t mark) {
  for (char16_t &c : path) {
    if (c == u'/') c = u'\\';
  }
  std::u16string out;
  out.reserve(path.size());
  for (size_t i = 0; i < path.size(); ++i) {
    if (i >= (mark > 1 ? mark : 1) && path[i] == u'\\' && !out.empty() &&
        out.back() == u'\\') {
      continue;
    }
    out.push_back(path[i]);
  }
  size_t p = mark;
  while (p < out.size()) {
    if (out[p] == u'.') {
      char16_t next = p + 1 < out.size() ? out[p + 1] : u'\0';
      if (next == u'\\') {
        out.erase(p, 2);
        continue;
      }
      if (next == u'\0') {
        if (p > mark) --p;
        out.erase(p);
        continue;
      }
      if (next == u'.') {
        char16_t after = p + 2 < out.size() ? out[p + 2] : u'\0';
        if (after == u'\\' || after == u'\0') {
          size_t from = p + (after == u'\\' ? 3 : 2);
          if (p > mark) {
            --p;
            while (p > mark && out[p - 1] != u'\\') --p;
            if (after == u'\0' && p > mark) --p;
          }
          out.erase(p, from - p);
          continue;
        }
      }
    }
    while (p < out.size() && out[p] != u'\\') ++p;
    if (p < out.size()) {
      if (p > mark && out[p - 1] == u'.') {
        out.erase(p - 1, 1);
      } else {
        ++p;
      }
    }
  }
  while (p > mark && (out[p - 1] == u' ' || out[p - 1] == u'.')) --p;
  out.erase(p);
  path.swap(out);
}

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
// to case (measured under Wine 8: "CAF\xC9" finds "Caf\xE9").
// `st` receives what the found entry is.
bool FindInDirectory(const std::string &dir, const std::u16string &name,
                     std::string &found, struct stat &st) {
  std::string utf8;
  HostWideToUtf8(name.data(), name.size(), utf8);
  found = JoinUnix(dir, utf8);
  if (stat(found.c_str(), &st) == 0) return true;
  const std::vector<std::string> *names = Listing(dir);
  if (names == nullptr) return false;
  std::u16string wide;
  for (const std::string &entry : *names) {
    HostUtf8ToWide(entry.data(), entry.size(), wide);
    if (EqualsFolded(wide, name)) {
      found = JoinUnix(dir, entry);
      return stat(found.c_str(), &st) == 0;
    }
  }
  return false;
}

bool IsInvalidComponentChar(char16_t c) {
  return c < 0x20 || c == u'*' || c == u'?' || c == u'"' || c == u'<' ||
         c == u'>' || c == u'|' || c == u':';
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
        name.size() > kMaxComponentUnits) {
      return DosPathKind::kMissing;
    }
    for (char16_t c : name) {
      if (sep == u'\\' && IsInvalidComponentChar(c)) {
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

// The current directory as a DOS path with a trailing '\': on the drive
// with the deepest root that holds the Unix working directory (measured
// under Wine 8: with c: at drive_c and f: at drive_c/lab, "\fa\Dir" from
// drive_c/lab/fa finds drive_c/lab/fa/Dir). Empty when no drive holds it;
// `unixCwd` is the Unix working directory either way.
std::u16string DosCurrentDirectory(std::string &unixCwd) {
  char buf[PATH_MAX];
  if (getcwd(buf, sizeof buf) == nullptr) return std::u16string();
  unixCwd = buf;
  const std::string *roots = DriveRoots();
  std::string dir = unixCwd;
  while (true) {
    for (int i = 0; i < 26; ++i) {
      if (roots[i].empty() || roots[i] != dir) continue;
      std::string tail = unixCwd.substr(dir.size());
      if (!tail.empty() && tail[0] == '/') tail.erase(0, 1);
      std::u16string out;
      HostUtf8ToWide(tail.data(), tail.size(), out);
      for (char16_t &c : out) {
        if (c == u'/') c = u'\\';
      }
      if (!out.empty()) out.push_back(u'\\');
      return std::u16string{static_cast<char16_t>(u'A' + i), u':', u'\\'} + out;
    }
    if (dir == "/") break;
    size_t slash = dir.rfind('/');
    dir = slash == 0 ? std::string("/") : dir.substr(0, slash);
  }
  return std::u16string();
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

// Resolves a collapsed "X:\..." path; a device name asks only that its
// directory exists.
DosPathKind ResolveDrivePath(const std::u16string &full, bool device,
                             std::string &unixPath) {
  if (full.size() < 3 || full[1] != u':' || full[2] != u'\\') {
    return DosPathKind::kMissing;
  }
  std::string root = DriveRoot(full[0]);
  if (root.empty()) return DosPathKind::kMissing;
  std::u16string rest = full.substr(3);
  if (device) return ResolveDevice(root, rest, u'\\');
  return WalkComponents(root, rest, u'\\', unixPath);
}

// A path starting with a single '/' is a Unix path (measured under Wine 8:
// "/tmp", "/TMP", "/tmp/../tmp", "/tmp." are found; "/tmp\..\tmp" is not,
// '\' being part of a Unix name).
DosPathKind ResolveUnixPath(const std::u16string &path, bool device,
                            std::string &unixPath) {
  std::u16string text = path;
  for (char16_t &c : text) {
    if (c == u'\\') c = 0xF000;  // keeps '\' out of the separators
  }
  CollapsePath(text, 1);
  for (char16_t &c : text) {
    if (c == u'\\') c = u'/';
    if (c == 0xF000) c = u'\\';
  }
  std::u16string rest = text.substr(1);
  if (device) return ResolveDevice("/", rest, u'/');
  return WalkComponents("/", rest, u'/', unixPath);
}

// "\\?\X:\...": taken literally, no collapsing, no trailing-dot removal and
// no device names (measured under Wine 8: "\\?\C:\a\..\a" and "\\?\C:\a\\b"
// fail with 123, "\\?\C:\Dir." is not found, "\\?\C:\Dir\nul" is not a
// device, "\\?\C:" fails, "\\?\C:\" is the drive root).
DosPathKind ResolveLiteralPath(const std::u16string &rest,
                               std::string &unixPath) {
  if (rest.size() < 3 || rest[1] != u':' || rest[2] != u'\\') {
    return DosPathKind::kMissing;
  }
  for (char16_t c : rest) {
    if (c == u'/') return DosPathKind::kMissing;
  }
  std::string root = DriveRoot(rest[0]);
  if (root.empty()) return DosPathKind::kMissing;
  return WalkComponents(root, rest.substr(3), u'\\', unixPath);
}

}  // namespace

void HostForgetDirectoryListings() { Listings().clear(); }

DosPathKind HostResolveDosPath(const char *dosPath, std::string &unixPath) {
  unixPath.clear();
  if (dosPath == nullptr) return DosPathKind::kMissing;
  std::u16string path;
  HostAnsiToWide(dosPath, strlen(dosPath), path);
  if (path.empty() || path.size() > kMaxPathUnits) return DosPathKind::kMissing;
  if (path.find_first_not_of(u' ') == std::u16string::npos) {
    return DosPathKind::kMissing;
  }

  if (IsSeparator(path[0]) && path.size() > 1 && IsSeparator(path[1])) {
    // "\\?\" and "\\.\" prefixes; everything else with two leading
    // separators is a network path, which is never found.
    if (path.size() < 4 || (path[2] != u'.' && path[2] != u'?') ||
        !IsSeparator(path[3])) {
      return DosPathKind::kMissing;
    }
    if (path[0] == u'\\' && path[1] == u'\\' && path[2] == u'?' &&
        path[3] == u'\\') {
      return ResolveLiteralPath(path.substr(4), unixPath);
    }
    std::u16string rest = path.substr(4);
    if (rest.size() == 3 && StartsWithFolded(rest.data(), 3, "CON")) {
      return DosPathKind::kDevice;
    }
    CollapsePath(rest, 0);
    return ResolveDrivePath(rest, false, unixPath);
  }

  bool device = IsDeviceName(path);
  if (path[0] == u'/') return ResolveUnixPath(path, device, unixPath);

  std::u16string full;
  if (path.size() >= 3 && path[1] == u':' && IsSeparator(path[2])) {
    // A full path: the working directory plays no part.
    full = UpperAscii(path[0]) + path.substr(1);
    CollapsePath(full, 3);
    return ResolveDrivePath(full, device, unixPath);
  }
  std::string unixCwd;
  std::u16string cwd = DosCurrentDirectory(unixCwd);
  if (path.size() >= 2 && path[1] == u':') {
    char16_t letter = UpperAscii(path[0]);
    if (!cwd.empty() && cwd[0] == letter) {
      full = cwd + path.substr(2);
    } else {
      full = std::u16string{letter, u':', u'\\'} + path.substr(2);
    }
  } else if (IsSeparator(path[0])) {
    if (cwd.empty()) return DosPathKind::kMissing;
    full = cwd.substr(0, 2) + path;
  } else if (!cwd.empty()) {
    full = cwd + path;
  } else {
    // No drive holds the working directory (no prefix): relative to the
    // working directory itself, which ".." does not leave.
    if (unixCwd.empty()) return DosPathKind::kMissing;
    full = u"?:\\" + path;
    CollapsePath(full, 3);
    std::u16string rest = full.substr(3);
    if (device) return ResolveDevice(unixCwd, rest, u'\\');
    return WalkComponents(unixCwd, rest, u'\\', unixPath);
  }
  CollapsePath(full, 3);
  return ResolveDrivePath(full, device, unixPath);
}
