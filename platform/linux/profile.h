// The host's profile (INI) files: what the platform calls read and write,
// and the host-only services around them.
#pragma once

#include <string>

// The profile documents of the run.
struct HostProfileState {};

// Forgets every file read so far; the next read loads the file again. A run
// reads each file once; tests and fuzzing that read many files call it.
void HostForgetProfiles();

// After PlatformCommitProfiles: the first file written to that it could not
// write (one that was there but could not be read, and so was never
// changed, counts too), with the reason as an errno value in *reason; empty
// when every changed file was written.
const std::string& HostProfileNotWritten(int* reason);
