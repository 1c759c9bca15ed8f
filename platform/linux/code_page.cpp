// The host's ANSI code page. Wine takes the code page from the locale's
// language and country; we follow it for the code pages we carry: 1252
// exactly (with the platform's best-fit table) and the double-byte pages
// through the C library's iconv.
#include "platform/linux/code_page.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>

#include "codepage/cp1252.h"
#include "codepage/lead_bytes.h"
#include "codepage/locale_names.h"
#include "platform/platform.h"
#include "unicode/upper_case.h"
#include "unicode/utf16.h"

namespace {

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

namespace {

bool IsLeadByte(unsigned char b) { return HostIsLeadByte(b); }

}  // namespace

AnsiCodec HostAnsiCodec() {
  return AnsiCodec{HostAnsiCodePage(), IsLeadByte, HostAnsiToWide,
                   HostWideToAnsi};
}

bool HostIsLeadByte(unsigned char b) {
  return IsLeadByteIn(HostAnsiCodePage(), b);
}

void HostAnsiToWide(const char* text, size_t len, std::u16string& out) {
  out.clear();
  uint32_t cp = HostAnsiCodePage();
  if (cp == 1252) {
    Cp1252ToWide(text, len, out);
    return;
  }
  std::string bytes;
  IconvConvert(Converter(true), text, len, 1, "?\0", 2, bytes);
  Utf16Unpack(ByteSpan(bytes.data(), bytes.size()), ByteOrder::kLittle, out);
}

void HostWideToAnsi(const char16_t* text, size_t len, std::string& out) {
  out.clear();
  uint32_t cp = HostAnsiCodePage();
  if (cp == 1252) {
    WideToCp1252(text, len, out);
    return;
  }
  std::string bytes;
  Utf16Pack(text, len, ByteOrder::kLittle, bytes);
  IconvConvert(Converter(false), bytes.data(), bytes.size(), 2, "?", 1, out);
}

// ---- The platform interface's code page services ----------------------------

uint32_t PlatformLoadLeadBytes(unsigned char table[256]) {
  for (int b = 0; b < 256; ++b)
    table[b] = HostIsLeadByte(static_cast<unsigned char>(b)) ? 1 : 0;
  return HostAnsiCodePage();
}

uint32_t PlatformUpperDoubleByte(unsigned char lead, unsigned char trail) {
  const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  std::u16string wide;
  HostAnsiToWide(bytes, 2, wide);
  if (wide.size() != 1 || wide[0] == u'?') return 0;
  return UpperCaseUnit(wide[0]);
}
