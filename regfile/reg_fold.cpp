#include "regfile/reg_fold.h"

char16_t RegFoldUnit(char16_t u) {
  if (u < 0x80) return (u >= 'a' && u <= 'z') ? u - 0x20 : u;
  if (u <= 0xFF) {
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return u - 0x20;
    if (u == 0xFF) return 0x178;
    if (u == 0xB5) return 0x39C;  // micro sign upper-cases to Greek Mu
    return u;
  }
  if (u <= 0x17F) {
    if (u == 0x131) return 'I';  // dotless i
    if (u == 0x17F) return 'S';  // long s
    // Pairs: upper case at even units up to U+0137 and from U+014A to
    // U+0177, at odd units from U+0139 to U+0148 and from U+0179 to U+017E.
    if ((u < 0x138 && u != 0x130) || (u >= 0x14A && u <= 0x177))
      return (u & 1) ? u - 1 : u;
    if ((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E))
      return (u & 1) ? u : u - 1;
    return u;
  }
  if (u >= 0x3B1 && u <= 0x3CB) return u == 0x3C2 ? 0x3A3 : u - 0x20;
  if (u == 0x3AC) return 0x386;
  if (u >= 0x3AD && u <= 0x3AF) return u - 0x25;
  if (u == 0x3CC) return 0x38C;
  if (u == 0x3CD || u == 0x3CE) return u - 0x3F;
  if (u >= 0x430 && u <= 0x44F) return u - 0x20;
  if (u >= 0x450 && u <= 0x45F) return u - 0x50;
  if (u >= 0x460 && u <= 0x4BF) {
    // Paired Cyrillic letters, upper case at even units (U+0482-U+0489 are
    // signs, not letters).
    if (u >= 0x482 && u <= 0x489) return u;
    return (u & 1) ? u - 1 : u;
  }
  if (u >= 0xFF41 && u <= 0xFF5A) return u - 0x20;
  return u;
}

void RegFoldName(std::u16string& name) {
  for (char16_t& u : name) u = RegFoldUnit(u);
}
