// What a Unix locale name ("language[_COUNTRY][.codeset][@modifier]") gives
// a Windows program.
#pragma once

#include <cstdint>

// The ANSI code page: 932, 936, 949 or 950 for the double-byte languages,
// 1252 for every other name and for null.
uint32_t CodePageForLocaleName(const char* name);

// The LANGID of the locale (a bare language gives its default country), or
// 0 for a name that names none. Case is ignored, '-' stands for '_', the
// codeset is ignored and "@latin" selects the Latin script.
uint16_t LangIdForLocaleName(const char* name);
