// The locale a program gets under Wine on this machine: the same C library
// calls in the same order, the same names looked up in Wine's own table.
#pragma once

#include <cstdint>
#include <string>

// The locale, chosen once per run.
struct HostLocaleState {};

struct HostLocaleChoice {
  uint32_t systemLcid;    // from LC_CTYPE: the ANSI code page, the system language
  uint32_t userLcid;      // from LC_MESSAGES: the user language
  uint32_t ansiCodePage;  // 1252 when Wine's table of locales is not found
  uint32_t unixCodePage;  // the charset of LC_CTYPE, for Unix file names
};

// The choice for the environment of the first call, kept for the run.
const HostLocaleChoice& HostLocale();
// Makes the next call choose again (tests that change the environment).
void HostForgetLocale();

// One of Wine's data files (locale.nls, c_NNN.nls): from Wine's data folder,
// else from the prefix's C:\windows\system32, which every prefix carries.
bool HostReadNlsFile(const char* name, std::string& bytes);
