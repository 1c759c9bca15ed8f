// Writes keys with WritePrivateProfileStringA, in the order given.
// Usage: write_profile.exe INI (SECTION KEY VALUE)...
#include <windows.h>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  int failed = 0;
  for (int i = 2; i + 2 < argc; i += 3)
    if (!WritePrivateProfileStringA(argv[i], argv[i + 1], argv[i + 2], argv[1]))
      ++failed;
  return failed;
}
