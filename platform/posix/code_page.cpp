// The host's ANSI code page. Wine takes the code page from the locale's
// language and country; we follow it for the code pages we carry: 1252
// exactly (with the platform's best-fit table) and the double-byte pages
// through the C library's iconv.
#include "platform/posix/code_page.h"

#include <iconv.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace {

struct BestFit {
  uint16_t unit;
  uint8_t byte;
};

const BestFit kCp1252Upper[] = {
#include "platform/posix/cp1252_best_fit.inc"
};

// Bytes 0x80-0x9F of code page 1252; the rest of the page is Latin-1.
const uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t g_codePage = 0;

const char* IconvName(uint32_t cp) {
  switch (cp) {
    case 932:
      return "CP932";
    case 936:
      return "CP936";
    case 949:
      return "CP949";
    case 950:
      return "CP950";
  }
  return nullptr;
}

// The two converters of the active double-byte page, opened once: opening
// one costs far more than a short conversion.
struct Converters {
  uint32_t codePage = 0;
  iconv_t toWide = reinterpret_cast<iconv_t>(-1);
  iconv_t fromWide = reinterpret_cast<iconv_t>(-1);
};
Converters g_converters;

iconv_t Converter(bool toWide) {
  uint32_t cp = HostAnsiCodePage();
  if (g_converters.codePage != cp) {
    if (g_converters.toWide != reinterpret_cast<iconv_t>(-1))
      iconv_close(g_converters.toWide);
    if (g_converters.fromWide != reinterpret_cast<iconv_t>(-1))
      iconv_close(g_converters.fromWide);
    g_converters.codePage = cp;
    g_converters.toWide = iconv_open("UTF-16LE", IconvName(cp));
    g_converters.fromWide = iconv_open(IconvName(cp), "UTF-16LE");
  }
  return toWide ? g_converters.toWide : g_converters.fromWide;
}

// Converts with iconv; an input unit it cannot convert becomes '?' in the
// output (a '?' in the target encoding) and is skipped.
void IconvConvert(iconv_t cd, const char* in, size_t inLen, size_t unitSize,
                  const char* question, size_t questionLen, std::string& out) {
  out.clear();
  if (cd == reinterpret_cast<iconv_t>(-1)) return;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char chunk[4096];
  char* src = const_cast<char*>(in);
  size_t left = inLen;
  while (left > 0) {
    char* dst = chunk;
    size_t room = sizeof chunk;
    size_t rc = iconv(cd, &src, &left, &dst, &room);
    out.append(chunk, static_cast<size_t>(dst - chunk));
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      // EILSEQ or EINVAL: one unit the code page cannot take.
      out.append(question, questionLen);
      size_t skip = unitSize < left ? unitSize : left;
      src += skip;
      left -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
}

}  // namespace

uint32_t CodePageForLocaleName(const char* name) {
  if (name == nullptr) return 1252;
  char lang[8] = {0};
  char country[8] = {0};
  size_t i = 0, k = 0;
  while (name[i] && name[i] != '_' && name[i] != '.' && name[i] != '@' &&
         k + 1 < sizeof lang)
    lang[k++] =
        static_cast<char>(tolower(static_cast<unsigned char>(name[i++])));
  if (name[i] == '_') {
    ++i;
    k = 0;
    while (name[i] && name[i] != '.' && name[i] != '@' &&
           k + 1 < sizeof country)
      country[k++] =
          static_cast<char>(toupper(static_cast<unsigned char>(name[i++])));
  }
  if (strcmp(lang, "ja") == 0) return 932;
  if (strcmp(lang, "ko") == 0) return 949;
  if (strcmp(lang, "zh") == 0) {
    if (strcmp(country, "TW") == 0 || strcmp(country, "HK") == 0 ||
        strcmp(country, "MO") == 0)
      return 950;
    return 936;
  }
  return 1252;
}

uint32_t HostAnsiCodePage() {
  if (g_codePage == 0) {
    const char* name = nullptr;
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      const char* value = getenv(var);
      if (value != nullptr && value[0] != '\0') {
        name = value;
        break;
      }
    }
    g_codePage = CodePageForLocaleName(name);
  }
  return g_codePage;
}

