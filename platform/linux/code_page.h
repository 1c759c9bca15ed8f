// The host's code pages: the ANSI code page of the locale Wine chooses, and
// the charset of Unix file names, both read from Wine's own code page files
// (1252 compiled in when they cannot be found).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "codepage/ansi_codec.h"
#include "codepage/nls_code_page.h"

// The ANSI code page selected for the context (0: the locale's) and every
// page loaded, by number, for ANSI text and for Unix names apart: a codec
// points into them, so a page once loaded stays for the context's life.
struct HostCodePageState {
  uint32_t selected = 0;
  std::map<uint32_t, NlsCodePage> ansi;
  std::map<uint32_t, NlsCodePage> unixNames;
};

// The current context's ANSI code page.
uint32_t HostAnsiCodePage();
// Makes `codePage` the current context's ANSI code page in place of the
// locale's (0: the locale's again).
void HostSelectCodePage(uint32_t codePage);
bool HostIsLeadByte(unsigned char b);
// ANSI bytes to UTF-16 as the native layer converts names, paths and
// registry text: a lead byte takes the next byte whatever it is.
void HostAnsiToWide(const char* text, size_t len, std::u16string& out);
// UTF-16 to ANSI with the platform's best fit.
void HostWideToAnsi(const char16_t* text, size_t len, std::string& out);
// The conversions of the Win32 layer, which the INI and version readers
// use: a lead byte at the end or before a zero byte is the default
// character.
AnsiCodec HostAnsiCodec();

// A Unix file name to UTF-16, in the charset of the locale.
void HostUnixNameToWide(const char* name, size_t len, std::u16string& out);
// UTF-16 to a Unix file name; false when the charset cannot spell it.
bool HostWideToUnixName(const char16_t* text, size_t len, std::string& out);
