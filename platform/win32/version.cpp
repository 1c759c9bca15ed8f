// Version resources through the real API, with the scratch block the
// platform's version calls want: movable, zero-filled, locked while in use.
// version.dll is loaded on first use from the system folder only
// (system_library.h); when that fails every file reads as one without
// version information.
#include <windows.h>

#include <cstdint>

#include "platform/platform.h"
#include "platform/win32/system_library.h"

namespace {

struct VersionApi {
  decltype(&GetFileVersionInfoSizeA) size;
  decltype(&GetFileVersionInfoA) read;
  decltype(&VerQueryValueA) query;
};

// Loads the library on the first call; a library without all three
// functions counts as none.
const VersionApi& Api() {
  static const VersionApi api = [] {
    HMODULE module = LoadSystemLibrary(L"version.dll");
    VersionApi a = {
        LibraryFunction<decltype(a.size)>(module, "GetFileVersionInfoSizeA"),
        LibraryFunction<decltype(a.read)>(module, "GetFileVersionInfoA"),
        LibraryFunction<decltype(a.query)>(module, "VerQueryValueA")};
    if (!a.size || !a.read || !a.query) a = {};
    return a;
  }();
  return api;
}

}  // namespace

uint32_t PlatformVersionInfoSize(const char* path) {
  const VersionApi& api = Api();
  DWORD handle = 0;
  return api.size != nullptr ? api.size(path, &handle) : 0;
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
  const VersionApi& api = Api();
  return api.read != nullptr && api.read(path, 0, size, block) != 0;
}

bool PlatformVersionQueryRoot(void* block, const void** record, uint32_t* len) {
  const VersionApi& api = Api();
  void* found = nullptr;
  UINT length = 0;
  BOOL ok = api.query != nullptr && api.query(block, "\\", &found, &length);
  *record = found;
  *len = length;
  return ok != 0;
}
