// PlatformReadProfile, PlatformWriteProfile and PlatformCommitProfiles over
// the run's profile session in the current context, and the session's file
// calls on Linux.
//
// Reads are whole-file reads: a file that is not there, or whose folder is
// not, is missing; any other failure, a file that is not regular or one too
// large for the INI library is unreadable.
//
// A file is replaced through the lock file `target` + kProfileLockSuffix,
// created exclusively and held with flock (a lock whose flock is free was
// left by a killed run and is taken over; a held one is waited for up to a
// few seconds, then the old file is kept). The new bytes are written into
// it, it is fsync'd, given the old file's mode, owner and group, and
// renamed over the file; the directory is fsync'd. No lock file is left
// behind on any failure.
//
// A symbolic link is written through to its target, so it stays a link,
// only where Linux's protected_symlinks rule lets it be followed: a link in
// a sticky, world-writable directory must belong to the running user or to
// the directory's owner; otherwise the file is left alone. A file without
// any write permission bit is read-only and is left alone. Where the
// directory refuses the lock file, an existing writable file is rewritten
// in place (the only path on which a kill can leave a torn file). Writes go
// through the current context's file calls; errors are errno values.
#include "platform/linux/profile.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "platform/commit_outcome.h"
#include "platform/linux/code_page.h"
#include "platform/linux/host_context.h"
#include "platform/linux/whole_file.h"
#include "platform/platform.h"

namespace {

// How long a run waits for another run's commit before it keeps the file.
const double kLockWaitSeconds = 5.0;

// Writes `bytes` at the file's offset, in chunks of at most 1 MiB, then cuts
// the file there.
bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    size_t chunk = bytes.size() - done;
    if (chunk > (1u << 20)) chunk = 1u << 20;
    ssize_t put = Host().files.write(fd, bytes.data() + done, chunk);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<size_t>(put);
  }
  return ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
}

std::string DirOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file the path finally names, following symbolic links as Linux's
// protected_symlinks rule allows: a link in a sticky, world-writable
// directory only when it belongs to this user or to the directory's owner.
// False when a link may not be followed, or after 40 links.
bool TargetPath(const char* path, std::string& target) {
  target = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat ls, ds;
    if (lstat(target.c_str(), &ls) != 0 || !S_ISLNK(ls.st_mode)) return true;
    std::string dir = DirOf(target);
    if (stat(dir.c_str(), &ds) != 0) return false;
    if ((ds.st_mode & S_ISVTX) != 0 && (ds.st_mode & S_IWOTH) != 0 &&
        ls.st_uid != geteuid() && ls.st_uid != ds.st_uid)
      return false;
    char link[PATH_MAX];
    ssize_t n = readlink(target.c_str(), link, sizeof link - 1);
    if (n <= 0) return false;
    link[n] = '\0';
    target = link[0] == '/' ? std::string(link) : dir + "/" + link;
  }
  return false;
}

double Now() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

// Takes the lock file: creates it, or takes over one whose flock is free
// (its run was killed). The lock is ours only while the name still holds
// the locked file: a run that finished meanwhile renamed it away. kInPlace
// when the lock file cannot be created.
ProfileLock TakeLock(const std::string& lock, int* out) {
  double deadline = Now() + kLockWaitSeconds;
  for (;;) {
    int fd = open(lock.c_str(),
                  O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) return ProfileLock::kInPlace;
    if (fd < 0)
      fd = open(lock.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      struct stat held, named;
      if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &held) == 0 &&
          lstat(lock.c_str(), &named) == 0 && S_ISREG(held.st_mode) &&
          held.st_ino == named.st_ino && held.st_dev == named.st_dev &&
          held.st_nlink == 1) {
        if (held.st_uid == geteuid()) {
          *out = fd;
          return ProfileLock::kHeld;
        }
        // Another user's dead lock: its name goes, and ours is made anew.
        bool removed = unlink(lock.c_str()) == 0;
        close(fd);
        if (removed) continue;
      } else {
        close(fd);
      }
    } else if (errno == ENOENT) {
      continue;  // renamed away just now: try to create it again
    }
    if (Now() >= deadline) return ProfileLock::kBusy;
    usleep(10000);
  }
}

