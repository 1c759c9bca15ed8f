// Writing a profile file's new bytes to disk safely, with the real API.
#pragma once

#include <string>

#include "ini/ini_settings.h"

// Reads the file at `path` whole. True with its bytes; false with
// `*missing` set when there is no such file, or clear when it exists but
// cannot be read (or is larger than the INI library handles).
bool ReadProfileFile(const char* path, std::string& bytes, bool* missing);

// Replaces the file at `path` with the run's writes, by one rename over it,
// so that the name never goes missing. The new bytes go into the lock file
// `path` + kProfileLockSuffix, created exclusively and held open by this
// run: a lock that nobody holds open was left by a killed run and is taken
// over; a held one is waited for up to a few seconds, then the old file is
// kept. Inside the lock the file is read again and, when another run
// replaced it since it was loaded, the run's settings are applied to what
// is there now. The lock file is written, flushed, given the old file's
// hidden, system and archive attributes and renamed over the file with
// MoveFileExA (MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). The new
// file's security is that of a new file in the folder: the old file's ACL,
// owner, alternate streams and creation time are not kept.
//
// A file another process holds open without delete sharing cannot be
// replaced: the rename is retried for under half a second, then the old
// file is kept. A file with the read-only attribute, and a symbolic link or
// other reparse point, are left alone. Where the folder refuses the lock
// file, an existing file is rewritten in place and flushed (the only path
// on which a kill can leave a torn file). No lock file is left behind on
// any failure; false on any failure, with `*busy` set when another run
// held the lock or another program the file, and the failing call's error
// left for GetLastError.
bool CommitProfileFile(const char* path, ProfileWrites& writes, bool* busy);
