// The host registry's cache of the Wine prefix's registry files.
#pragma once

// Forgets the files read so far; the next lookup reads them again from the
// current prefix (tests that switch $WINEPREFIX call it).
void HostForgetRegistry();
