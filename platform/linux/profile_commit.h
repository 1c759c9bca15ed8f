// Writing a profile file's new bytes to disk safely.
#pragma once

#include <string>

// Replaces the file at `path` with `bytes`: through a temporary file in the
// same directory, fsync'd and renamed over it, keeping the old file's mode,
// owner and group; a symbolic link is written through to its target. A file
// without any write permission bit is read-only and is left alone. Where the
// directory refuses the temporary file, an existing writable file is
// rewritten in place. Returns false, with the old file untouched wherever
// that can be kept, on any failure.
bool ProfileCommitFile(const char* path, const std::string& bytes);

// Test hook: makes the nth write() of later commits fail (1 = the first),
// as a full disk would; 0 turns it off.
void ProfileCommitFailWriteForTest(int nth);
