// Version resources through the real API, with the scratch block the
// platform's version calls want: movable, zero-filled, locked while in use.
#include <windows.h>

#include <cstdint>

#include "platform/platform.h"

uint32_t PlatformVersionInfoSize(const char* path) {
  DWORD handle = 0;
  return GetFileVersionInfoSizeA(path, &handle);
}

void* PlatformVersionBlockAlloc(uint32_t size) {
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (handle == nullptr) return nullptr;
  void* block = GlobalLock(handle);
  if (block == nullptr) GlobalFree(handle);
  return block;
}

void PlatformVersionBlockFree(void* block) {
  HGLOBAL handle = GlobalHandle(block);
  GlobalUnlock(handle);
  GlobalFree(handle);
}

bool PlatformVersionInfoRead(const char* path, uint32_t size, void* block) {
  return GetFileVersionInfoA(path, 0, size, block) != 0;
}

bool PlatformVersionQueryRoot(void* block, const void** record, uint32_t* len) {
  void* found = nullptr;
  UINT length = 0;
  BOOL ok = VerQueryValueA(block, "\\", &found, &length);
  *record = found;
  *len = length;
  return ok != 0;
}
