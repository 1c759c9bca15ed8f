// Code page 1252: bytes 0x80-0x9F from the table below, the rest of the page
// Latin-1; from UTF-16 the platform's best fit for every unit above U+00FF.
#include "codepage/cp1252.h"

#include <cstdint>

namespace {

struct BestFit {
  uint16_t unit;
  uint8_t byte;
};

const BestFit kCp1252Upper[] = {
#include "codepage/cp1252_best_fit.inc"
};

// Bytes 0x80-0x9F of code page 1252; the rest of the page is Latin-1.
const uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

void Cp1252ToWide(const char* text, size_t len, std::u16string& out) {
  out.clear();
  out.reserve(len);
  for (size_t i = 0; i < len; ++i) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    out.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b);
  }
}

void WideToCp1252(const char16_t* text, size_t len, std::string& out) {
  out.clear();
  out.reserve(len);
  for (size_t i = 0; i < len; ++i) {
    char16_t u = text[i];
    unsigned char b = '?';
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
      b = static_cast<unsigned char>(u);
    } else {
      size_t lo = 0, hi = sizeof kCp1252Upper / sizeof kCp1252Upper[0];
      while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        if (kCp1252Upper[mid].unit < u)
          lo = mid + 1;
        else
          hi = mid;
      }
      if (lo < sizeof kCp1252Upper / sizeof kCp1252Upper[0] &&
          kCp1252Upper[lo].unit == u)
        b = kCp1252Upper[lo].byte;
    }
    out.push_back(static_cast<char>(b));
  }
}
