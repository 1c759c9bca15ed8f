#include "regfile/reg_escape.h"

#include <cstdint>
#include <cstring>

namespace {

char16_t Widen(char c) {
  // The loader assigns a (signed) char to a WCHAR.
  return static_cast<char16_t>(
      static_cast<int16_t>(static_cast<signed char>(c)));
}

}  // namespace

bool RegUnescapeUnit(const char*& p, const char* end, char16_t* unit) {
  if (*p != '\\') {
    *unit = Widen(*p++);
    return true;
  }
  if (++p == end) return false;  // a backslash that ends the text
  char c = *p++;
  // The letters of the one-character escapes, and what each stands for.
  static const char kLetters[] = "abefnrtv";
  static const char16_t kLetterUnits[] = u"\a\b\x1B\f\n\r\t\v";
  const void* letter = memchr(kLetters, c, sizeof kLetters - 1);
  unsigned value = 0;
  int d;
  if (letter != nullptr) {
    *unit = kLetterUnits[static_cast<const char*>(letter) - kLetters];
  } else if (c == 'x' && p < end && RegHexDigit(*p) >= 0) {
    for (int n = 0; n < 4 && p < end && (d = RegHexDigit(*p)) >= 0; ++n, ++p)
      value = value * 16 + static_cast<unsigned>(d);
    *unit = static_cast<char16_t>(value);
  } else if (c >= '0' && c <= '7') {
    value = static_cast<unsigned>(c - '0');
    for (int n = 0; n < 2 && p < end && *p >= '0' && *p <= '7'; ++n)
      value = value * 8 + static_cast<unsigned>(*p++ - '0');
    *unit = static_cast<char16_t>(value);
  } else {
    *unit = Widen(c);  // any other character, a lone \x giving 'x'
  }
  return true;
}

size_t RegUnescape(const char* p, const char* end, char endChar,
                   std::u16string* out) {
  const char* start = p;
  char16_t unit;
  while (p < end && *p != endChar) {
    if (!RegUnescapeUnit(p, end, &unit)) return 0;
    if (out != nullptr) out->push_back(unit);
  }
  if (p == end) return 0;
  return static_cast<size_t>(p + 1 - start);
}

const char* RegFindUnescaped(const char* p, const char* end, char endChar) {
  const char* from = p;
  for (;;) {
    const char* c = static_cast<const char*>(
        memchr(from, endChar, static_cast<size_t>(end - from)));
    if (c == nullptr) return nullptr;
    const char* q = c;
    while (q > p && q[-1] == '\\') --q;
    if (((c - q) & 1) == 0) return c;
    from = c + 1;
  }
}
