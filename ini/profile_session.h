// One run's profile files, the same on every platform: the documents the
// run writes to, by path, each loaded once and written once, at the commit,
// under the platform's lock; and, where the platform has no reader of its
// own, the files read for lookups, by path. The platform supplies only its
// file calls (ProfileFiles).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "codepage/ansi_codec.h"
#include "ini/ini_document.h"
#include "ini/ini_index.h"

// The name beside a profile file, its own name plus this suffix, under
// which every build writes the file's new bytes before they replace it. The
// one fixed name serves as the lock that lets one run at a time commit, and
// as a name no other program uses, so that a run can remove what a killed
// run left.
const char kProfileLockSuffix[] = ".instprobe-lock";

// What reading a file whole found.
enum class ProfileFileState { kRead, kMissing, kUnreadable };

// What asking for the lock beside a file, to replace it, found.
enum class ProfileLock {
  kHeld,     // this run holds the lock: the file may be replaced
  kBusy,     // another run held it past the wait
  kInPlace,  // no room for the lock file: the file is rewritten in place
  kRefused,  // the file is left alone
};

// The file calls of one platform. A failing call leaves the platform's
// error (errno, GetLastError) for Failed.
class ProfileFiles {
 public:
  virtual ~ProfileFiles() = default;
  // Reads the file whole into `bytes` (left empty unless kRead). A file
  // that is there but cannot be read, or holds more than kProfileMaxBytes,
  // is kUnreadable.
  virtual ProfileFileState Read(const char* path, std::string& bytes) = 0;
  // Takes the lock file for replacing the file `path` names, which
  // `target` gets.
  virtual ProfileLock Lock(const char* path, std::string& target) = 0;
  // With the lock held: writes `bytes` into the lock file and renames it
  // over `target`, unless the file has meanwhile become one to leave alone.
  // The lock is given up either way; `*busy` is set when another program
  // held the file.
  virtual bool Replace(const std::string& target, const std::string& bytes,
                       bool* busy) = 0;
  // Gives the lock up without replacing anything.
  virtual void Unlock() = 0;
  // Writes `bytes` over the existing file where it is (after kInPlace).
  virtual bool RewriteInPlace(const std::string& target,
                              const std::string& bytes) = 0;
  // Right after a failed commit: the platform's error number of the call
  // that failed and, when `readOnly` is given, whether the file is
  // read-only.
  virtual long Failed(const char* path, bool* readOnly) = 0;
};

// What the commit did, listed as the platform seam lists its outcomes.
enum class ProfileCommit {
  kNothing,
  kUnchanged,
  kWritten,
  kReadOnly,
  kUnreadable,
  kBusy,
  kFailed,
};

// A run's writes to one file, held in the document they were applied to, so
// that the commit can apply them again to the file as it is then (another
// run may have replaced it since it was loaded).
struct ProfileWrites {
  ProfileDocument doc;
  bool loadedMissing = true;  // there was no file when `doc` was loaded
};

struct ProfileSession {
  // The documents written to, committed in the order of their paths.
  std::map<std::string, std::unique_ptr<ProfileWrites>> documents;
  std::unordered_map<std::string, std::unique_ptr<IndexedProfile>> indexes;
  // After a commit: the first file with changes that were not written (a
  // file that could not be read counts, after every failed commit), and
  // the platform's error number of its failing call (0 when unreadable).
  std::string notWritten;
  long notWrittenError = 0;
};

// GetPrivateProfileStringA over the session's files: each is read and
// indexed once, and again after a commit or when `ansi` is another code page
// than it was read in.
uint32_t ProfileSessionRead(ProfileSession& session, ProfileFiles& files,
                            const AnsiCodec& ansi, const char* section,
                            const char* key, const char* def, char* buf,
                            uint32_t size, const char* path);

// Sets key=value in the document of `path`, loaded on first use: a missing
// file starts empty; one that is there but cannot be read is never written.
// Deleting keys or sections (a null key or value) is not a service the
// program uses: such a call does nothing.
void ProfileSessionWrite(ProfileSession& session, ProfileFiles& files,
                         const AnsiCodec& ansi, const char* section,
                         const char* key, const char* value, const char* path);

// PlatformCommitProfiles (platform/platform.h) over the session's documents.
// The documents are then forgotten: the next write starts again from what
// is on disk, and so does the next read of those files.
ProfileCommit ProfileSessionCommit(ProfileSession& session, ProfileFiles& files,
                                   long* error);
