// Atomic replacement of a profile file, serialized by a lock file.
#include "platform/linux/profile_commit.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

#include "ini/ini_text.h"
#include "platform/linux/whole_file.h"

static int g_failWriteAt = 0;
static int g_writesSeen = 0;

// How long a run waits for another run's commit before it keeps the file.
static const double kLockWaitSeconds = 5.0;

void ProfileCommitFailWriteForTest(int nth) {
  g_failWriteAt = nth;
  g_writesSeen = 0;
}

static bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    size_t chunk = bytes.size() - done;
    if (chunk > (1u << 20)) chunk = 1u << 20;
    ++g_writesSeen;
    if (g_failWriteAt > 0 && g_writesSeen == g_failWriteAt) {
      errno = ENOSPC;
      return false;
    }
    ssize_t put = write(fd, bytes.data() + done, chunk);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<size_t>(put);
  }
  return true;
}

static std::string DirOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file the path finally names, following symbolic links as Linux's
// protected_symlinks rule allows: a link in a sticky, world-writable
// directory only when it belongs to this user or to the directory's owner.
// False when a link may not be followed, or after 40 links.
static bool TargetPath(const char* path, std::string& target) {
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

static double Now() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

enum class Lock { kHeld, kBusy, kNoRoom };

// Takes the lock file: creates it, or takes over one whose flock is free
// (its run was killed). The lock is ours only while the name still holds
// the locked file: a run that finished meanwhile renamed it away.
static Lock TakeLock(const std::string& lock, int* out) {
  double deadline = Now() + kLockWaitSeconds;
  for (;;) {
    int fd = open(lock.c_str(),
                  O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) return Lock::kNoRoom;
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
          return Lock::kHeld;
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
    if (Now() >= deadline) return Lock::kBusy;
    usleep(10000);
  }
}

// Removes and closes the lock file, keeping the errno that made the run
// give up.
static void DropLock(const std::string& lock, int fd) {
  int error = errno;
  unlink(lock.c_str());
  close(fd);
  errno = error;
}

static bool RewriteInPlace(const std::string& target,
                           const std::string& bytes) {
  int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes) &&
            ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 &&
            fsync(fd) == 0;
  return close(fd) == 0 && ok;
}

// The file as it is now: false when it is there but cannot be read.
static bool ReadNow(const std::string& target, std::string& bytes,
                    bool* missing) {
  *missing = false;
  if (ReadWholeFile(target.c_str(), kProfileMaxBytes, bytes)) return true;
  struct stat st;
  *missing = lstat(target.c_str(), &st) != 0 && errno == ENOENT;
  return *missing;
}

bool ProfileCommitFile(const char* path, ProfileWrites& writes, bool* busy) {
  *busy = false;
  std::string target;
  if (!TargetPath(path, target)) return false;
  struct stat old;
  bool exists = stat(target.c_str(), &old) == 0;
  if (exists && !S_ISREG(old.st_mode)) return false;
  // The platform shows a file without write bits as read-only; it is kept
  // even where root could write it or the directory allows replacing it.
  if (exists && (old.st_mode & 0222) == 0) return false;

  std::string lock = target + kProfileLockSuffix;
  int fd = -1;
  Lock taken = TakeLock(lock, &fd);
  if (taken == Lock::kNoRoom) {
    // No lock file beside it (the directory is not writable): an existing
    // file that may be written is rewritten where it is.
    if (exists && errno == EACCES && access(target.c_str(), W_OK) == 0)
      return RewriteInPlace(target, ProfileDocBytes(writes.doc));
    return false;
  }
  if (taken == Lock::kBusy) {
    *busy = true;
    errno = EWOULDBLOCK;
    return false;
  }

  std::string now;
  bool missing = false;
  if (!ReadNow(target, now, &missing)) {
    DropLock(lock, fd);
    return false;
  }
  if (!ProfileWritesRebase(writes, std::move(now), missing)) {
    DropLock(lock, fd);
    return true;
  }
  exists = stat(target.c_str(), &old) == 0;
  if (exists && (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0)) {
    DropLock(lock, fd);
    return false;
  }
  mode_t mode;
  if (exists) {
    mode = old.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  std::string bytes = ProfileDocBytes(writes.doc);
  bool ok = WriteAll(fd, bytes) &&
            ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 &&
            fchmod(fd, mode) == 0;
  // Keeping the owner needs privilege; without it the file is ours anyway.
  if (ok && exists && (old.st_uid != geteuid() || old.st_gid != getegid()) &&
      fchown(fd, old.st_uid, old.st_gid) != 0 && geteuid() == 0)
    ok = false;
  ok = ok && fsync(fd) == 0;
  if (!ok || rename(lock.c_str(), target.c_str()) != 0) {
    DropLock(lock, fd);
    return false;
  }
  close(fd);
  int dfd = open(DirOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return true;
}
