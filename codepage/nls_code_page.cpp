// The code page files of the platform: a header of 13 words, the table of
// the 256 bytes, an optional glyph table, the double-byte tables, and the
// table of every UTF-16 unit's bytes (a byte each on single-byte pages, a
// word each on double-byte ones). All words little-endian.
#include "codepage/nls_code_page.h"

#include <cstdint>

#include "unicode/utf8.h"

namespace {

constexpr size_t kHeaderWords = 13;
constexpr size_t kUnits = 65536;

}  // namespace

bool NlsParseCodePage(ByteSpan file, NlsCodePage* page) {
  const size_t words = file.size / 2;
  // Every index below is checked against `words` before it is read.
  auto word = [&](size_t i) {
    uint16_t w = 0;
    return ReadLe16(file, 2 * uint64_t{i}, &w) ? w : uint16_t{0};
  };
  if (words < kHeaderWords + 1) return false;
  const size_t header = word(0);
  if (header < kHeaderWords || header >= words) return false;
  page->codePage = word(1);
  // UTF-8 has no tables: a file that claims it is not one of these.
  if (page->codePage == kCodePageUtf8) return false;
  page->defaultChar = word(3);
  page->uniDefaultChar = word(4);
  page->transDefaultChar = word(5);
  page->transUniDefaultChar = word(6);
  // The word after the header counts the words up to the table of units.
  const size_t wideTable = header + 1 + size_t{word(header)};
  size_t at = header + 1;
  if (at + 256 + 2 > words) return false;
  for (size_t b = 0; b < 256; ++b) page->toWide[b] = word(at + b);
  at += 256;
  if (word(at++) != 0) at += 256;  // glyphs: not used for ANSI text
  if (at >= words) return false;
  page->doubleByte = word(at) != 0;
  page->pairs.clear();
  page->fromWide.assign(kUnits, 0);
  if (page->doubleByte) {
    const size_t start = at + 1;
    if (wideTable < start + 256 || wideTable > words) return false;
    page->pairs.resize(wideTable - start);
    for (size_t i = 0; i < page->pairs.size(); ++i)
      page->pairs[i] = word(start + i);
    for (size_t b = 0; b < 256; ++b) {
      size_t off = page->pairs[b];
      if (off != 0 && off + 256 > page->pairs.size()) return false;
    }
    if (wideTable + kUnits > words) return false;
    for (size_t u = 0; u < kUnits; ++u) page->fromWide[u] = word(wideTable + u);
  } else {
    ByteSpan bytes = file.From(2 * uint64_t{wideTable});
    if (!bytes.Has(0, kUnits)) return false;
    for (size_t u = 0; u < kUnits; ++u) page->fromWide[u] = bytes.data[u];
  }
  return true;
}

void NlsUtf8CodePage(NlsCodePage* page) {
  *page = NlsCodePage();
  page->codePage = kCodePageUtf8;
  page->uniDefaultChar = 0xFFFD;
}

bool NlsIsLeadByte(const NlsCodePage& page, unsigned char b) {
  return page.doubleByte && page.pairs[b] != 0;
}

void NlsToWide(const NlsCodePage& page, NlsEngine engine, const char* text,
               size_t len, std::u16string& out) {
  out.clear();
  if (page.codePage == kCodePageUtf8) {
    Utf8ToWide(text, len, out);
    return;
  }
  out.reserve(len);
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  for (size_t i = 0; i < len; ++i) {
    unsigned char b = s[i];
    size_t off = page.doubleByte ? page.pairs[b] : 0;
    if (off == 0) {
      out.push_back(page.toWide[b]);
    } else if (i + 1 < len && (engine == NlsEngine::kNative || s[i + 1] != 0)) {
      out.push_back(page.pairs[off + s[++i]]);
    } else if (engine == NlsEngine::kNative) {
      out.push_back(page.toWide[b]);
    } else {
      out.push_back(page.uniDefaultChar);
    }
  }
}

void NlsFromWide(const NlsCodePage& page, const char16_t* text, size_t len,
                 std::string& out) {
  out.clear();
  if (page.codePage == kCodePageUtf8) {
    WideToUtf8(text, len, out);
    return;
  }
  out.reserve(len);
  for (size_t i = 0; i < len; ++i) {
    uint16_t bytes = page.fromWide[text[i]];
    if (bytes > 0xFF) out.push_back(static_cast<char>(bytes >> 8));
    out.push_back(static_cast<char>(bytes & 0xFF));
  }
}

bool NlsFromWideExact(const NlsCodePage& page, const char16_t* text, size_t len,
                      std::string& out) {
  if (page.codePage == kCodePageUtf8) return WideToUtf8(text, len, out);
  NlsFromWide(page, text, len, out);
  for (size_t i = 0; i < len; ++i) {
    uint16_t bytes = page.fromWide[text[i]];
    unsigned char lead = static_cast<unsigned char>(bytes >> 8);
    uint16_t back = bytes <= 0xFF ? page.toWide[bytes]
                    : NlsIsLeadByte(page, lead)
                        ? page.pairs[page.pairs[lead] + (bytes & 0xFF)]
                        : 0;
    if (back != text[i]) return false;
  }
  return true;
}

uint16_t NlsDefinedPair(const NlsCodePage& page, unsigned char lead,
                        unsigned char trail) {
  if (!NlsIsLeadByte(page, lead)) return 0;
  uint16_t unit = page.pairs[page.pairs[lead] + trail];
  if (unit == page.uniDefaultChar &&
      ((lead << 8) | trail) != page.transUniDefaultChar)
    return 0;
  return unit;
}
