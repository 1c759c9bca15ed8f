// PLACEHOLDER (replaced by the Wine registry reader): an empty registry.
#include "platform/platform.h"

long PlatformRegOpenKey(PlatformKey, const char*, PlatformKey*) { return 2; }
long PlatformRegQueryValue(PlatformKey, const char*, uint32_t*, unsigned char*,
                           uint32_t*) {
  return 2;
}
void PlatformRegCloseKey(PlatformKey) {}
