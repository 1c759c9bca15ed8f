// A run's writes to one profile file, held in the document they were applied
// to, so that the commit can apply them again to the file as it is then
// (another run may have replaced it since it was loaded).
#pragma once

#include <string>

#include "codepage/ansi_codec.h"
#include "ini/ini_document.h"

// The name beside a profile file, its own name plus this suffix, under
// which every build writes the file's new bytes before they replace it. The
// one fixed name serves as the lock that lets one run at a time commit, and
// as a name no other program uses, so that a run can remove what a killed
// run left.
const char kProfileLockSuffix[] = ".instprobe-lock";

struct ProfileWrites {
  ProfileDocument doc;
  bool loadedMissing = true;  // there was no file when `doc` was loaded
};

// Loads the file as it was read: `bytes`, empty when it is `missing`; one
// that is there but `unreadable` is never written.
void ProfileWritesLoad(ProfileWrites& writes, std::string bytes, bool missing,
                       bool unreadable, const AnsiCodec& ansi);

// At the commit, with the file as it is now (`now`, empty when `missing`):
// when it differs from what was loaded, the document is loaded again from
// it and every key line the run added or changed is set again
// (ProfileDocReapply). True when the document then differs from the file
// and is to be written.
bool ProfileWritesRebase(ProfileWrites& writes, std::string now, bool missing);
