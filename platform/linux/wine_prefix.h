// The Wine prefix the host build presents as its Windows: $WINEPREFIX when
// set and not empty, otherwise $HOME/.wine, as Wine itself decides.
#pragma once

#include <string>

// The prefix's folder, once known.
struct HostPrefixState {};

// The prefix directory, without a trailing slash; empty when neither
// variable gives one.
const std::string& HostWinePrefix();

// Makes `dir` the prefix in place of the variables (the host program's
// --prefix option).
void HostUseWinePrefix(const std::string& dir);

// Forgets the cached prefix (tests that switch $WINEPREFIX call it).
void HostForgetWinePrefix();
