// The host registry's cache of the Wine prefix's registry files.
#pragma once

// The registry files read, in the program's view and the other one.
struct HostRegistryState {};

// Forgets the files read so far; the next lookup reads them again from the
// current prefix (tests that switch $WINEPREFIX call it).
void HostForgetRegistry();

// Whether this program sees what Wine gives a 32-bit program in a 64-bit
// prefix: the registry's 32-bit view and the file-system redirection. True
// for instprobe32 when the prefix's system.reg says "#arch=win64"; reads the
// registry files when they are not read yet.
bool HostSeesWow64();
