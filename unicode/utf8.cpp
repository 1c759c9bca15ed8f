#include "unicode/utf8.h"

#include <cstdint>

namespace {

// The range the byte after a UTF-8 lead byte must fall in for the sequence
// to be neither overlong, a surrogate nor beyond U+10FFFF.
void SecondByteRange(unsigned char lead, unsigned char* lo, unsigned char* hi) {
  *lo = 0x80;
  *hi = 0xBF;
  if (lead == 0xE0) *lo = 0xA0;
  if (lead == 0xED) *hi = 0x9F;
  if (lead == 0xF0) *lo = 0x90;
  if (lead == 0xF4) *hi = 0x8F;
}

}  // namespace

// A lead byte outside C2..F4 and a stray continuation byte are one U+FFFD
// each; a lead byte followed by a continuation byte outside its range is one
// U+FFFD for the two; a sequence cut short is one U+FFFD for what it had.
void Utf8ToWide(const char* text, size_t len, std::u16string& out) {
  out.clear();
  out.reserve(len);
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  while (i < len) {
    unsigned char b = s[i];
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    size_t need;
    uint32_t cp;
    if (b >= 0xC2 && b <= 0xDF) {
      need = 1;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      need = 2;
      cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      need = 3;
      cp = b & 0x07;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    if (i + 1 >= len || (s[i + 1] & 0xC0) != 0x80) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    unsigned char lo, hi;
    SecondByteRange(b, &lo, &hi);
    if (s[i + 1] < lo || s[i + 1] > hi) {
      out.push_back(0xFFFD);
      i += 2;
      continue;
    }
    size_t j = 1;
    while (j <= need && i + j < len && (s[i + j] & 0xC0) == 0x80) {
      cp = (cp << 6) | (s[i + j] & 0x3F);
      ++j;
    }
    if (j <= need) {
      out.push_back(0xFFFD);
      i += j;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 | (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 | (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += need + 1;
  }
}

bool WideToUtf8(const char16_t* text, size_t len, std::string& out) {
  out.clear();
  out.reserve(len);
  bool whole = true;
  for (size_t i = 0; i < len; ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < len && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
      whole = false;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return whole;
}
