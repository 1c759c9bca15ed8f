// Profile files through the platform's own calls. They write through at
// once, so there is nothing left to commit at the end of a run.
#include <windows.h>

#include "platform/platform.h"

uint32_t PlatformReadProfile(const char* section, const char* key,
                             const char* def, char* buf, uint32_t size,
                             const char* path) {
  return GetPrivateProfileStringA(section, key, def, buf, size, path);
}

void PlatformWriteProfile(const char* section, const char* key,
                          const char* value, const char* path) {
  WritePrivateProfileStringA(section, key, value, path);
}

void PlatformCommitProfiles() {}
