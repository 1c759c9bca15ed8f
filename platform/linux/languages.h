// The languages Wine prefers when a file carries its version resource in
// several languages, derived from the process locale as Wine derives them.
#pragma once

#include <cstdint>

// The user and system default languages of this process.
struct HostLanguages {
  uint16_t user;
  uint16_t system;
};
HostLanguages HostDefaultLanguages();
