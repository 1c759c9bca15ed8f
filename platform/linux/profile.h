// The host's profile (INI) files: what the platform calls read and write,
// and the host-only services around them.
#pragma once

#include <string>

#include "ini/profile_session.h"

// After PlatformCommitProfiles: the first file written to that it could not
// write (one that was there but could not be read, and so was never
// changed, counts too), with the reason as an errno value in *reason: the
// failing call's error, EISDIR for a directory, or EACCES for a file kept as
// read-only or unreadable. Empty when every changed file was written.
const std::string& HostProfileNotWritten(int* reason);
