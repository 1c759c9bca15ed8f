// The locales the differential suite runs every build in: one of each
// family of ANSI code pages Wine chooses, and two locales the C library does
// not have. Each carries a text in its own script, which the lab holds in
// registry keys, values and directory names.
#pragma once

#include <string>
#include <vector>

struct LocaleCase {
  std::string name;    // a test name: letters, digits and '_'
  std::string env;     // the one locale variable set, "LC_ALL=ru_RU.UTF-8"
  std::string charset; // the ANSI code page Wine gives, for iconv
  std::string native;  // UTF-8
};

const std::vector<LocaleCase>& LocaleCases();

// The lab's key of a locale: HKLM\Software\Lab\Intl\<name>, whose values
// InstallDir and <native> name C:\lab\intl\<native>, which holds editor.exe.
std::string IntlKey(const LocaleCase& locale);

// UTF-8 text in `charset`; characters it lacks are dropped.
std::string EncodeText(const std::string& utf8, const std::string& charset);
