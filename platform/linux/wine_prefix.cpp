#include "platform/linux/wine_prefix.h"

#include <cstdlib>

static std::string g_prefix;
static bool g_known = false;

static void DropTrailingSlashes() {
  while (g_prefix.size() > 1 && g_prefix.back() == '/') g_prefix.pop_back();
}

const std::string& HostWinePrefix() {
  if (!g_known) {
    const char* prefix = getenv("WINEPREFIX");
    if (prefix != nullptr && prefix[0] != '\0') {
      g_prefix = prefix;
    } else {
      const char* home = getenv("HOME");
      g_prefix = (home != nullptr && home[0] != '\0')
                     ? std::string(home) + "/.wine"
                     : std::string();
    }
    DropTrailingSlashes();
    g_known = true;
  }
  return g_prefix;
}

void HostUseWinePrefix(const std::string& dir) {
  g_prefix = dir;
  DropTrailingSlashes();
  g_known = true;
}

void HostForgetWinePrefix() {
  g_known = false;
  g_prefix.clear();
}
