// A Windows program that holds a file open for reading with read and write
// sharing but no delete sharing, as an editor or viewer may, until a flag
// file it creates is removed (at most a minute).
// Usage: hold_open FILE FLAG
#include <windows.h>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  HANDLE file =
      CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  HANDLE flag = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (flag == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(flag);
  for (int i = 0;
       i < 6000 && GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES; ++i)
    Sleep(10);
  CloseHandle(file);
  return 0;
}
