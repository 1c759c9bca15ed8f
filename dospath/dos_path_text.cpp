// DOS paths as text, the way the platform treats them before it looks anything
// up.
#include "dospath/dos_path_text.h"

#include <cstring>

#include "unicode/upper_case.h"

bool DosNamesEqual(const std::u16string &a, const std::u16string &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperCaseUnit(a[i]) != UpperCaseUnit(b[i])) return false;
  }
  return true;
}

char16_t DosUpperAscii(char16_t c) {
  return (c >= u'a' && c <= u'z') ? c - 0x20 : c;
}

bool DosStartsWithWord(const char16_t *s, size_t len, const char *word) {
  for (size_t i = 0; word[i] != '\0'; ++i) {
    if (i >= len || DosUpperAscii(s[i]) != static_cast<char16_t>(word[i])) {
      return false;
    }
  }
  return true;
}

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

void CollapseDosPath(std::u16string &path, size_t mark) {
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

bool IsInvalidDosNameChar(char16_t c) {
  return c < 0x20 || c == u'*' || c == u'?' || c == u'"' || c == u'<' ||
         c == u'>' || c == u'|' || c == u':';
}

namespace {

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

}  // namespace

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
