// Character searches that never match the trail byte of a double-byte
// character.
#include "pathtext/pathtext.h"

// Position of the first (or, with `last`, the last) single-byte character
// equal to c, or -1.
static long Find(const char* text, char c, bool last) {
  long found = -1;
  for (size_t i = 0; text[i] != '\0'; ++i) {
    if (IsLeadByte(static_cast<unsigned char>(text[i])) && text[i + 1] != '\0') {
      ++i;
    } else if (text[i] == c) {
      found = static_cast<long>(i);
      if (!last) break;
    }
  }
  return found;
}

long FindFirstChar(const char* text, char c) { return Find(text, c, false); }

long FindLastChar(const char* text, char c) { return Find(text, c, true); }
