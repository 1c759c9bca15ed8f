// The host profile writer: Wine's bytes for files in Wine's form (checked
// against WritePrivateProfileStringA under Wine 8), every other byte of an
// existing file kept, and no data lost when the commit cannot complete.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ini/ini_text.h"
#include "platform/linux/code_page.h"
#include "platform/linux/host_context.h"
#include "platform/platform.h"
#include "tests/support/files.h"
#include "tests/support/profile_writes.h"
#include "tests/support/wide_text.h"

namespace {

// The program's temporary folder, which user 65534 may enter as well.
std::string Dir() {
  static bool open = false;
  if (!open) open = chmod(ProgramTempDir().c_str(), 0777) == 0;
  return ProgramTempDir();
}

class ProfileWriter : public ::testing::Test {
 protected:
  void SetUp() override { HostSelectCodePage(1252); }
  HostContext context_;
  HostScope scope_{context_};
};

TEST_F(ProfileWriter, KeepsEveryOtherByte) {
  const struct {
    const char* name;
    std::string before;
    std::vector<ProfileWrite> writes;
    std::string after;
    uint32_t codePage = 1252;
    const char* between = nullptr;  // another run's file, before the commit
  } cases[] = {
      {"comments, blanks, spacing, no final newline",
       "; top\r\n\r\n[Unknown]\r\nfoo = bar\r\n# hash\r\nnoequals\r\n\r\n"
       "[PrgStart]\r\nEditor = 5\r\n; inner\r\neditorpath=OLD\r\n\r\n\r\n"
       "[Other]\tjunk\r\nz=1\r\n[Tail]\r\nlast=1",
       {{"PrgStart", "Editor", "7"},
        {"PrgStart", "EditorPath", "C:\\E\\"},
        {"PrgStart", "EditorPathRoot", "C:\\"},
        {"Tail", "added", "2"},
        {"PrivatPath", "<EditorPath>", "C:\\E\\"}},
       "; top\r\n\r\n[Unknown]\r\nfoo = bar\r\n# hash\r\nnoequals\r\n\r\n"
       "[PrgStart]\r\nEditor=7\r\n; inner\r\neditorpath=C:\\E\\\r\n"
       "EditorPathRoot=C:\\\r\n\r\n\r\n[Other]\tjunk\r\nz=1\r\n[Tail]\r\n"
       "last=1\r\nadded=2\r\n[PrivatPath]\r\n<EditorPath>=C:\\E\\\r\n"},
      {"LF only",
       "[A]\nx=1\n\n[B]\ny=2\n",
       {{"A", "n", "v"}, {"C", "k", ""}},
       "[A]\nx=1\nn=v\n\n[B]\ny=2\n[C]\nk=\n"},
      {"CR only",
       "[A]\rx=1",
       {{"a", "X", "2"}, {"A", "n", " v "}},
       "[A]\rx=2\rn=v\r"},
      {"top section and duplicates",
       "[S]\r\na=1\r\n[s]\r\na=2\r\n",
       {{"", "top", "t"}, {"s", "A", "9"}, {"S", "", "e"}},
       "top=t\r\n[S]\r\na=9\r\n=e\r\n[s]\r\na=2\r\n"},
      {"utf-8 bom",
       "\xEF\xBB\xBF[S]\r\n;c\r\n",
       {{"S", "v", "\xE9"}},
       "\xEF\xBB\xBF[S]\r\n;c\r\nv=\xC3\xA9\r\n"},
      {"utf-16le bom",
       std::string("\xFF\xFE[\0S\0]\0\n\0", 10),
       {{"S", "B", "\xE9"}},
       std::string("\xFF\xFE[\0S\0]\0\n\0B\0=\0\xE9\0\n\0", 18)},
      {"utf-16be bom",
       std::string("\xFE\xFF\0[\0S\0]", 8),
       {{"S", "B", "1"}},
       std::string("\xFE\xFF\0[\0S\0]\0\r\0\n\0B\0=\0001\0\r\0\n", 22)},
      {"ansi bytes",
       "[S]\r\n",
       {{"S", "k", "\xC9t\xE9"}},
       "[S]\r\nk=\xC9t\xE9\r\n"},
      {"932: a lead byte ending the file keeps its character",
       "[S]\r\na=\x82",
       {{"S", "b", "1"}},
       "[S]\r\na=\x82 \r\nb=1\r\n",
       932},
      {"932: a line break after a lead byte is part of the character",
       "[S]\r\na=\x82\nb=1\r\n",
       {{"S", "b", "2"}},
       "[S]\r\na=\x82\nb=1\r\nb=2\r\n",
       932},
      {"another run replaced the file: the settings apply to its bytes",
       "[S]\r\na=1\r\n",
       {{"S", "a", "2"}, {"T", "b", "3"}, {"S", "a", "4"}},
       "; other\n[S]\nc=5\na=4\n[T]\nb=3\n",
       1252,
       "; other\n[S]\nc=5\na=9\n"},
  };
  for (const auto& c : cases) {
    HostSelectCodePage(c.codePage);
    std::string path = Dir() + "/keep.ini";
    WriteBytes(path, c.before);
    for (const ProfileWrite& w : c.writes)
      PlatformWriteProfile(w.section.c_str(), w.key.c_str(), w.value.c_str(),
                           path.c_str());
    if (c.between) WriteBytes(path, c.between);
    PlatformCommitProfiles();
    EXPECT_EQ(FileBytes(path), c.after) << c.name;
  }
}

TEST_F(ProfileWriter, UnchangedValueLeavesFileAndMtime) {
  std::string path = Dir() + "/same.ini";
  WriteBytes(path, "[PrgStart]\r\nEditor = 7\r\n");
  struct stat before;
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  struct timespec times[2] = {{1000, 0}, {1000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  HostWrites(path,
             {{"prgstart", "EDITOR", "7"}, {"PrgStart", "Editor", " 7 "}});
  struct stat after;
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_mtime, 1000);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(FileBytes(path), "[PrgStart]\r\nEditor = 7\r\n");
}

TEST_F(ProfileWriter, CommitKeepsModeLinksAndReadOnlyFiles) {
  std::string target = Dir() + "/target.ini", link = Dir() + "/link.ini";
  WriteBytes(target, "[S]\r\n");
  chmod(target.c_str(), 0640);
  unlink(link.c_str());
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  HostWrites(link, {{"S", "k", "v"}});
  struct stat ls, ts;
  ASSERT_EQ(lstat(link.c_str(), &ls), 0);
  EXPECT_TRUE(S_ISLNK(ls.st_mode));
  ASSERT_EQ(stat(target.c_str(), &ts), 0);
  EXPECT_EQ(ts.st_mode & 07777, 0640u);
  EXPECT_EQ(FileBytes(target), "[S]\r\nk=v\r\n");

  // No write bit: read-only, kept even though root could replace it.
  std::string ro = Dir() + "/readonly.ini";
  WriteBytes(ro, "[S]\r\nk=old\r\n");
  chmod(ro.c_str(), 0444);
  HostWrites(ro, {{"S", "k", "new"}});
  EXPECT_EQ(FileBytes(ro), "[S]\r\nk=old\r\n");

  // A missing directory: nothing is created, nothing is left behind.
  std::string nodir = Dir() + "/nodir/x.ini";
  HostWrites(nodir, {{"S", "k", "v"}});
  EXPECT_NE(access(nodir.c_str(), F_OK), 0);
}

// A write() that fails on the nth call (1 = the first), as a full disk would.
int g_failAt = 0, g_writes = 0;
ssize_t FailingWrite(int fd, const void* data, size_t size) {
  if (++g_writes != g_failAt) return write(fd, data, size);
  errno = ENOSPC;
  return -1;
}

TEST_F(ProfileWriter, FailedWriteLeavesOldFileAndNoTemporary) {
  std::string sub = Dir() + "/fail";
  mkdir(sub.c_str(), 0755);
  std::string path = sub + "/v.ini";
  std::string old = "[S]\r\nk=old\r\n" + std::string(3 << 20, ';') + "\r\n";
  WriteBytes(path, old);
  context_.files.write = FailingWrite;
  for (int nth : {1, 2, 4}) {
    g_failAt = nth;
    g_writes = 0;
    HostWrites(path, {{"S", "k", "new"}});
    EXPECT_EQ(FileBytes(path), old) << "failing write " << nth;
  }
  std::string cmd = "ls -A " + sub + " > " + Dir() + "/ls.txt";
  ASSERT_EQ(system(cmd.c_str()), 0);
  EXPECT_EQ(FileBytes(Dir() + "/ls.txt"), "v.ini\n");
}

// Runs the writer as user 65534, where permission bits count.
int WriteAsNobody(const std::string& path, const char* value) {
  pid_t pid = fork();
  if (pid == 0) {
    if (setresgid(65534, 65534, 65534) != 0 ||
        setresuid(65534, 65534, 65534) != 0)
      _exit(2);
    PlatformWriteProfile("S", "k", value, path.c_str());
    PlatformCommitProfiles();
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ProfileWriter, PermissionFaultsAsUnprivilegedUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to switch users";
  std::string sub = Dir() + "/perm";
  mkdir(sub.c_str(), 0755);
  ASSERT_EQ(chown(sub.c_str(), 65534, 65534), 0);
  std::string path = sub + "/v.ini";
  WriteBytes(path, "; kept\r\n[S]\r\nk=old\r\n");
  ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);

  const struct {
    mode_t fileMode, dirMode;
    const char* value;
    const char* kept;  // the value of k after the run
  } steps[] = {
      {0444, 0755, "a", "old"},  // read-only file, writable directory
      {0644, 0555, "b", "b"},    // writable file, read-only directory
      // A write-only file cannot be kept, so it is not replaced either.
      {0200, 0755, "x", "b"},
      {0644, 0755, "c", "c"},  // both writable: replaced, owner kept
  };
  for (const auto& step : steps) {
    chmod(path.c_str(), step.fileMode);
    chmod(sub.c_str(), step.dirMode);
    ASSERT_EQ(WriteAsNobody(path, step.value), 0);
    EXPECT_EQ(FileBytes(path),
              std::string("; kept\r\n[S]\r\nk=") + step.kept + "\r\n")
        << step.value;
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, step.fileMode);
  }
}

// A UTF-16 file whose last byte is odd: the byte reads as one more unit, and
// what is written after it must still be in step.
TEST_F(ProfileWriter, OddLengthUtf16KeepsWritesInStep) {
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"le", "\xFF\xFE" + Utf16Bytes(u"a=x") + "y"},
      {"be", "\xFE\xFF" + Utf16Bytes(u"a=x", ByteOrder::kBig) + "y"},
  };
  for (const auto& c : cases) {
    std::string path = Dir() + "/odd-" + c.name + ".ini";
    WriteBytes(path, c.bytes);
    PlatformWriteProfile("S", "k", "v", path.c_str());
    PlatformCommitProfiles();
    std::string after = FileBytes(path);
    EXPECT_EQ(after.size() % 2, 0u) << c.name;
    char buf[32];
    PlatformReadProfile("", "a", "", buf, sizeof buf, path.c_str());
    EXPECT_STREQ(buf, "xy") << c.name;
    // A fresh reader of the written file (the reader caches by path).
    std::string copy = path + ".copy";
    WriteBytes(copy, after);
    PlatformReadProfile("S", "k", "", buf, sizeof buf, copy.c_str());
    EXPECT_STREQ(buf, "v") << c.name;
    PlatformReadProfile("", "a", "", buf, sizeof buf, copy.c_str());
    EXPECT_STREQ(buf, "xy") << c.name;
  }
}

