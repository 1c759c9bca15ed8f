// Directory texts end with a backslash. Only the last byte is examined, so a
// double-byte character whose trail byte is 0x5C counts as a final backslash.
#include <cstring>

#include "pathtext/pathtext.h"

void EnsureTrailingBackslash(char* text, size_t capacity) {
  size_t len = strnlen(text, capacity);
  if (len > 0 && text[len - 1] == '\\') return;
  AppendBytes(text, capacity, "\\", kPathCapacity);
}
