// The case mapping as the platform's table holds it: three levels of 256,
// 16 and 16 entries, the last giving what to add to the unit.
#include "unicode/upper_case.h"

#include <cstdint>

#include "unicode/ascii_fold.h"

namespace {

const uint16_t kUpperCase[] = {
#include "unicode/upper_case_table.inc"
};

}  // namespace

char16_t UpperCaseUnit(char16_t u) {
  if (u < 0x80) return AsciiUpper(u);
  uint16_t block = kUpperCase[kUpperCase[u >> 8] + ((u >> 4) & 15)];
  return static_cast<char16_t>(u + kUpperCase[block + (u & 15)]);
}

void UpperCaseText(std::u16string& text) {
  for (char16_t& u : text) u = UpperCaseUnit(u);
}
