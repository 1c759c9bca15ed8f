// Atomic replacement of a profile file.
#include "platform/linux/profile_commit.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

static int g_failWriteAt = 0;
static int g_writesSeen = 0;

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

// The file the path finally names: a symbolic link is followed to its
// target, so the link itself stays a link.
static std::string TargetPath(const char* path) {
  struct stat ls;
  if (lstat(path, &ls) == 0 && S_ISLNK(ls.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(path, resolved)) return resolved;
    // A dangling link: write where it points.
    char link[PATH_MAX];
    ssize_t n = readlink(path, link, sizeof link - 1);
    if (n > 0) {
      link[n] = '\0';
      if (link[0] == '/') return link;
      std::string p = path;
      size_t slash = p.rfind('/');
      return (slash == std::string::npos ? std::string()
                                         : p.substr(0, slash + 1)) +
             link;
    }
  }
  return path;
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

bool ProfileCommitFile(const char* path, const std::string& bytes) {
  std::string target = TargetPath(path);
  struct stat old;
  bool exists = stat(target.c_str(), &old) == 0;
  if (exists && !S_ISREG(old.st_mode)) return false;
  // The platform shows a file without write bits as read-only; it is kept
  // even where root could write it or the directory allows replacing it.
  if (exists && (old.st_mode & 0222) == 0) return false;

  size_t slash = target.rfind('/');
  std::string dir =
      slash == std::string::npos ? std::string(".") : target.substr(0, slash);
  std::string base =
      slash == std::string::npos ? target : target.substr(slash + 1);
  std::string tmp = dir + "/." + base + ".XXXXXX";
  int fd = mkstemp(&tmp[0]);
  if (fd < 0) {
    // No temporary file beside it (the directory is not writable): an
    // existing file that may be written is rewritten where it is.
    if (exists && errno == EACCES && access(target.c_str(), W_OK) == 0)
      return RewriteInPlace(target, bytes);
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
  bool ok = WriteAll(fd, bytes) && fchmod(fd, mode) == 0;
  // Keeping the owner needs privilege; without it the file is ours anyway.
  if (ok && exists && (old.st_uid != geteuid() || old.st_gid != getegid()) &&
      fchown(fd, old.st_uid, old.st_gid) != 0 && geteuid() == 0)
    ok = false;
  ok = ok && fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (ok && rename(tmp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) {
    unlink(tmp.c_str());
    return false;
  }
  int dfd =
      open(dir.empty() ? "/" : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return true;
}
