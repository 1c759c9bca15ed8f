// The host's ANSI code page: chosen from the locale the way Wine chooses it,
// 1252 from its own table and the double-byte pages through the C library's
// iconv.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "codepage/ansi_codec.h"

// The active code page: from the first of LC_ALL, LC_CTYPE and LANG that is
// set and not empty, fixed on first use.
uint32_t HostAnsiCodePage();
// Switches the active code page (tests use it).
void HostSelectCodePage(uint32_t codePage);
bool HostIsLeadByte(unsigned char b);
// ANSI bytes to UTF-16; a byte or pair the code page does not define becomes
// '?'.
void HostAnsiToWide(const char* text, size_t len, std::u16string& out);
// UTF-16 to ANSI with the platform's best fit; what has none becomes '?'.
void HostWideToAnsi(const char16_t* text, size_t len, std::string& out);
// The active code page's conversions, for the portable readers and writers.
AnsiCodec HostAnsiCodec();
