#include "dospath/dos_path_text.h"

#include <algorithm>
#include <cstring>

#include "unicode/upper_case.h"

namespace {

// A path of up to 260 UTF-16 units (after the ANSI conversion) is looked up;
// a longer one fails.
const size_t kDosMaxPathUnits = 260;

char16_t DosUpperAscii(char16_t c) {
  return (c >= u'a' && c <= u'z') ? c - 0x20 : c;
}

// Whether `s` starts with the upper-case ASCII `word`, ASCII case ignored.
bool DosStartsWithWord(const char16_t *s, size_t len, const char *word) {
  for (size_t i = 0; word[i] != '\0'; ++i) {
    if (i >= len || DosUpperAscii(s[i]) != static_cast<char16_t>(word[i])) {
      return false;
    }
  }
  return true;
}

// True when the last component of `path` is a DOS device name: AUX, CON,
// NUL, PRN, COM1-COM9 or LPT1-LPT9, in any case, with any extension, with
// trailing colons or blanks.
bool IsDosDeviceName(const std::u16string &path) {
  size_t end = path.size();
  while (end > 0 && path[end - 1] == u':') --end;
  size_t start = end;
  while (start > 0 && !IsDosSeparator(path[start - 1]) &&
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
    return DosStartsWithWord(name, len, "AUX") ||
           DosStartsWithWord(name, len, "CON") ||
           DosStartsWithWord(name, len, "NUL") ||
           DosStartsWithWord(name, len, "PRN");
  }
  if (len == 4) {
    return (DosStartsWithWord(name, len, "COM") ||
            DosStartsWithWord(name, len, "LPT")) &&
           name[3] >= u'1' && name[3] <= u'9';
  }
  return false;
}

// Collapses an absolute path as text, keeping the first `mark` units (the
// root) untouched: doubled separators go, "." and ".." components are
// resolved, one dot ending an inner component goes, and the trailing dots
// and blanks of the whole path go. `sep` is the one separator: '\' for a
// DOS path, whose '/' become '\' first; '/' for a Unix path, where '\' is
// part of a name.
void CollapseDosPath(std::u16string &path, size_t mark, char16_t sep) {
  if (sep == u'\\') std::replace(path.begin(), path.end(), u'/', u'\\');
  std::u16string out;
  out.reserve(path.size());
  for (size_t i = 0; i < path.size(); ++i) {
    if (i >= (mark > 1 ? mark : 1) && path[i] == sep && !out.empty() &&
        out.back() == sep) {
      continue;
    }
    out.push_back(path[i]);
  }
  size_t p = mark;
  while (p < out.size()) {
    if (out[p] == u'.') {
      char16_t next = p + 1 < out.size() ? out[p + 1] : u'\0';
      if (next == sep) {
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
        if (after == sep || after == u'\0') {
          size_t from = p + (after == sep ? 3 : 2);
          if (p > mark) {
            --p;
            while (p > mark && out[p - 1] != sep) --p;
            if (after == u'\0' && p > mark) --p;
          }
          out.erase(p, from - p);
          continue;
        }
      }
    }
    while (p < out.size() && out[p] != sep) ++p;
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

// Whether the ASCII `name` is at `at` of `path`, without regard to case,
// followed by the path's end or a '\'; `ended` says the name may not be
// followed by anything but '\'.
bool NameAt(const std::u16string &path, size_t at, const char *name,
            bool ended) {
  size_t n = strlen(name);
  if (path.size() < at || path.size() - at < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (UpperCaseUnit(path[at + i]) !=
        UpperCaseUnit(static_cast<char16_t>(name[i])))
      return false;
  }
  return !ended || path.size() == at + n || path[at + n] == u'\\';
}

bool Replace(std::u16string &path, size_t at, const char *name,
             const char *replacement) {
  if (!NameAt(path, at, name, true)) return false;
  path.replace(at, strlen(name),
               std::u16string(replacement, replacement + strlen(replacement)));
  return true;
}

// A collapsed "X:\..." drive path, redirected for a 32-bit program.
DosFullPath DrivePath(std::u16string full, bool device, bool redirect32) {
  if (full.size() < 3 || full[1] != u':' || full[2] != u'\\')
    return {DosFullKind::kMissing, false, std::u16string()};
  if (redirect32) DosRedirectWow64(full);
  return {DosFullKind::kDrive, device, full};
}

}  // namespace

bool DosNamesEqual(const std::u16string &a, const std::u16string &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperCaseUnit(a[i]) != UpperCaseUnit(b[i])) return false;
  }
  return true;
}

