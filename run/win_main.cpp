// Process entry of the Windows builds. The error mode is set before anything
// else so that no system error box can ever appear (an empty removable drive
// named in a registry value would raise one).
#include <windows.h>

#include "run/run.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX |
               SEM_NOOPENFILEERRORBOX);
  return RunSearchList();
}
