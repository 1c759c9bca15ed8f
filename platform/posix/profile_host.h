// Host-only services of the profile reader.
#pragma once

// Forgets every search list read so far; the next read loads the file again.
// A run reads each file once; tests and fuzzing that read many files call it.
void HostForgetProfiles();
