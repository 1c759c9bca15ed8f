// A stand-in for an installed program: it does nothing, but carries a
// version resource for the demo to find.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
