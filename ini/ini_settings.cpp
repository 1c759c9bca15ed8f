// Applying a run's key settings again to the file as it is at the commit.
#include "ini/ini_settings.h"

#include <utility>

void ProfileWritesLoad(ProfileWrites& writes, std::string bytes, bool missing,
                       bool unreadable, const AnsiCodec& ansi) {
  writes.loadedMissing = missing;
  ProfileDocLoad(std::move(bytes), ansi, writes.doc);
  if (unreadable) writes.doc.unreadable = true;
}

bool ProfileWritesRebase(ProfileWrites& writes, std::string now, bool missing) {
  // The document keeps the bytes it was loaded from (a UTF-16 file of odd
  // length gains a byte: it is loaded again, to the same result).
  if (missing != writes.loadedMissing || now != writes.doc.original) {
    ProfileDocument mine = std::move(writes.doc);
    ProfileWritesLoad(writes, std::move(now), missing, false, mine.ansi);
    ProfileDocReapply(mine, writes.doc);
  }
  return writes.doc.changed && !writes.doc.unreadable;
}
