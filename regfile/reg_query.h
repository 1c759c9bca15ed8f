// The data RegQueryValueExA returns for a registry value: the rules of the
// Win32 call over a value as the files store it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "regfile/reg_value.h"

// The value types whose data are text: the files store them in UTF-16LE and
// the ANSI call returns them in the ANSI code page.
const uint32_t kRegSz = 1;
const uint32_t kRegExpandSz = 2;
const uint32_t kRegMultiSz = 7;

// RegQueryValueExA's answer when the data do not fit the buffer.
const long kRegErrorMoreData = 234;

// UTF-16 to the ANSI code page, as the platform converts registry text;
// replaces what `out` held.
using RegWideToAnsi = void (*)(const char16_t* text, size_t len,
                               std::string& out);

// Fills `data` (room: `*size` bytes; null asks only the size) as
// RegQueryValueExA does and sets `*size` to the length of the data. Text
// comes back converted, all of the stored data (an odd last byte dropped),
// with a terminator added only when there is room and the text does not end
// with one; other types come back as stored. Returns 0, or
// kRegErrorMoreData, leaving the buffer untouched, when the data need more
// room.
long RegQueryData(const RegValue& value, RegWideToAnsi toAnsi,
                  unsigned char* data, uint32_t* size);
