#include <cstdint>
#include <cstdio>

#include "pathtext/pathtext.h"

void FormatDecimal(char* dest, size_t capacity, const char* prefix,
                   int32_t value) {
  snprintf(dest, capacity, "%s%ld", prefix, static_cast<long>(value));
}
