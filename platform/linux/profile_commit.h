// Writing a profile file's new bytes to disk safely.
#pragma once

#include "ini/ini_settings.h"

// Replaces the file at `path` with the run's writes. The new bytes go into
// the lock file `path` + kProfileLockSuffix, created exclusively and held
// with flock (a lock whose flock is free was left by a killed run and is
// taken over; a held one is waited for up to a few seconds, then the old
// file is kept); inside the lock the file is read again and, when another
// run replaced it since it was loaded, the run's settings are applied to
// what is there now. The lock file is fsync'd, given the old file's mode,
// owner and group, and renamed over the file; the directory is fsync'd.
//
// A symbolic link is written through to its target, so it stays a link,
// only where Linux's protected_symlinks rule lets it be followed: a link in
// a sticky, world-writable directory must belong to the running user or to
// the directory's owner; otherwise the file is left alone. A file without
// any write permission bit is read-only and is left alone. Where the
// directory refuses the lock file, an existing writable file is rewritten
// in place (the only path on which a kill can leave a torn file). Returns
// false, with the old file untouched wherever that can be kept and no lock
// file left, on any failure: `*busy` is set when another run held the lock
// past the wait, and errno tells the failing call's error.
bool ProfileCommitFile(const char* path, ProfileWrites& writes, bool* busy);

// Test hook: makes the nth write() of later commits fail (1 = the first),
// as a full disk would; 0 turns it off.
void ProfileCommitFailWriteForTest(int nth);
