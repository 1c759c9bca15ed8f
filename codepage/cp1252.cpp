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

const uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

void Cp1252CodePage(NlsCodePage* page) {
  *page = NlsCodePage();
  page->codePage = 1252;
  page->fromWide.assign(65536, '?');
  for (unsigned b = 0; b < 256; ++b) {
    bool high = b >= 0x80 && b < 0xA0;
    page->toWide[b] = high ? kCp1252High[b - 0x80] : static_cast<uint16_t>(b);
    page->fromWide[page->toWide[b]] = static_cast<uint16_t>(b);
  }
  for (const BestFit& fit : kCp1252Upper) page->fromWide[fit.unit] = fit.byte;
}
