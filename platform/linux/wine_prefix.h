// The Wine prefix the host build presents as its Windows: $WINEPREFIX when
// set and not empty, otherwise $HOME/.wine, as Wine itself decides.
#pragma once

#include <string>

// The prefix's folder, once known.
struct HostPrefixState {
  bool known = false;
  std::string dir;
};

// The current context's prefix directory, without a trailing slash; empty
// when neither variable gives one. The variables are read once per context.
const std::string& HostWinePrefix();

// Makes `dir` the current context's prefix in place of the variables (the
// host program's --prefix option).
void HostUseWinePrefix(const std::string& dir);
