// Loading a library from the system folder only.
#include "platform/win32/system_library.h"

#include <string.h>

// The loader knows LOAD_LIBRARY_SEARCH_SYSTEM32 wherever it has
// SetDefaultDllDirectories (Windows 8, or 7 with its update); elsewhere the
// library is named by its full path, and its own imports are looked for
// beside it first.
HMODULE LoadSystemLibrary(const wchar_t* name) {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (GetProcAddress(kernel, "SetDefaultDllDirectories") != nullptr)
    return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  wchar_t path[MAX_PATH + 1 + 32];
  size_t nameLength = wcslen(name);
  UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH || nameLength >= 32) return nullptr;
  path[length] = L'\\';
  memcpy(path + length + 1, name, (nameLength + 1) * sizeof(wchar_t));
  return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
