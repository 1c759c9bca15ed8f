#include "platform/posix/registry_escape.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char16_t Widen(char c) {
  // The loader assigns a (signed) char to a WCHAR.
  return static_cast<char16_t>(
      static_cast<int16_t>(static_cast<signed char>(c)));
}

}  // namespace

size_t RegUnescape(const char* p, const char* end, char endChar,
                   std::u16string* out) {
  const char* start = p;
  while (p < end && *p != endChar) {
    char16_t unit;
    if (*p != '\\') {
      unit = Widen(*p++);
    } else {
      if (++p == end) return 0;  // a backslash that ends the line
      char c = *p++;
      switch (c) {
        case 'a':
          unit = '\a';
          break;
        case 'b':
          unit = '\b';
          break;
        case 'e':
          unit = 0x1B;
          break;
        case 'f':
          unit = '\f';
          break;
        case 'n':
          unit = '\n';
          break;
        case 'r':
          unit = '\r';
          break;
        case 't':
          unit = '\t';
          break;
        case 'v':
          unit = '\v';
          break;
        case 'x': {
          int d = p < end ? HexDigit(*p) : -1;
          if (d < 0) {
            unit = 'x';
            break;
          }
          unsigned value = 0;
          for (int n = 0; n < 4 && p < end && (d = HexDigit(*p)) >= 0; ++n) {
            value = value * 16 + static_cast<unsigned>(d);
            ++p;
          }
          unit = static_cast<char16_t>(value);
          break;
        }
        case '0':
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7': {
          unsigned value = static_cast<unsigned>(c - '0');
          for (int n = 0; n < 2 && p < end && *p >= '0' && *p <= '7'; ++n)
            value = value * 8 + static_cast<unsigned>(*p++ - '0');
          unit = static_cast<char16_t>(value);
          break;
        }
        default:
          unit = Widen(c);
          break;
      }
    }
    if (out != nullptr) out->push_back(unit);
  }
  if (p == end) return 0;
  return static_cast<size_t>(p + 1 - start);
}
