// A code page as the platform's own data file describes it (c_NNN.nls), and
// the two ways the platform converts text with it: the native layer's (names
// of registry keys and values, registry strings, file paths, profile names)
// and the Win32 layer's (INI file bodies and results, version texts). They
// differ only at a lead byte that ends the text or is followed by a zero
// byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bytes/byte_span.h"

constexpr uint32_t kCodePageUtf8 = 65001;

struct NlsCodePage {
  uint32_t codePage = 0;  // kCodePageUtf8: UTF-8, no tables
  uint16_t defaultChar = '?';
  uint16_t uniDefaultChar = '?';
  uint16_t transDefaultChar = '?';
  uint16_t transUniDefaultChar = '?';
  bool doubleByte = false;
  uint16_t toWide[256] = {};  // a lead byte of a double-byte page maps to 0
  // Double-byte pages: 256 offsets, one per lead byte (0 for a single byte),
  // each to the 256 units of its trail bytes, counted from the start.
  std::vector<uint16_t> pairs;
  // Every UTF-16 unit's bytes: one byte, or lead << 8 | trail.
  std::vector<uint16_t> fromWide;
};

enum class NlsEngine {
  kNative,  // a lead byte takes the next byte whatever it is; at the end: 0
  kWin32,   // a lead byte at the end or before a zero byte: the default
};

// Reads a c_NNN.nls file. False, with `page` unusable, when the file is not
// one: every table must lie inside it and every lead byte's offset inside
// the table of pairs.
bool NlsParseCodePage(ByteSpan file, NlsCodePage* page);

// UTF-8 as the ANSI code page.
void NlsUtf8CodePage(NlsCodePage* page);

bool NlsIsLeadByte(const NlsCodePage& page, unsigned char b);

// ANSI bytes to UTF-16.
void NlsToWide(const NlsCodePage& page, NlsEngine engine, const char* text,
               size_t len, std::u16string& out);

// UTF-16 to ANSI with the page's best fit; both layers convert alike.
void NlsFromWide(const NlsCodePage& page, const char16_t* text, size_t len,
                 std::string& out);

// The same, and whether every character was spelt as itself (what the
// platform asks of a Unix file name): a best fit, a default character or,
// in UTF-8, a lone surrogate make it false.
bool NlsFromWideExact(const NlsCodePage& page, const char16_t* text,
                      size_t len, std::string& out);

// The unit of the double-byte character lead, trail, or 0 when the page
// does not define it (what MB_ERR_INVALID_CHARS refuses).
uint16_t NlsDefinedPair(const NlsCodePage& page, unsigned char lead,
                        unsigned char trail);
