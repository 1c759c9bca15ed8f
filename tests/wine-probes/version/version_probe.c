/* Runs the version probe's call sequence on each file named on the command
 * line and writes one line per file to the output file (argv[1]):
 *   <size> <error> <query ok> <len> <record offset or -1> <dwFileVersionMS>
 * where dwFileVersionMS is read only when len >= 52 and the 52 bytes lie
 * inside the block (otherwise 0), exactly as the program does. The first
 * line gives the locale the process runs under:
 *   langs <user default LANGID> <system default LANGID> <thread LCID> <ACP>
 */
#include <stdio.h>
#include <string.h>
#include <windows.h>

static void ProbeOne(FILE* out, const char* path) {
  DWORD handle = 0xFFFFFFFF;
  SetLastError(0);
  DWORD size = GetFileVersionInfoSizeA(path, &handle);
  DWORD err = GetLastError();
  if (size == 0) {
    fprintf(out, "%lu %lu - - - 0\n", (unsigned long)size, (unsigned long)err);
    return;
  }
  HGLOBAL mem = GlobalAlloc(0x42, size);
  unsigned char* block = (unsigned char*)GlobalLock(mem);
  unsigned long ms = 0;
  long offset = -1;
  UINT len = 0;
  BOOL ok = FALSE;
  if (GetFileVersionInfoA(path, 0, size, block)) {
    void* record = NULL;
    ok = VerQueryValueA(block, "\\", &record, &len);
    if (ok && record != NULL) {
      unsigned char* at = (unsigned char*)record;
      if (at >= block && at <= block + size) offset = (long)(at - block);
      if (len >= 52 && at >= block && (unsigned long long)(at - block) + 52 <= size) {
        memcpy(&ms, at + 8, 4);
      }
    }
  }
  GlobalUnlock(GlobalHandle(block));
  GlobalFree(GlobalHandle(block));
  fprintf(out, "%lu %lu %d %u %ld %08lx\n", (unsigned long)size,
          (unsigned long)err, ok ? 1 : 0, len, offset, ms);
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  FILE* out = fopen(argv[1], "w");
  if (out == NULL) return 3;
  fprintf(out, "langs %04x %04x %08lx %u\n", GetUserDefaultLangID(),
          GetSystemDefaultLangID(), (unsigned long)GetThreadLocale(),
          GetACP());
  for (int i = 2; i < argc; ++i) {
    ProbeOne(out, argv[i]);
    fflush(out);
  }
  fclose(out);
  return 0;
}
