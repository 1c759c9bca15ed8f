// UTF-16 text for the tests' files and registry imports, through the
// product's own codec (unicode/): no test converts text by itself; and bytes
// spelled in hex.
#pragma once

#include <cstdio>
#include <string>

#include "unicode/utf16.h"
#include "unicode/utf8.h"

// The units of `text` as bytes in `order`.
inline std::string Utf16Bytes(const std::u16string& text,
                              ByteOrder order = ByteOrder::kLittle) {
  std::string bytes;
  Utf16Pack(text.data(), text.size(), order, bytes);
  return bytes;
}

// UTF-8 text (NULs included) as UTF-16.
inline std::u16string WideText(const std::string& utf8) {
  std::u16string text;
  Utf8ToWide(utf8.data(), utf8.size(), text);
  return text;
}

// The bytes as two hex digits each, `between` between them: a .reg file's
// hex lists and the Wine probes' input lines spell data so.
inline std::string HexBytes(const std::string& bytes,
                            const char* between = "") {
  std::string out;
  char pair[3];
  for (unsigned char b : bytes) {
    if (!out.empty()) out += between;
    snprintf(pair, sizeof pair, "%02x", b);
    out += pair;
  }
  return out;
}
