// The values of a key in a Wine registry file, decoded on demand from the
// key's blocks the way Wine's loader decodes them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "regfile/reg_index.h"

struct RegValue {
  uint32_t type;
  std::vector<unsigned char> data;  // as stored: strings in UTF-16LE
};

// Finds the value by folded name; the last line defining it wins. A value
// whose name parsed but whose data did not is REG_NONE with no data.
bool RegFindValue(const RegHive& hive, int32_t key,
                  const std::u16string& foldedName, RegValue* out);

// True when the key is a symbolic link (a "#link" option in its block).
bool RegIsLink(const RegHive& hive, int32_t key);
