// Unix locale names as the platform reads them: the Windows locale name a
// Unix name stands for, and the code page of a Unix character set.
#pragma once

#include <cstddef>
#include <cstdint>

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
