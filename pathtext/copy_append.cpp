#include "pathtext/pathtext.h"

// Stores at most `limit` bytes of src at dest + start (and never past
// capacity - 1), whole characters only, then the terminator.
static void PutBytes(char* dest, size_t capacity, size_t start,
                     const char* src, size_t limit) {
  if (capacity == 0) return;
  if (start >= capacity) start = capacity - 1;
  size_t room = capacity - 1 - start;
  if (limit > room) limit = room;
  size_t i = 0;
  while (i < limit && src[i] != '\0') {
    if (IsLeadByte(static_cast<unsigned char>(src[i]))) {
      // A lead byte needs its trail byte beside it within the limit.
      if (src[i + 1] == '\0' || i + 2 > limit) break;
      dest[start + i] = src[i];
      dest[start + i + 1] = src[i + 1];
      i += 2;
    } else {
      dest[start + i] = src[i];
      i += 1;
    }
  }
  dest[start + i] = '\0';
}

void CopyBytes(char* dest, size_t destCapacity, const char* src, size_t n) {
  PutBytes(dest, destCapacity, 0, src, n);
}

void AppendBytes(char* dest, size_t destCapacity, const char* src, size_t n) {
  if (destCapacity == 0) return;
  // Walk dest by characters to find its end; a lead byte directly before
  // the terminator is a lone half character and is written over.
  size_t end = 0;
  while (end < destCapacity && dest[end] != '\0') {
    if (IsLeadByte(static_cast<unsigned char>(dest[end]))) {
      if (end + 1 >= destCapacity || dest[end + 1] == '\0') break;
      end += 2;
    } else {
      end += 1;
    }
  }
  PutBytes(dest, destCapacity, end, src, n);
}
