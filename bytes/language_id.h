// Windows language identifiers (LANGID) that the version and locale readers
// name.
#pragma once

#include <cstdint>

// English (United States): the language the platform falls back to.
const uint16_t kLangEnglishUs = 0x0409;