class HostFiles : public ProfileFiles {
 public:
  ProfileFileState Read(const char* path, std::string& bytes) override {
    if (ReadWholeFile(path, kProfileMaxBytes, bytes))
      return ProfileFileState::kRead;
    struct stat st;
    bool missing =
        stat(path, &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
    return missing ? ProfileFileState::kMissing : ProfileFileState::kUnreadable;
  }

  ProfileLock Lock(const char* path, std::string& target) override {
    errno = 0;
    if (!TargetPath(path, target)) return ProfileLock::kRefused;
    struct stat old;
    bool exists = stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return ProfileLock::kRefused;
    // The platform shows a file without write bits as read-only; it is kept
    // even where root could write it or the directory allows replacing it.
    if (exists && (old.st_mode & 0222) == 0) return ProfileLock::kRefused;
    lock_ = target + kProfileLockSuffix;
    ProfileLock taken = TakeLock(lock_, &fd_);
    // No lock file beside it (the directory is not writable): an existing
    // file that may be written is rewritten where it is.
    if (taken == ProfileLock::kInPlace &&
        !(exists && errno == EACCES && access(target.c_str(), W_OK) == 0))
      return ProfileLock::kRefused;
    if (taken == ProfileLock::kBusy) errno = EWOULDBLOCK;
    return taken;
  }

  bool Replace(const std::string& target, const std::string& bytes,
               bool*) override {
    struct stat old;
    bool exists = stat(target.c_str(), &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0)) {
      Unlock();
      return false;
    }
    mode_t mask = exists ? 0 : umask(0);
    if (!exists) umask(mask);
    mode_t mode = exists ? old.st_mode & 07777 : 0666 & ~mask;
    bool ok = WriteAll(fd_, bytes) && fchmod(fd_, mode) == 0;
    // Keeping the owner needs privilege; without it the file is ours anyway.
    if (ok && exists && (old.st_uid != geteuid() || old.st_gid != getegid()) &&
        fchown(fd_, old.st_uid, old.st_gid) != 0 && geteuid() == 0)
      ok = false;
    ok = ok && fsync(fd_) == 0;
    if (!ok || rename(lock_.c_str(), target.c_str()) != 0) {
      Unlock();
      return false;
    }
    close(fd_);
    int dfd = open(DirOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
      fsync(dfd);
      close(dfd);
    }
    return true;
  }

  // Removes and closes the lock file, keeping the errno that made the run
  // give up.
  void Unlock() override {
    int error = errno;
    unlink(lock_.c_str());
    close(fd_);
    errno = error;
  }

  bool RewriteInPlace(const std::string& target,
                      const std::string& bytes) override {
    int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes) && fsync(fd) == 0;
    return close(fd) == 0 && ok;
  }

  long Failed(const char* path, bool* readOnly) override {
    int error = errno;
    struct stat st;
    if (readOnly) *readOnly = stat(path, &st) == 0 && (st.st_mode & 0222) == 0;
    return error;
  }

 private:
  std::string lock_;  // the lock file a commit holds, and its descriptor
  int fd_ = -1;
};

}  // namespace

uint32_t PlatformReadProfile(const char* section, const char* key,
                             const char* def, char* buf, uint32_t size,
                             const char* path) {
  HostFiles files;
  return ProfileSessionRead(Host().profiles, files, HostAnsiCodec(), section,
                            key, def, buf, size, path);
}

void PlatformWriteProfile(const char* section, const char* key,
                          const char* value, const char* path) {
  HostFiles files;
  ProfileSessionWrite(Host().profiles, files, HostAnsiCodec(), section, key,
                      value, path);
}

PlatformCommit PlatformCommitProfiles(long* error) {
  HostFiles files;
  return ToPlatformCommit(ProfileSessionCommit(Host().profiles, files, error));
}

const std::string& HostProfileNotWritten(int* reason) {
  const ProfileSession& session = Host().profiles;
  struct stat st;
  bool folder =
      stat(session.notWritten.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  long error = session.notWrittenError != 0 ? session.notWrittenError : EACCES;
  *reason = session.notWritten.empty() ? 0 : folder ? EISDIR : int(error);
  return session.notWritten;
}
