// Reports GetFileAttributesA for a list of paths. Input: one path a line,
// written as hex bytes (so any ANSI byte passes unchanged). Output: one line
// a path, "A <hex attributes>" or "E <error number>".
#include <windows.h>

#include <cstdio>
#include <cstring>

static int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  FILE* in = fopen(argv[1], "rb");
  FILE* out = fopen(argv[2], "wb");
  if (in == nullptr || out == nullptr) return 2;
  static char line[8192];
  static char path[4096];
  while (fgets(line, sizeof line, in) != nullptr) {
    size_t n = 0;
    for (size_t i = 0; line[i] != '\0' && line[i + 1] != '\0' &&
                       n + 1 < sizeof path;
         i += 2) {
      int hi = HexValue(line[i]);
      int lo = HexValue(line[i + 1]);
      if (hi < 0 || lo < 0) break;
      path[n++] = static_cast<char>(hi * 16 + lo);
    }
    path[n] = '\0';
    SetLastError(0);
    DWORD attrs = GetFileAttributesA(path);
    if (attrs == INVALID_FILE_ATTRIBUTES) {
      fprintf(out, "E %lu\n", GetLastError());
    } else {
      fprintf(out, "A %lx\n", attrs);
    }
  }
  fclose(out);
  fclose(in);
  return 0;
}
