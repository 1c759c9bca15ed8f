// The host's code pages, loaded from Wine's c_NNN.nls files the first time
// they are needed and again when the locale changes.
#include "platform/linux/code_page.h"

#include <cstdio>

#include "codepage/cp1252.h"
#include "codepage/nls_code_page.h"
#include "platform/linux/locale.h"
#include "platform/platform.h"
#include "unicode/upper_case.h"

namespace {

// Loads code page `codePage`; false when Wine has no file for it.
bool LoadCodePage(uint32_t codePage, NlsCodePage* page) {
  if (codePage == kCodePageUtf8) {
    NlsUtf8CodePage(page);
    return true;
  }
  char name[24];
  snprintf(name, sizeof name, "c_%03u.nls", static_cast<unsigned>(codePage));
  std::string bytes;
  return HostReadNlsFile(name, bytes) &&
         NlsParseCodePage(ByteSpan(bytes.data(), bytes.size()), page) &&
         page->codePage == codePage;
}

struct Pages {
  uint32_t selected = 0;      // HostSelectCodePage's page, 0 for none
  uint32_t ansiFor = 0;       // the page `ansi` was loaded for
  uint32_t unixFor = 0;       // the page `unix` was loaded for
  NlsCodePage ansi;
  NlsCodePage unix;
};
Pages g_pages;

const NlsCodePage& Ansi() {
  uint32_t want =
      g_pages.selected != 0 ? g_pages.selected : HostLocale().ansiCodePage;
  if (g_pages.ansiFor != want) {
    if (!LoadCodePage(want, &g_pages.ansi)) Cp1252CodePage(&g_pages.ansi);
    g_pages.ansiFor = want;
  }
  return g_pages.ansi;
}

// Wine keeps UTF-8 for Unix names when it has no file for the charset.
const NlsCodePage& Unix() {
  uint32_t want = HostLocale().unixCodePage;
  if (g_pages.unixFor != want) {
    if (!LoadCodePage(want, &g_pages.unix)) NlsUtf8CodePage(&g_pages.unix);
    g_pages.unixFor = want;
  }
  return g_pages.unix;
}

bool IsLeadByte(unsigned char b) { return NlsIsLeadByte(Ansi(), b); }

void Win32ToWide(const char* text, size_t len, std::u16string& out) {
  NlsToWide(Ansi(), NlsEngine::kWin32, text, len, out);
}

}  // namespace

uint32_t HostAnsiCodePage() { return Ansi().codePage; }

void HostSelectCodePage(uint32_t codePage) { g_pages.selected = codePage; }

bool HostIsLeadByte(unsigned char b) { return IsLeadByte(b); }

void HostAnsiToWide(const char* text, size_t len, std::u16string& out) {
  NlsToWide(Ansi(), NlsEngine::kNative, text, len, out);
}

void HostWideToAnsi(const char16_t* text, size_t len, std::string& out) {
  NlsFromWide(Ansi(), text, len, out);
}

AnsiCodec HostAnsiCodec() {
  return AnsiCodec{HostAnsiCodePage(), IsLeadByte, Win32ToWide,
                   HostWideToAnsi};
}

void HostUnixNameToWide(const char* name, size_t len, std::u16string& out) {
  NlsToWide(Unix(), NlsEngine::kNative, name, len, out);
}

bool HostWideToUnixName(const char16_t* text, size_t len, std::string& out) {
  const NlsCodePage& page = Unix();
  NlsFromWide(page, text, len, out);
  if (page.codePage == kCodePageUtf8) {
    // A lone surrogate has no spelling.
    for (size_t i = 0; i < len; ++i) {
      char16_t c = text[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < len && text[i + 1] >= 0xDC00 &&
          text[i + 1] <= 0xDFFF) {
        ++i;
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        return false;
      }
    }
    return true;
  }
  // Only a character whose bytes come back as that character is spelt.
  for (size_t i = 0; i < len; ++i) {
    uint16_t bytes = page.fromWide[text[i]];
    uint16_t back = page.toWide[bytes & 0xFF];
    if (bytes > 0xFF) {
      unsigned char lead = static_cast<unsigned char>(bytes >> 8);
      back = NlsIsLeadByte(page, lead)
                 ? page.pairs[page.pairs[lead] + (bytes & 0xFF)]
                 : 0;
    }
    if (back != text[i]) return false;
  }
  return true;
}

// ---- The platform interface's code page services ----------------------------

uint32_t PlatformLoadLeadBytes(unsigned char table[256]) {
  for (int b = 0; b < 256; ++b)
    table[b] = HostIsLeadByte(static_cast<unsigned char>(b)) ? 1 : 0;
  return HostAnsiCodePage();
}

uint32_t PlatformUpperDoubleByte(unsigned char lead, unsigned char trail) {
  uint16_t unit = NlsDefinedPair(Ansi(), lead, trail);
  return unit != 0 ? UpperCaseUnit(unit) : 0;
}
