// Case-insensitive equality. Single-byte characters fold only the ASCII
// letters: in code page 1252 no other byte folds, and in the double-byte code
// pages 932, 936, 949 and 950 the only single-byte capitals are A to Z.
// Double-byte characters compare by their upper-case form.
#include "pathtext/pathtext.h"

#include <cstdint>

#include "platform/platform.h"
#include "unicode/ascii_fold.h"

bool EqualsIgnoreCase(const char* a, const char* b) {
  size_t i = 0, j = 0;
  for (;;) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[j]);
    bool doubleA = IsLeadByte(ca) && a[i + 1] != '\0';
    bool doubleB = IsLeadByte(cb) && b[j + 1] != '\0';
    if (doubleA || doubleB) {
      if (!(doubleA && doubleB)) return false;
      uint32_t ua = PlatformUpperDoubleByte(ca, static_cast<unsigned char>(a[i + 1]));
      uint32_t ub = PlatformUpperDoubleByte(cb, static_cast<unsigned char>(b[j + 1]));
      if (ua == 0 || ub == 0 || ua != ub) return false;
      i += 2;
      j += 2;
      continue;
    }
    if (AsciiLower(ca) != AsciiLower(cb)) return false;
    if (ca == 0) return true;
    i += 1;
    j += 1;
  }
}
