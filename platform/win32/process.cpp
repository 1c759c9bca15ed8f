// The running executable's path, from the real API.
#include <windows.h>

#include <cstdint>

#include "platform/platform.h"

uint32_t PlatformModulePath(char* buf, uint32_t size) {
  return GetModuleFileNameA(nullptr, buf, size);
}
