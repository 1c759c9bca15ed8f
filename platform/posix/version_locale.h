// The languages Wine prefers when a file carries its version resource in
// several languages, derived from the process locale as Wine derives them.
#pragma once

#include <cstdint>

// The Windows LANGID of a POSIX locale name such as "de_DE.UTF-8", "de",
// "de-AT" or "sr_RS@latin"; 0 when the name is not one Wine knows (then Wine
// falls back to US English).
uint16_t LangIdForLocaleName(const char* name);

// The user and system default languages of this process.
struct HostLanguages {
  uint16_t user;
  uint16_t system;
};
HostLanguages HostDefaultLanguages();
