// Unix locale names as the platform reads them: the Windows locale name a
// Unix name stands for, the code page of a Unix character set, and the
// locale Wine chooses from the names the C library gives.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bytes/language_id.h"
#include "codepage/nls_locale.h"

// The longest locale name, with its terminating zero.
constexpr size_t kLocaleNameCapacity = 85;

// "lang[_country][.charset][@modifier]" as "lang[-Script][-country]": the
// charset is dropped, a script modifier becomes the script, "C" and
// "POSIX" alone are "en-US". A null, empty or "C" name stands for
// `lcAll` (the raw $LC_ALL) instead. False when there is no name, or it is
// too long for `out` (kLocaleNameCapacity bytes).
bool UnixToWindowsLocaleName(const char* unixName, const char* lcAll,
                             char out[kLocaleNameCapacity]);

// The code page of a character set named by nl_langinfo(CODESET)
// (punctuation and case ignored): 65001 for UTF-8, 0 for a set the
// platform does not know.
uint32_t UnixCharsetCodePage(const char* charset);

struct WineLocaleChoice {
  uint32_t systemLcid;    // from LC_CTYPE: the ANSI code page, the system language
  uint32_t userLcid;      // from LC_MESSAGES: the user language
  uint32_t ansiCodePage;  // 1252 when Wine's table of locales is not found
  uint32_t unixCodePage;  // the charset of LC_CTYPE, for Unix file names
};

// The locale Wine gives a program for what the C library tells it: the
// charset of LC_CTYPE after setlocale(LC_CTYPE, ""), the names of LC_CTYPE
// (`system`) and LC_MESSAGES (`user`) after setlocale(LC_ALL, ""), and the
// raw $LC_ALL (null when unset); the names are looked up in Wine's table of
// locales (`table` null when there is none). A system locale the table does
// not describe fully leaves US English, the user locale follows the
// system's when unnamed, and the ANSI code page is the system locale's.
WineLocaleChoice WineChooseLocale(const char* charset, const char* system,
                                  const char* user, const char* lcAll,
                                  const NlsLocaleTable* table);