void HostSelectCodePage(uint32_t codePage) { g_codePage = codePage; }

bool HostIsLeadByte(unsigned char b) {
  switch (HostAnsiCodePage()) {
    case 932:
      return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
      return b >= 0x81 && b <= 0xFE;
  }
  return false;
}

void HostAnsiToWide(const char* text, size_t len, std::u16string& out) {
  out.clear();
  uint32_t cp = HostAnsiCodePage();
  if (cp == 1252) {
    out.reserve(len);
    for (size_t i = 0; i < len; ++i) {
      unsigned char b = static_cast<unsigned char>(text[i]);
      out.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b);
    }
    return;
  }
  std::string bytes;
  IconvConvert(Converter(true), text, len, 1, "?\0", 2, bytes);
  out.resize(bytes.size() / 2);
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(
        static_cast<unsigned char>(bytes[2 * i]) |
        (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
}

void HostWideToAnsi(const char16_t* text, size_t len, std::string& out) {
  out.clear();
  uint32_t cp = HostAnsiCodePage();
  if (cp == 1252) {
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
    return;
  }
  std::string bytes;
  bytes.reserve(len * 2);
  for (size_t i = 0; i < len; ++i) {
    bytes.push_back(static_cast<char>(text[i] & 0xFF));
    bytes.push_back(static_cast<char>(text[i] >> 8));
  }
  IconvConvert(Converter(false), bytes.data(), bytes.size(), 2, "?", 1, out);
}

// The range the byte after a UTF-8 lead byte must fall in for the sequence
// to be neither overlong, a surrogate nor beyond U+10FFFF.
static void SecondByteRange(unsigned char lead, unsigned char* lo,
                            unsigned char* hi) {
  *lo = 0x80;
  *hi = 0xBF;
  if (lead == 0xE0) *lo = 0xA0;
  if (lead == 0xED) *hi = 0x9F;
  if (lead == 0xF0) *lo = 0x90;
  if (lead == 0xF4) *hi = 0x8F;
}

// UTF-8 as the platform decodes it (MultiByteToWideChar with CP_UTF8). Measured
// under Wine 8 (one '?' per U+FFFD after conversion to 1252): a lead byte
// outside C2..F4 or a stray continuation byte is one U+FFFD each; a lead byte
// whose next byte is a continuation byte outside the lead's range (E0 80, ED
// A0, F0 8F, F4 90) is one U+FFFD for the two bytes, and the continuation bytes
// after them one each (ED A0 80 -> 2, F0 80 80 80 -> 3); a sequence cut short
// is one U+FFFD for what it had (E0 A0 then '>' -> 1).
void HostUtf8ToWide(const char* text, size_t len, std::u16string& out) {
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

void HostWideToUtf8(const char16_t* text, size_t len, std::string& out) {
  out.clear();
  out.reserve(len);
  for (size_t i = 0; i < len; ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < len && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
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
}

// ---- The platform interface's code page services ----------------------------

uint32_t PlatformLoadLeadBytes(unsigned char table[256]) {
  for (int b = 0; b < 256; ++b)
    table[b] = HostIsLeadByte(static_cast<unsigned char>(b)) ? 1 : 0;
  return HostAnsiCodePage();
}

// Upper case of the letters a double-byte page can hold in two bytes: Latin,
// Greek and Cyrillic letters and the full-width Latin letters.
static char16_t UpperUnit(char16_t u) {
  if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7) ||
      (u >= 0x3B1 && u <= 0x3C9 && u != 0x3C2) || (u >= 0x430 && u <= 0x44F))
    return static_cast<char16_t>(u - 0x20);
  if (u >= 0x450 && u <= 0x45F) return static_cast<char16_t>(u - 0x50);
  if (u >= 0xFF41 && u <= 0xFF5A) return static_cast<char16_t>(u - 0x20);
  return u;
}

uint32_t PlatformUpperDoubleByte(unsigned char lead, unsigned char trail) {
  const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  std::u16string wide;
  HostAnsiToWide(bytes, 2, wide);
  if (wide.size() != 1 || wide[0] == u'?') return 0;
  return UpperUnit(wide[0]);
}
