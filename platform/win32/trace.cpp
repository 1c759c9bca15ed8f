// The trace on Windows: an inherited standard error handle, else the
// console of the process that started the program (never a new console or
// window), or a file appended to. Lines are gathered in a buffer and
// written out when it fills and at the end; a console gets them as UTF-16.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "platform/platform.h"

namespace {

HANDLE g_out = INVALID_HANDLE_VALUE;
bool g_console = false;
bool g_file = false;
char g_buffer[1 << 15];
WCHAR g_wide[1 << 15];
DWORD g_used = 0;

void Flush() {
  if (g_console) {
    int units = MultiByteToWideChar(CP_UTF8, 0, g_buffer,
                                    static_cast<int>(g_used), g_wide,
                                    sizeof g_wide / sizeof g_wide[0]);
    DWORD put = 0;
    if (units > 0) WriteConsoleW(g_out, g_wide, units, &put, nullptr);
  } else {
    DWORD done = 0;
    while (done < g_used) {
      DWORD put = 0;
      if (!WriteFile(g_out, g_buffer + done, g_used - done, &put, nullptr) ||
          put == 0)
        break;
      done += put;
    }
  }
  g_used = 0;
}

bool IsDosAbsolute(const char* path) {
  bool drive = ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z' &&
                path[1] == ':' && (path[2] == '\\' || path[2] == '/'));
  bool unc = (path[0] == '\\' || path[0] == '/') &&
             (path[1] == '\\' || path[1] == '/');
  return drive || unc;
}

// The full path with its long names where the file or folder exists.
void FullPath(const char* path, char* out, DWORD size) {
  char full[MAX_PATH * 2];
  DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
  if (n == 0 || n >= sizeof full) {
    lstrcpynA(out, path, static_cast<int>(size));
    return;
  }
  n = GetLongPathNameA(full, out, size);
  if (n == 0 || n >= size) lstrcpynA(out, full, static_cast<int>(size));
}

bool SameFile(const char* a, const char* b) {
  char fullA[MAX_PATH * 2];
  char fullB[MAX_PATH * 2];
  FullPath(a, fullA, sizeof fullA);
  FullPath(b, fullB, sizeof fullB);
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, fullA, -1, fullB,
                        -1) == CSTR_EQUAL;
}

// Standard error as the starting process handed it over, else the console
// of that process.
HANDLE StandardError() {
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err != nullptr && err != INVALID_HANDLE_VALUE &&
      GetFileType(err) != FILE_TYPE_UNKNOWN)
    return err;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return INVALID_HANDLE_VALUE;
  return CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, 0, nullptr);
}

}  // namespace

bool PlatformTraceOpen(const char* listPath, const char* varsPath,
                       bool* listFound) {
  char where[MAX_PATH * 2];
  DWORD n = GetEnvironmentVariableA("INSTPROBE_TRACE", where, sizeof where);
  if (n == 0 || n >= sizeof where) return false;
  if (strcmp(where, "1") == 0) {
    g_out = StandardError();
    DWORD mode = 0;
    g_console = g_out != INVALID_HANDLE_VALUE && GetConsoleMode(g_out, &mode);
  } else if (IsDosAbsolute(where)) {
    if (SameFile(where, listPath) || SameFile(where, varsPath)) return false;
    g_out = CreateFileA(where, FILE_APPEND_DATA,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    g_file = true;
  }
  if (g_out == INVALID_HANDLE_VALUE) return false;
  *listFound = GetFileAttributesA(listPath) != INVALID_FILE_ATTRIBUTES;
  return true;
}

void PlatformTraceLine(const char* line, uint32_t len) {
  if (g_out == INVALID_HANDLE_VALUE) return;
  if (len + 2 > sizeof g_buffer - g_used) Flush();
  if (len + 2 > sizeof g_buffer) len = sizeof g_buffer - 2;
  memcpy(g_buffer + g_used, line, len);
  g_used += len;
  // A console shows a line end as CR LF; a file gets the same line ends
  // from every build.
  if (g_console) g_buffer[g_used++] = '\r';
  g_buffer[g_used++] = '\n';
}

void PlatformTraceClose() {
  if (g_out == INVALID_HANDLE_VALUE) return;
  Flush();
  if (g_file) CloseHandle(g_out);
  g_out = INVALID_HANDLE_VALUE;
}

uint32_t PlatformAnsiToUtf8(const char* text, char* out, uint32_t size) {
  if (size == 0) return 0;
  WCHAR wide[1100];
  int units = MultiByteToWideChar(CP_ACP, 0, text, -1, wide,
                                  sizeof wide / sizeof wide[0]);
  if (units <= 0) {
    out[0] = '\0';
    return 0;
  }
  // Drops whole characters from the end until the UTF-8 form fits.
  int bytes = 0;
  for (int keep = units - 1; keep >= 0; --keep) {
    bytes = WideCharToMultiByte(CP_UTF8, 0, wide, keep, out,
                                static_cast<int>(size) - 1, nullptr, nullptr);
    if (bytes > 0 || keep == 0) break;
  }
  out[bytes] = '\0';
  return static_cast<uint32_t>(bytes);
}

uint32_t PlatformDosPathUtf8(const char* path, char* out, uint32_t size) {
  return PlatformAnsiToUtf8(path, out, size);
}