bool IsInvalidDosNameChar(char16_t c) {
  return c < 0x20 || c == u'*' || c == u'?' || c == u'"' || c == u'<' ||
         c == u'>' || c == u'|' || c == u':';
}

bool DosRedirectWow64(std::u16string &path) {
  static const char kWindows[] = "C:\\windows\\";
  static const char *const kShared[] = {
      "system32\\catroot",      "system32\\catroot2", "system32\\driversstore",
      "system32\\drivers\\etc", "system32\\logfiles", "system32\\spool"};
  if (!NameAt(path, 0, kWindows, false)) return false;
  size_t at = sizeof kWindows - 1;
  if (Replace(path, at, "sysnative", "system32")) return true;
  for (const char *shared : kShared) {
    if (NameAt(path, at, shared, true)) return false;
  }
  return Replace(path, at, "system32", "syswow64") ||
         Replace(path, at, "regedit.exe", "syswow64\\regedit.exe");
}

bool DosPathNeedsCurrentDirectory(const std::u16string &path) {
  if (path.empty() || path[0] == u'/') return false;
  if (IsDosSeparator(path[0]) && path.size() > 1 && IsDosSeparator(path[1]))
    return false;
  return !(path.size() >= 3 && path[1] == u':' && IsDosSeparator(path[2]));
}

DosFullPath DosMakeFullPath(const std::u16string &path,
                            const std::u16string &cwd, bool redirect32) {
  const DosFullPath missing = {DosFullKind::kMissing, false, std::u16string()};
  if (path.empty() || path.size() > kDosMaxPathUnits ||
      path.find_first_not_of(u' ') == std::u16string::npos) {
    return missing;
  }
  if (IsDosSeparator(path[0]) && path.size() > 1 && IsDosSeparator(path[1])) {
    if (path.size() < 4 || (path[2] != u'.' && path[2] != u'?') ||
        !IsDosSeparator(path[3])) {
      return missing;  // a network path
    }
    std::u16string rest = path.substr(4);
    if (path.compare(0, 4, u"\\\\?\\") == 0) {
      // Taken literally; '/' is no separator there and fails.
      DosFullPath out = DrivePath(rest, false, redirect32);
      if (out.text.find(u'/') != std::u16string::npos)
        out.kind = DosFullKind::kMissing;
      return out;
    }
    if (rest.size() == 3 && DosStartsWithWord(rest.data(), 3, "CON"))
      return {DosFullKind::kConsole, true, std::u16string()};
    CollapseDosPath(rest, 0, u'\\');
    return DrivePath(rest, false, redirect32);
  }
  bool device = IsDosDeviceName(path);
  if (path[0] == u'/') {
    // Wine's Unix form: '\' is part of a name there.
    std::u16string text = path;
    CollapseDosPath(text, 1, u'/');
    return {DosFullKind::kUnix, device, text};
  }
  std::u16string full;
  if (!DosPathNeedsCurrentDirectory(path)) {
    full = DosUpperAscii(path[0]) + path.substr(1);
  } else if (path.size() >= 2 && path[1] == u':') {
    char16_t letter = DosUpperAscii(path[0]);
    full = !cwd.empty() && cwd[0] == letter
               ? cwd + path.substr(2)
               : std::u16string{letter, u':', u'\\'} + path.substr(2);
  } else if (IsDosSeparator(path[0])) {
    if (cwd.empty()) return missing;
    full = cwd.substr(0, 2) + path;
  } else if (!cwd.empty()) {
    full = cwd + path;
  } else {
    // Relative to a working directory no drive holds, which ".." does not
    // leave.
    full = u"?:\\" + path;
    CollapseDosPath(full, 3, u'\\');
    return {DosFullKind::kHere, device, full.substr(3)};
  }
  CollapseDosPath(full, 3, u'\\');
  return DrivePath(full, device, redirect32);
}
