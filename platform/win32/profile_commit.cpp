// Whole-file reads and atomic replacement of profile files.
#include "platform/win32/profile_commit.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "ini/ini_text.h"

namespace {

bool WriteAll(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(
        bytes.size() - done < (1u << 20) ? bytes.size() - done : (1u << 20));
    DWORD put = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &put, nullptr) || put == 0)
      return false;
    done += put;
  }
  return true;
}

// Writes `bytes` into an open file from its start, cuts it there and
// flushes it; closes the handle.
bool WriteAndClose(HANDLE file, const std::string& bytes) {
  bool ok = WriteAll(file, bytes) && SetEndOfFile(file) &&
            FlushFileBuffers(file);
  return CloseHandle(file) && ok;
}

bool RewriteInPlace(const char* path, const std::string& bytes) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  return WriteAndClose(file, bytes);
}

}  // namespace

bool ReadProfileFile(const char* path, std::string& bytes, bool* missing) {
  bytes.clear();
  HANDLE file = CreateFileA(path, GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    *missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return false;
  }
  *missing = false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
            static_cast<uint64_t>(size.QuadPart) <= kProfileMaxBytes;
  if (ok) {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (ok && done < bytes.size()) {
      DWORD got = 0;
      DWORD want = static_cast<DWORD>(bytes.size() - done);
      ok = ReadFile(file, &bytes[done], want, &got, nullptr) && got > 0;
      done += got;
    }
  }
  CloseHandle(file);
  if (!ok) bytes.clear();
  return ok;
}

bool CommitProfileFile(const char* path, const std::string& bytes) {
  DWORD attrs = GetFileAttributesA(path);
  bool exists = attrs != INVALID_FILE_ATTRIBUTES;
  // The read-only attribute is an administrator's word: the file stays.
  if (exists && (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return false;
  char dir[MAX_PATH];
  size_t len = strlen(path);
  if (len >= sizeof dir) return false;
  memcpy(dir, path, len + 1);
  char* slash = strrchr(dir, '\\');
  char* other = strrchr(dir, '/');
  if (other > slash) slash = other;
  if (slash != nullptr)
    *slash = '\0';
  else
    strcpy(dir, ".");
  char tmp[MAX_PATH];
  if (GetTempFileNameA(dir, "stv", 0, tmp) == 0) {
    // No temporary file beside it (the folder is not writable): an existing
    // file that may be written is rewritten where it is.
    return exists && RewriteInPlace(path, bytes);
  }
  HANDLE file = CreateFileA(tmp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  bool written = file != INVALID_HANDLE_VALUE && WriteAndClose(file, bytes);
  bool ok = written;
  if (ok && exists)
    ok = ReplaceFileA(path, tmp, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                      nullptr, nullptr) != 0;
  else if (ok)
    ok = MoveFileExA(tmp, path, MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) {
    // A replacement that failed after the old file was moved away leaves
    // the new bytes as the only copy: they take the file's name instead
    // of being deleted.
    if (exists && written &&
        GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES &&
        MoveFileExA(tmp, path, MOVEFILE_WRITE_THROUGH))
      return true;
    DeleteFileA(tmp);
  }
  return ok;
}
