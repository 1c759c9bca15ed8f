// The host's ANSI code page, chosen from the locale the way Wine chooses it,
// and the conversions between it, UTF-16 and UTF-8 that the host layer needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The code page a locale name gives (such as "ja_JP.UTF-8" -> 932). The
// double-byte pages 932, 936, 949 and 950 are carried; every other locale
// gives 1252.
uint32_t CodePageForLocaleName(const char* name);

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

// UTF-8 to UTF-16 (an invalid sequence becomes U+FFFD) and back (a lone
// surrogate becomes U+FFFD).
void HostUtf8ToWide(const char* text, size_t len, std::u16string& out);
void HostWideToUtf8(const char16_t* text, size_t len, std::string& out);
