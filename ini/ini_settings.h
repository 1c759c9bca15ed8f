// A run's writes to one profile file: the document they were applied to and
// the key settings themselves, in order, so that the commit can apply them
// again to the file as it is then (another run may have replaced it since
// it was loaded).
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
  std::string loaded;         // the file's bytes when `doc` was loaded
  bool loadedMissing = true;  // there was no file then
  // Every setting of the run in order: section, key and value, each ended
  // by a NUL (the arguments are C strings).
  std::string settings;
};

// Loads the file as it was read: `bytes`, empty when it is `missing`; one
// that is there but `unreadable` is never written.
void ProfileWritesLoad(ProfileWrites& writes, std::string bytes, bool missing,
                       bool unreadable, const AnsiCodec& ansi);

// Sets key=value in the document (ProfileDocSet) and records the setting.
void ProfileWritesSet(ProfileWrites& writes, const char* section,
                      const char* key, const char* value);

// At the commit, with the file as it is now (`now`, empty when `missing`):
// when it differs from what was loaded, the document is loaded again from
// it and every setting applied again in order. True when the document then
// differs from the file and is to be written.
bool ProfileWritesRebase(ProfileWrites& writes, std::string now, bool missing);
