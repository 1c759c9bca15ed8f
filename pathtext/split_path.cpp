#include "pathtext/pathtext.h"

// Longest drive-less directory part kept, as the platform's split keeps it.
static const size_t kMaxPart = 255;

void SplitPath(const char* path, char* drive, size_t driveCapacity, char* dir,
               size_t dirCapacity) {
  const char* rest = path;
  // The drive test looks at the second byte alone, whatever the first is.
  if (path[0] != '\0' && path[1] == ':') {
    if (driveCapacity > 0) {
      size_t k = 0;
      for (; k < 2 && k + 1 < driveCapacity; ++k) drive[k] = path[k];
      drive[k] = '\0';
    }
    rest = path + 2;
  } else if (driveCapacity > 0) {
    drive[0] = '\0';
  }

  long backslash = FindLastChar(rest, '\\'), slash = FindLastChar(rest, '/');
  size_t afterLastSeparator =
      static_cast<size_t>((backslash > slash ? backslash : slash) + 1);

  size_t take = afterLastSeparator < kMaxPart ? afterLastSeparator : kMaxPart;
  // The directory part ends on a character boundary, so a plain bounded copy
  // of its bytes keeps double-byte characters whole.
  CopyBytes(dir, dirCapacity, rest, take);
}