// A file whose line ending is a lone CR, with blank LF lines after the last
// key: an added line must not pair its CR with the next LF.
TEST_F(ProfileWriter, AddedLoneCrDoesNotSwallowTheNextLine) {
  std::string path = Dir() + "/cr.ini";
  WriteBytes(path, "a=1\rb=2\n\n\n");
  PlatformWriteProfile("", "k", "v", path.c_str());
  PlatformCommitProfiles();
  // "k=v" follows the last key line b=2, before the blank line; every
  // original line is still there.
  EXPECT_EQ(FileBytes(path), "a=1\rb=2\nk=v\r\n\n\n");
}

TEST_F(ProfileWriter, FortyThousandWritesAllLand) {
  std::string path = Dir() + "/many.ini";
  WriteBytes(path, "[PrgStart]\r\nx=1\r\n");
  for (int i = 0; i < 10000; ++i) {
    std::string n = "V" + std::to_string(i);
    PlatformWriteProfile("PrgStart", n.c_str(), "7", path.c_str());
    PlatformWriteProfile("PrgStart", (n + "Path").c_str(), "C:\\T\\",
                         path.c_str());
    PlatformWriteProfile("PrivatPath", ("<" + n + "Path>").c_str(), "C:\\T\\",
                         path.c_str());
    PlatformWriteProfile("PrgStart", (n + "PathRoot").c_str(), "C:\\",
                         path.c_str());
  }
  PlatformCommitProfiles();
  // The last key of PrgStart ends that section, and PrivatPath, which the
  // first entry added at the end of the file, follows with that entry's key.
  std::string bytes = FileBytes(path);
  size_t last = bytes.find("V9999PathRoot");
  size_t seam = bytes.find("V9999PathRoot=C:\\\r\n[PrivatPath]\r\n<V0Path>=");
  ASSERT_NE(last, std::string::npos);
  ASSERT_NE(seam, std::string::npos);
  EXPECT_EQ(seam, last);
}

TEST_F(ProfileWriter, FileOverTheSizeLimitIsNeverRewritten) {
  // Sparse files just over and just at the limit: the larger one is left as
  // it is (not read as empty and replaced by this run's keys), and reads as
  // no file at all.
  const struct {
    const char* name;
    uint64_t size;
    bool written;
  } cases[] = {{"over.ini", kProfileMaxBytes + 1, false},
               {"small.ini", 64, true}};
  for (const auto& c : cases) {
    std::string path = Dir() + "/" + c.name;
    int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(c.size)), 0);
    close(fd);
    HostWrites(path, {{"PrgStart", "Editor", "7"}});
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(static_cast<uint64_t>(st.st_size) != c.size, c.written) << c.name;
    char buf[16];
    PlatformReadProfile("PrgStart", "Editor", "none", buf, sizeof buf,
                        path.c_str());
    EXPECT_STREQ(buf, c.written ? "7" : "none") << c.name;
    unlink(path.c_str());
  }
}

}  // namespace
