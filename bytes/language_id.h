// Windows language identifiers (LANGID) that the version and locale readers
// name.
#pragma once

#include <cstdint>

// English (United States): the language the platform falls back to, as a
// language and as a locale (LCID) alike.
const uint16_t kLangEnglishUs = 0x0409;
