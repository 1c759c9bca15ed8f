// Profile files: the search list is read through the platform's own call;
// the writes of one run go through the same profile session as the host's,
// over the real API's file calls.
//
// Reads are whole-file reads: a file or folder that is not there is
// missing; any other failure, or a file too large for the INI library, is
// unreadable. A file is replaced by one rename over it, so that the name
// never goes missing. The new bytes go into the lock file `path` +
// kProfileLockSuffix, created exclusively and held open by this run: a lock
// that nobody holds open was left by a killed run and is taken over; a held
// one is waited for up to a few seconds, then the old file is kept. The lock
// file is written, flushed, given the old file's hidden, system and archive
// attributes and renamed over the file with MoveFileExA
// (MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). The new file's
// security is that of a new file in the folder: the old file's ACL, owner,
// alternate streams and creation time are not kept.
//
// A file another process holds open without delete sharing cannot be
// replaced: the rename is retried for under half a second, then the old
// file is kept. A file with the read-only attribute, and a symbolic link or
// other reparse point, are left alone. Where the folder refuses the lock
// file, an existing file is rewritten in place and flushed (the only path
// on which a kill can leave a torn file). No lock file is left behind on
// any failure; errors are GetLastError values.
#include <windows.h>

#include <cstdint>
#include <string>

#include "ini/profile_session.h"
#include "platform/commit_outcome.h"
#include "platform/platform.h"
#include "platform/win32/code_page.h"

namespace {

// Writes `bytes` into an open file from its start, cuts it there and
// flushes it.
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
  return SetEndOfFile(file) && FlushFileBuffers(file);
}

// How long a run waits for another run's commit before it keeps the file,
// and how often and how long it retries a rename over a file held open.
const DWORD kLockWaitMs = 5000;
const int kRenameTries = 20;
const DWORD kRenamePauseMs = 20;

// Opens the lock file for this run: writable, deletable, and shared for
// deletion only, so that the rename over the file works while the handle
// stays open, while any other open of it fails for as long as it does.
HANDLE OpenLock(const char* lock, DWORD disposition) {
  return CreateFileA(lock, GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Takes the lock file: creates it, or takes over one that nobody holds open
// (its run was killed). One held open is waited for. kInPlace when the lock
// file cannot be created.
ProfileLock TakeLock(const char* lock, HANDLE* out) {
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
        return ProfileLock::kInPlace;
      file = OpenLock(lock, OPEN_EXISTING);
      if (file == INVALID_HANDLE_VALUE &&
          GetLastError() == ERROR_FILE_NOT_FOUND)
        continue;  // renamed away just now: try to create it again
    }
    if (file != INVALID_HANDLE_VALUE) {
      *out = file;
      return ProfileLock::kHeld;
    }
    if (GetTickCount() - start >= kLockWaitMs) return ProfileLock::kBusy;
    Sleep(10);
  }
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

class Win32ProfileFiles : public ProfileFiles {
 public:
  ProfileFileState Read(const char* path, std::string& bytes) override {
    bytes.clear();
    HANDLE file = CreateFileA(path, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                 ? ProfileFileState::kMissing
                 : ProfileFileState::kUnreadable;
    }
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
              static_cast<uint64_t>(size.QuadPart) <= kProfileMaxBytes;
    if (ok) bytes.resize(static_cast<size_t>(size.QuadPart));
    for (size_t done = 0; ok && done < bytes.size();) {
      DWORD got = 0;
      DWORD want = static_cast<DWORD>(bytes.size() - done);
      ok = ReadFile(file, &bytes[done], want, &got, nullptr) && got > 0;
      done += got;
    }
    CloseHandle(file);
    if (!ok) bytes.clear();
    return ok ? ProfileFileState::kRead : ProfileFileState::kUnreadable;
  }

  ProfileLock Lock(const char* path, std::string& target) override {
    target = path;
    DWORD attrs;
    if (!Replaceable(path, &attrs) ||
        target.size() + sizeof kProfileLockSuffix > MAX_PATH)
      return ProfileLock::kRefused;
    lock_ = target + kProfileLockSuffix;
    ProfileLock taken = TakeLock(lock_.c_str(), &file_);
    // No lock file beside it (the folder is not writable): an existing
    // file that may be written is rewritten where it is.
    if (taken == ProfileLock::kInPlace && attrs == INVALID_FILE_ATTRIBUTES)
      return ProfileLock::kRefused;
    if (taken == ProfileLock::kBusy) SetLastError(ERROR_SHARING_VIOLATION);
    return taken;
  }

  bool Replace(const std::string& target, const std::string& bytes,
               bool* busy) override {
    DWORD attrs;
    FILE_BASIC_INFO basic = {};
    bool ok = Replaceable(target.c_str(), &attrs);
    basic.FileAttributes =
        attrs == INVALID_FILE_ATTRIBUTES ? 0 : attrs & kKeptAttributes;
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    ok = ok && WriteAll(file_, bytes) &&
         SetFileInformationByHandle(file_, FileBasicInfo, &basic,
                                    sizeof basic) &&
         RenameOver(lock_.c_str(), target.c_str(), busy);
    if (!ok) {
      Unlock();
      return false;
    }
    CloseHandle(file_);
    return true;
  }

  // Deletes and closes the lock file, keeping the error that made the run
  // give up.
  void Unlock() override {
    DWORD error = GetLastError();
    DeleteFileA(lock_.c_str());
    CloseHandle(file_);
    SetLastError(error);
  }

  bool RewriteInPlace(const std::string& target,
                      const std::string& bytes) override {
    HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = WriteAll(file, bytes);
    return CloseHandle(file) && ok;
  }

  long Failed(const char* path, bool* readOnly) override {
    long error = static_cast<long>(GetLastError());
    DWORD attrs = readOnly ? GetFileAttributesA(path) : 0;
    if (readOnly)
      *readOnly = attrs != INVALID_FILE_ATTRIBUTES &&
                  (attrs & FILE_ATTRIBUTE_READONLY) != 0;
    return error;
  }

 private:
  std::string lock_;  // the lock file's name while it is held
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

ProfileSession g_session;
Win32ProfileFiles g_files;

}  // namespace

uint32_t PlatformReadProfile(const char* section, const char* key,
                             const char* def, char* buf, uint32_t size,
                             const char* path) {
  return GetPrivateProfileStringA(section, key, def, buf, size, path);
}

void PlatformWriteProfile(const char* section, const char* key,
                          const char* value, const char* path) {
  ProfileSessionWrite(g_session, g_files, Win32AnsiCodec(), section, key,
                      value, path);
}

PlatformCommit PlatformCommitProfiles(long* error) {
  return ToPlatformCommit(ProfileSessionCommit(g_session, g_files, error));
}
