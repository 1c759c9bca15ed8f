// The host's profile (INI) files: what the platform calls read and write,
// and the host-only services around them.
#pragma once

// Forgets every file read so far; the next read loads the file again. A run
// reads each file once; tests and fuzzing that read many files call it.
void HostForgetProfiles();
