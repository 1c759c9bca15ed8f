// Process entry of the Windows builds. The error mode is set before anything
// else so that no system error box can ever appear (an empty removable drive
// named in a registry value would raise one). Then, before any library is
// loaded at run time, later loads are kept to the system folder: the
// program's own folder and the working directory may be anyone's.
#include <windows.h>

#include "run/run.h"

// Windows 7 and older have SetDefaultDllDirectories only with an update
// (KB2533623), so it is looked up rather than imported: they still start.
static void KeepLibraryLoadsToSystemFolder() {
  typedef BOOL(WINAPI * SetDefaultDirs)(DWORD);
  SetDefaultDirs setDefault = reinterpret_cast<SetDefaultDirs>(
      reinterpret_cast<void (*)()>(GetProcAddress(
          GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefault != nullptr) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryA("");
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX |
               SEM_NOOPENFILEERRORBOX);
  KeepLibraryLoadsToSystemFolder();
  return RunSearchList();
}
