#include <windows.h>

#include "platform/platform.h"

bool PlatformFileExists(const char* path) {
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}
