// PLACEHOLDER (replaced by the host profile reader and writer).
#include <cstring>

#include "platform/platform.h"

uint32_t PlatformReadProfile(const char*, const char*, const char* def,
                             char* buf, uint32_t size, const char*) {
  if (size == 0) return 0;
  strncpy(buf, def, size - 1);
  buf[size - 1] = 0;
  return static_cast<uint32_t>(strlen(buf));
}
void PlatformWriteProfile(const char*, const char*, const char*, const char*) {}
void PlatformCommitProfiles() {}
