// Each code page is loaded the first time it is needed.
#include "platform/linux/code_page.h"

#include <cstdint>
#include <cstdio>

#include "codepage/cp1252.h"
#include "platform/linux/host_context.h"
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

// The page of that number, loaded on first use.
const NlsCodePage& PageFor(uint32_t codePage, bool unixNames) {
  HostCodePageState& state = Host().pages;
  auto& pages = unixNames ? state.unixNames : state.ansi;
  auto found = pages.find(codePage);
  if (found != pages.end()) return found->second;
  NlsCodePage& page = pages[codePage];
  // Wine keeps UTF-8 for Unix names when it has no file for the charset.
  if (!LoadCodePage(codePage, &page))
    unixNames ? NlsUtf8CodePage(&page) : Cp1252CodePage(&page);
  return page;
}

const NlsCodePage& Ansi() {
  uint32_t selected = Host().pages.selected;
  return PageFor(selected != 0 ? selected : HostLocale().ansiCodePage, false);
}

const NlsCodePage& Unix() { return PageFor(HostLocale().unixCodePage, true); }

const NlsCodePage& Of(const void* page) {
  return *static_cast<const NlsCodePage*>(page);
}

bool IsLeadByte(const void* page, unsigned char b) {
  return NlsIsLeadByte(Of(page), b);
}

void Win32ToWide(const void* page, const char* text, size_t len,
                 std::u16string& out) {
  NlsToWide(Of(page), NlsEngine::kWin32, text, len, out);
}

void Win32FromWide(const void* page, const char16_t* text, size_t len,
                   std::string& out) {
  NlsFromWide(Of(page), text, len, out);
}

}  // namespace

uint32_t HostAnsiCodePage() { return Ansi().codePage; }

void HostSelectCodePage(uint32_t codePage) {
  Host().pages.selected = codePage;
}

bool HostIsLeadByte(unsigned char b) { return NlsIsLeadByte(Ansi(), b); }

void HostAnsiToWide(const char* text, size_t len, std::u16string& out) {
  NlsToWide(Ansi(), NlsEngine::kNative, text, len, out);
}

void HostWideToAnsi(const char16_t* text, size_t len, std::string& out) {
  NlsFromWide(Ansi(), text, len, out);
}

AnsiCodec HostAnsiCodec() {
  const NlsCodePage& page = Ansi();
  return AnsiCodec{page.codePage, &page, IsLeadByte, Win32ToWide,
                   Win32FromWide};
}

void HostUnixNameToWide(const char* name, size_t len, std::u16string& out) {
  NlsToWide(Unix(), NlsEngine::kNative, name, len, out);
}

bool HostWideToUnixName(const char16_t* text, size_t len, std::string& out) {
  return NlsFromWideExact(Unix(), text, len, out);
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
