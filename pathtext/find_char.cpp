// Character searches that never match the trail byte of a double-byte
// character.
#include "pathtext/pathtext.h"

// Calls visit(position) for every single-byte character equal to c.
template <typename Visit>
static void ScanFor(const char* text, char c, Visit visit) {
  size_t i = 0;
  while (text[i] != '\0') {
    if (IsLeadByte(static_cast<unsigned char>(text[i])) && text[i + 1] != '\0') {
      i += 2;
      continue;
    }
    if (text[i] == c) {
      if (!visit(i)) return;
    }
    i += 1;
  }
}

long FindFirstChar(const char* text, char c) {
  long found = -1;
  ScanFor(text, c, [&](size_t i) {
    found = static_cast<long>(i);
    return false;
  });
  return found;
}

long FindLastChar(const char* text, char c) {
  long found = -1;
  ScanFor(text, c, [&](size_t i) {
    found = static_cast<long>(i);
    return true;
  });
  return found;
}
