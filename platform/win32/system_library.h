// Libraries loaded at run time from the system folder. The programs import
// only known DLLs, which the system loads from its own folder with their
// imports; version.dll is not one, and user32 is one on Windows but Wine's
// imports version.dll from wherever the program's imports are looked for
// (its own folder first). Both are loaded on first use from the system
// folder, never from the program's folder or the working directory, where
// anyone may have put a library of the same name.
#pragma once

#include <windows.h>

// Loads `name` (such as L"version.dll") from the system folder; null when
// it cannot.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The function `name` of `module` as a `Function`; null when the module is
// null or lacks it.
template <typename Function>
Function LibraryFunction(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
