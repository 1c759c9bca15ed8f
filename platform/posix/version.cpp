// PLACEHOLDER (replaced by the PE version reader): no version information.
#include <cstdlib>

#include "platform/platform.h"

uint32_t PlatformVersionInfoSize(const char*) { return 0; }
void* PlatformVersionBlockAlloc(uint32_t size) { return calloc(1, size); }
void PlatformVersionBlockFree(void* block) { free(block); }
bool PlatformVersionInfoRead(const char*, uint32_t, void*) { return false; }
bool PlatformVersionQueryRoot(void*, const void**, uint32_t*) { return false; }
