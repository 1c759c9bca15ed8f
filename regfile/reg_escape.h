// The escaped text of a Wine registry file: key names between '[' and ']',
// value names and string data between quotes.
#pragma once

#include <cstddef>
#include <string>

// The value of each byte as a hex digit, or -1.
struct RegHexTable {
  signed char digits[256];
  constexpr RegHexTable() : digits() {
    for (int c = 0; c < 256; ++c)
      digits[c] =
          c >= '0' && c <= '9'   ? static_cast<signed char>(c - '0')
          : c >= 'a' && c <= 'f' ? static_cast<signed char>(c - 'a' + 10)
          : c >= 'A' && c <= 'F' ? static_cast<signed char>(c - 'A' + 10)
                                 : -1;
  }
};
inline constexpr RegHexTable kRegHexTable{};

inline int RegHexDigit(char c) {
  return kRegHexTable.digits[static_cast<unsigned char>(c)];
}

// The first `endChar` at or after `p` that is not escaped, that is, not
// after an odd run of backslashes (an escape's arguments are digits, never
// a backslash, so runs pair up from their start); null when there is none
// before `end`. It is where RegUnescape stops.
const char* RegFindUnescaped(const char* p, const char* end, char endChar);

// Decodes text from `p` up to the first unescaped `endChar`, never reading at
// or beyond `end`. Escapes: \a \b \e \f \n \r \t \v, \x with 1 to 4 hex
// digits (a lone \x is 'x'), octal with 1 to 3 digits, and a backslash before
// any other character gives that character. A byte of 0x80 or more stands for
// U+FF80-U+FFFF, as Wine's loader widens a signed char. The units are appended
// to *out (when out is not null), without a terminator. Returns the bytes
// consumed including `endChar`, or 0 when `endChar` is missing.
size_t RegUnescape(const char* p, const char* end, char endChar,
                   std::u16string* out);

// Decodes the one character or escape at `p` (p < end) into *unit and moves
// `p` past it. Returns false, with `p` at `end`, for a backslash that is the
// last byte before `end`.
bool RegUnescapeUnit(const char*& p, const char* end, char16_t* unit);
