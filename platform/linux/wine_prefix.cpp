#include "platform/linux/wine_prefix.h"

#include <cstdlib>

#include "platform/linux/host_context.h"

const std::string& HostWinePrefix() {
  HostPrefixState& state = Host().prefix;
  if (!state.known) {
    const char* prefix = getenv("WINEPREFIX");
    const char* home = getenv("HOME");
    if (prefix != nullptr && prefix[0] != '\0') {
      HostUseWinePrefix(prefix);
    } else {
      HostUseWinePrefix(home != nullptr && home[0] != '\0'
                            ? std::string(home) + "/.wine"
                            : std::string());
    }
  }
  return state.dir;
}

void HostUseWinePrefix(const std::string& dir) {
  HostPrefixState& state = Host().prefix;
  state.dir = dir;
  while (state.dir.size() > 1 && state.dir.back() == '/') state.dir.pop_back();
  state.known = true;
}
