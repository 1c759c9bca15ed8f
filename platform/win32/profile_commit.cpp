// Whole-file reads and atomic replacement of profile files, serialized by
// a lock file.
#include "platform/win32/profile_commit.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <utility>

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

namespace {

// How long a run waits for another run's commit before it keeps the file,
// and how often and how long it retries a rename over a file held open.
const DWORD kLockWaitMs = 5000;
const int kRenameTries = 20;
const DWORD kRenamePauseMs = 20;

enum class Lock { kHeld, kBusy, kNoRoom };

// Opens the lock file for this run: writable, deletable, and shared for
// deletion only, so that the rename over the file works while the handle
// stays open, while any other open of it fails for as long as it does.
HANDLE OpenLock(const char* lock, DWORD disposition) {
  return CreateFileA(lock, GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Takes the lock file: creates it, or takes over one that nobody holds open
// (its run was killed). One held open is waited for.
Lock TakeLock(const char* lock, HANDLE* out) {
  DWORD start = GetTickCount();
  for (int denied = 0;;) {
    HANDLE file = OpenLock(lock, CREATE_NEW);
    if (file == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      // A lock being deleted by the run that held it refuses to be created
      // for a moment, as a folder that is not writable refuses it for good.
      if (error == ERROR_ACCESS_DENIED && ++denied < 10) {
        Sleep(10);
        continue;
      }
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
        return Lock::kNoRoom;
      file = OpenLock(lock, OPEN_EXISTING);
      if (file == INVALID_HANDLE_VALUE &&
          GetLastError() == ERROR_FILE_NOT_FOUND)
        continue;  // renamed away just now: try to create it again
    }
    if (file != INVALID_HANDLE_VALUE) {
      *out = file;
      return Lock::kHeld;
    }
    if (GetTickCount() - start >= kLockWaitMs) return Lock::kBusy;
    Sleep(10);
  }
}

// Deletes and closes the lock file, keeping the error that made the run
// give up.
void DropLock(const char* lock, HANDLE file) {
  DWORD error = GetLastError();
  DeleteFileA(lock);
  CloseHandle(file);
  SetLastError(error);
}

// Renames the written lock file over the file. Another process holding the
// file open without delete sharing makes the rename fail while it does:
// that is retried briefly.
bool RenameOver(const char* lock, const char* path, bool* busy) {
  for (int tries = 1;; ++tries) {
    if (MoveFileExA(lock, path,
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    DWORD error = GetLastError();
    *busy =
        (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) &&
        GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
    SetLastError(error);
    if (!*busy || tries >= kRenameTries) return false;
    Sleep(kRenamePauseMs);
  }
}

const DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// Whether the file at `path` may be replaced: not read-only, not a folder,
// not a link. `*attrs` gets its attributes, or INVALID_FILE_ATTRIBUTES when
// there is no file.
bool Replaceable(const char* path, DWORD* attrs) {
  *attrs = GetFileAttributesA(path);
  // The read-only attribute is an administrator's word: the file stays.
  return *attrs == INVALID_FILE_ATTRIBUTES ||
         (*attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY |
                    FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

}  // namespace

bool CommitProfileFile(const char* path, ProfileWrites& writes, bool* busy) {
  *busy = false;
  DWORD attrs;
  if (!Replaceable(path, &attrs)) return false;
  char lock[MAX_PATH];
  size_t len = strlen(path);
  if (len + sizeof kProfileLockSuffix > sizeof lock) return false;
  memcpy(lock, path, len);
  memcpy(lock + len, kProfileLockSuffix, sizeof kProfileLockSuffix);
  HANDLE file = INVALID_HANDLE_VALUE;
  Lock taken = TakeLock(lock, &file);
  if (taken == Lock::kNoRoom) {
    // No lock file beside it (the folder is not writable): an existing
    // file that may be written is rewritten where it is.
    return attrs != INVALID_FILE_ATTRIBUTES &&
           RewriteInPlace(path, ProfileDocBytes(writes.doc));
  }
  if (taken == Lock::kBusy) {
    *busy = true;
    SetLastError(ERROR_SHARING_VIOLATION);
    return false;
  }

  std::string now;
  bool missing = false;
  if (!ReadProfileFile(path, now, &missing) && !missing) {
    DropLock(lock, file);
    return false;
  }
  if (!ProfileWritesRebase(writes, std::move(now), missing)) {
    DropLock(lock, file);
    return true;
  }
  if (!Replaceable(path, &attrs)) {
    DropLock(lock, file);
    return false;
  }
  std::string bytes = ProfileDocBytes(writes.doc);
  FILE_BASIC_INFO basic = {};
  basic.FileAttributes =
      attrs == INVALID_FILE_ATTRIBUTES ? 0 : attrs & kKeptAttributes;
  if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  bool ok =
      WriteAll(file, bytes) && SetEndOfFile(file) && FlushFileBuffers(file) &&
      SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) &&
      RenameOver(lock, path, busy);
  if (!ok) {
    DropLock(lock, file);
    return false;
  }
  CloseHandle(file);
  return true;
}
