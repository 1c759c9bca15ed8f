// The Wine prefix the host build presents as its Windows: $WINEPREFIX when
// set and not empty, otherwise $HOME/.wine, as Wine itself decides.
#pragma once

#include <string>

// The prefix directory, without a trailing slash; empty when neither
// variable gives one.
const std::string& HostWinePrefix();

// Forgets the cached prefix (tests that switch $WINEPREFIX call it).
void HostForgetWinePrefix();
