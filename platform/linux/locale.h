// The locale a program gets under Wine on this machine: the same C library
// calls in the same order, the names looked up in Wine's own table.
#pragma once

#include <string>

#include "codepage/unix_locale_name.h"

// The locale, chosen once per context.
struct HostLocaleState {
  bool known = false;
  WineLocaleChoice choice = {};
};

// The choice for the environment of the current context's first call.
const WineLocaleChoice& HostLocale();

// One of Wine's data files (locale.nls, c_NNN.nls): from Wine's data folder,
// else from the prefix's C:\windows\system32, which every prefix carries.
bool HostReadNlsFile(const char* name, std::string& bytes);
