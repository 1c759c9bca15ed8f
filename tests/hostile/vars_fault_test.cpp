// Faults around the variables file: permissions, a missing directory, a
// full disk, a file that cannot be read, a run killed at random moments and
// at the steps of its commit, a reader that polls the file, symbolic links,
// a file held open, leftovers of killed runs and two runs at once, for the
// host build and, where Wine can stage the fault, the Windows builds.
// Whatever happens, the file on disk is the old one or a complete new one.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <random>
#include <thread>

#include "ini/profile_session.h"
#include "tests/e2e/build_under_test.h"
#include "tests/e2e/expected_vars.h"
#include "tests/e2e/run_folder.h"
#include "tests/hostile/vars_soundness.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"
#include "tests/support/wine_lab.h"

namespace fs = std::filesystem;

static const uid_t kNobody = 65534;

// A search list of `count` entries whose lookups fail (the prefix does not
// exist), so every entry writes its four keys; their variables are named
// `stem` and a number.
static std::string FailingList(int count, const std::string& stem = "V") {
  std::vector<ListEntry> entries;
  for (int i = 0; i < count; ++i)
    entries.push_back({"HKEY_LOCAL_MACHINE\\Software\\None\\Dir", "x.exe",
                       stem + std::to_string(i)});
  return SearchListText(entries);
}

// An earlier file of at least `minBytes`: the same keys with old values,
// and keys of entries no longer listed, which the run keeps.
static std::string OldVarsFile(int count, size_t minBytes) {
  std::string text = "[PrgStart]\r\n";
  for (int i = 0; text.size() < minBytes; ++i) {
    std::string name = "V" + std::to_string(i % count);
    if (i >= count) name = "Old" + std::to_string(i);
    text += name + "=9\r\n" + name + "Path=C:\\Old\\Directory\\Number" +
            std::to_string(i) + "\\\r\n" + name + "PathRoot=C:\\\r\n";
  }
  return text + "[PrivatPath]\r\n<C:\\Old\\>=C:\\Old\\\r\n";
}

// The Windows builds run in a prefix of this program's own, made when the
// first of their tests needs it and removed when the program exits.
static bool WinePrefixReady(std::string* error) {
  static std::string why;
  static const bool ready =
      LabPrefixSetUp(&why) && atexit(LabPrefixTearDown) == 0;
  *error = why;
  return ready;
}

class VarsFaultTest : public ::testing::Test {
 protected:
  virtual Build TestedBuild() const { return Build::kHost; }
  void SetUp() override {
    build_ = TestedBuild();
    E2E_REQUIRE_BUILD(build_);
    root_ = MakeTempDir("instprobe-hostile");
    ASSERT_FALSE(root_.empty());
    ASSERT_EQ(chmod(root_.c_str(), 0755), 0);
    // Wine hands a program to a second process of the run's group: this
    // program reaps it, as the subreaper of what it starts.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    if (build_ == Build::kHost) {
      // No prefix: every lookup fails at once, and the run is all writing.
      setenv("WINEPREFIX", (root_ + "/no-prefix").c_str(), 1);
    } else {
      std::string error;
      ASSERT_TRUE(WinePrefixReady(&error)) << error;
      setenv("WINEPREFIX", LabPrefixDir().c_str(), 1);
    }
  }
  void TearDown() override { RemoveTree(root_); }

  std::string ExeName() const {
    return build_ == Build::kHost ? "instprobe" : "instprobe.exe";
  }

  // A folder holding a copy of the executable, the search list and, when
  // `old` is not empty, an earlier variables file.
  std::string MakeFolder(const std::string& name, const std::string& list,
                         const std::string& old = "") {
    std::string dir = root_ + "/" + name;
    fs::create_directories(dir);
    chmod(dir.c_str(), 0755);
    fs::copy_file(BuildExePath(build_), dir + "/" + ExeName());
    EXPECT_TRUE(WriteBytes(dir + "/stpsrch.ini", list));
    EXPECT_TRUE(old.empty() || WriteBytes(dir + "/stvar.ini", old));
    return dir;
  }

  // The command that runs the folder's executable.
  std::vector<std::string> Command(const std::string& dir) const {
    if (build_ == Build::kHost) return {dir + "/instprobe"};
    return {"wine", dir + "/instprobe.exe"};
  }

  // Runs the folder's executable, as user 65534 when `asNobody`.
  bool Run(const std::string& dir, bool asNobody, std::string* error) {
    std::vector<std::string> argv;
    if (asNobody) {
      argv = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    for (const std::string& word : Command(dir)) argv.push_back(word);
    int status = -1;
    if (!RunChild(argv, dir, root_ + "/run.log", 30, &status, error))
      return false;
    if (status != 0) *error = "exit status " + std::to_string(status);
    return status == 0;
  }

  // What an undisturbed run writes from `old` (empty: no file).
  std::string Reference(const std::string& list, const std::string& old) {
    std::string dir = MakeFolder("reference", list, old);
    std::string error, bytes;
    EXPECT_TRUE(Run(dir, false, &error)) << error;
    EXPECT_TRUE(ReadBytes(dir + "/stvar.ini", &bytes));
    fs::remove_all(dir);
    return bytes;
  }

  // Expects no name in the folder but the three files of a run.
  void ExpectNothingLeft(const std::string& dir, const std::string& when = "") {
    int temporaries = 0;
    EXPECT_TRUE(Strangers(dir, &temporaries).empty()) << when;
    EXPECT_EQ(temporaries, 0) << when;
  }

  // Names in the folder other than the three files of a run; temporary
  // files of the writer (its lock file, and what older writers left: the
  // host's .stvar.ini.XXXXXX, the Windows API's *.tmp) are counted in
  // *temporaries instead, and removed.
  std::vector<std::string> Strangers(const std::string& dir,
                                     int* temporaries) const {
    std::vector<std::string> out;
    *temporaries = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
      std::string name = entry.path().filename();
      if (name == ExeName() || name == "stpsrch.ini" || name == "stvar.ini")
        continue;
      if (name == std::string("stvar.ini") + kProfileLockSuffix ||
          (build_ == Build::kHost ? name.rfind(".stvar.ini.", 0) == 0
                                  : fs::path(name).extension() == ".tmp")) {
        ++*temporaries;
        fs::remove(entry.path());
        continue;
      }
      out.push_back(name);
    }
    return out;
  }

  Build build_ = Build::kHost;
  std::string root_;
};

// The same faults for each build; the Windows builds under Wine, as root.
class BuildFaultTest : public VarsFaultTest,
                       public ::testing::WithParamInterface<Build> {
 protected:
  Build TestedBuild() const override { return GetParam(); }
};

// The read-only attribute: set with chmod for the host, with Wine's attrib
// for the Windows builds (which takes every write bit away, measured).
TEST_P(BuildFaultTest, ReadOnlyFileIsKeptEvenForRoot) {
  std::string old = OldVarsFile(20, 4000);
  std::string dir = MakeFolder("readonly", FailingList(20), old);
  std::string vars = dir + "/stvar.ini";
  std::string error, after;
  if (build_ == Build::kHost) {
    ASSERT_EQ(chmod(vars.c_str(), 0444), 0);
  } else {
    ASSERT_TRUE(RunWine({"attrib", "+r", "stvar.ini"}, dir, 30, &error))
        << error;
  }
  struct stat marked;
  ASSERT_EQ(stat(vars.c_str(), &marked), 0);
  ASSERT_EQ(marked.st_mode & 07777, 0444u);
  ASSERT_TRUE(Run(dir, false, &error)) << error;
  ASSERT_TRUE(ReadBytes(vars, &after));
  EXPECT_EQ(after, old);
  struct stat info;
  ASSERT_EQ(stat(vars.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0444u);
  ExpectNothingLeft(dir);
}

// A variables file that cannot be read (here a directory) is left alone,
// and the run still ends with status 0.
TEST_P(BuildFaultTest, UnreadableFileIsLeftAlone) {
  std::string dir = MakeFolder("unreadable", FailingList(20));
  std::string vars = dir + "/stvar.ini";
  ASSERT_TRUE(fs::create_directory(vars));
  ASSERT_TRUE(WriteBytes(vars + "/inside", "kept"));
  std::string error;
  ASSERT_TRUE(Run(dir, false, &error)) << error;
  EXPECT_TRUE(fs::is_directory(vars));
  EXPECT_EQ(FileBytes(vars + "/inside"), "kept");
  ExpectNothingLeft(dir);
}

// As user 65534, where the permission bits count.
struct PermissionCase {
  std::string name;
  mode_t dirMode;
  mode_t fileMode;    // 0: no stvar.ini
  bool danglingLink;  // stvar.ini links into a missing directory
  bool expectNew;     // the file must hold what an undisturbed run writes
};

void PrintTo(const PermissionCase& c, std::ostream* out) { *out << c.name; }

class PermissionTest : public VarsFaultTest,
                       public ::testing::WithParamInterface<PermissionCase> {};

TEST_P(PermissionTest, OldFileOrNewFileNothingElse) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to switch to user 65534";
  const PermissionCase& c = GetParam();
  std::string list = FailingList(50);
  std::string old = OldVarsFile(50, 8000);
  std::string expected = Reference(list, c.fileMode ? old : "");
  ASSERT_NE(expected, old);

  std::string dir = MakeFolder(c.name, list);
  std::string vars = dir + "/stvar.ini";
  if (c.fileMode != 0) {
    ASSERT_TRUE(WriteBytes(vars, old));
    ASSERT_EQ(chmod(vars.c_str(), c.fileMode), 0);
    ASSERT_EQ(chown(vars.c_str(), kNobody, kNobody), 0);
  }
  if (c.danglingLink) {
    ASSERT_EQ(symlink((dir + "/gone/stvar.ini").c_str(), vars.c_str()), 0);
  }
  ASSERT_EQ(chown(dir.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(chmod(dir.c_str(), c.dirMode), 0);

  std::string error, after;
  ASSERT_TRUE(Run(dir, true, &error)) << error;
  chmod(dir.c_str(), 0755);
  ExpectNothingLeft(dir);
  if (c.danglingLink) {
    struct stat info;
    EXPECT_NE(stat(vars.c_str(), &info), 0) << "the link's target appeared";
    EXPECT_FALSE(PathExists(dir + "/gone"));
    return;
  }
  if (c.fileMode == 0) {
    EXPECT_FALSE(PathExists(vars));
    return;
  }
  ASSERT_TRUE(ReadBytes(vars, &after));
  EXPECT_EQ(after, c.expectNew ? expected : old);
  struct stat info;
  ASSERT_EQ(stat(vars.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, c.fileMode);
  EXPECT_EQ(info.st_uid, kNobody);
}

INSTANTIATE_TEST_SUITE_P(
    AsNobody, PermissionTest,
    ::testing::Values(
        // No room for a temporary file: a writable file is rewritten where
        // it is.
        PermissionCase{"readonly_dir_writable_file", 0555, 0644, false, true},
        PermissionCase{"readonly_dir_no_file", 0555, 0, false, false},
        PermissionCase{"readonly_file", 0755, 0444, false, false},
        PermissionCase{"readonly_file_readonly_dir", 0555, 0444, false, false},
        PermissionCase{"missing_dir_behind_link", 0755, 0, true, false}),
    CaseName());

// The writer's temporary file does not fit: the old file stays whole and
// no temporary file is left.
TEST_F(VarsFaultTest, FullDiskKeepsOldFile) {
  std::string list = FailingList(2000);
  std::string old = OldVarsFile(2000, 60000);
  std::string mountPoint = root_ + "/full";
  fs::create_directories(mountPoint);
  uintmax_t exeSize = fs::file_size(BuildExePath(Build::kHost));
  // Room for the executable, the list and the old file, and little more.
  std::string options =
      "size=" + std::to_string(exeSize + list.size() + old.size() + 64 * 1024);
  if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    GTEST_SKIP() << "mount -t tmpfs not permitted here (" << strerror(errno)
                 << "); the unit tests inject the write failure instead";
  }
  std::string dir = MakeFolder("full/run", list, old);
  std::string vars = dir + "/stvar.ini";
  // Fill what is left.
  std::string filler = mountPoint + "/filler";
  {
    int fd = open(filler.c_str(), O_WRONLY | O_CREAT, 0644);
    std::string block(4096, 'f');
    while (write(fd, block.data(), block.size()) > 0) {
    }
    while (write(fd, block.data(), 1) > 0) {
    }
    close(fd);
  }
  std::string error, after;
  bool ran = Run(dir, false, &error);
  ASSERT_TRUE(ReadBytes(vars, &after));
  ExpectNothingLeft(dir);
  umount(mountPoint.c_str());
  ASSERT_TRUE(ran) << error;
  EXPECT_EQ(after, old);
}

// Starts the command in a process group of its own: wine hands the program
// to a second process of that group.
static pid_t Start(const std::string& dir,
                   const std::vector<std::string>& command) {
  return SpawnChild(command, dir, "/dev/null", "", true);
}

// Kills the group and reaps its processes; wine's second one is this
// program's child too, as this program is their subreaper.
static void KillGroup(pid_t group) {
  kill(-group, SIGKILL);
  while (waitpid(-group, nullptr, 0) > 0 || errno == EINTR) {
  }
}

TEST_P(BuildFaultTest, KilledRunLeavesOldOrCompleteFile) {
  // 10,000 entries over a 2 MB file take under a second in a debug host
  // build; under Wine, 2,000 entries over 400 KB take three to five seconds
  // (the reads of the search list). More kills of longer runs would not
  // fit the suite's time.
  const bool host = build_ == Build::kHost;
  const int kEntries = host ? 10000 : 2000;
  const int kRounds = host ? 30 : 12;
  std::string list = FailingList(kEntries);
  std::string old = OldVarsFile(kEntries, host ? 2 << 20 : 400 << 10);
  std::string expected = Reference(list, old);
  ASSERT_NE(expected, old);

  std::string dir = MakeFolder("killed", list);
  std::string vars = dir + "/stvar.ini";
  // The run's length, measured in the folder the kills happen in: the
  // slower of two undisturbed runs.
  double runSeconds = 0;
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(WriteBytes(vars, old));
    std::string error;
    double start = MonotonicSeconds();
    ASSERT_TRUE(Run(dir, false, &error)) << error;
    runSeconds = std::max(runSeconds, MonotonicSeconds() - start);
    std::string again;
    ASSERT_TRUE(ReadBytes(vars, &again));
    ASSERT_EQ(again, expected) << "an undisturbed run gave other bytes";
    ExpectNothingLeft(dir, "left by a run that completed");
  }
  std::cout << "[ timing   ] undisturbed run: " << runSeconds << " s\n";
  std::mt19937 rng(1234);
  // Half the moments anywhere in the run, half around its end, where the
  // file is written and renamed (a little past it: a loaded machine may
  // run slower than measured).
  std::uniform_real_distribution<double> anywhere(0.0, runSeconds);
  std::uniform_real_distribution<double> late(runSeconds * 0.85,
                                              runSeconds * 1.3);
  int oldSeen = 0, newSeen = 0, leftovers = 0;
  for (int round = 0; round < kRounds; ++round) {
    ASSERT_TRUE(WriteBytes(vars, old));
    double delay = round % 2 ? late(rng) : anywhere(rng);
    pid_t pid = Start(dir, Command(dir));
    ASSERT_GT(pid, 0);
    usleep(static_cast<useconds_t>(delay * 1e6));
    KillGroup(pid);

    std::string after, error;
    ASSERT_TRUE(ReadBytes(vars, &after)) << "round " << round;
    bool isOld = after == old;
    bool isNew = after == expected;
    ASSERT_TRUE(isOld || isNew)
        << "round " << round << " at " << delay << " s: " << after.size()
        << " bytes, neither the old nor the new file";
    oldSeen += isOld;
    newSeen += isNew;
    EXPECT_TRUE(VarsFileSound(after, &error)) << error;
    // The reader keeps what it read of a path for the process's life: each
    // round reads its own copy.
    std::string copy = root_ + "/readback" + std::to_string(round) + ".ini";
    ASSERT_TRUE(WriteBytes(copy, after));
    EXPECT_TRUE(VarsFileReadsBack(copy, after, 50, &error)) << error;
    int temporaries = 0;
    EXPECT_TRUE(Strangers(dir, &temporaries).empty());
    leftovers += temporaries;
  }
  std::cout << "[ kills    ] old file " << oldSeen << ", new file " << newSeen
            << ", temporary files left " << leftovers << "\n";
  RecordProperty("temporaries_left", leftovers);
  // Both outcomes must have been met, or the moments missed the run.
  EXPECT_GT(oldSeen, 0);
  EXPECT_GT(newSeen, 0);
}

// Watches a folder for the steps of a commit: names created, opened,
// closed after writing and moved.
static int WatchFolder(const std::string& dir) {
  int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  inotify_add_watch(
      fd, dir.c_str(),
      IN_CREATE | IN_OPEN | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO);
  return fd;
}

// Waits up to `seconds` for an event in the watched folder that `wanted`
// accepts (true), or for the run led by `pid` to end (false).
template <typename Wanted>
static bool AwaitEvent(int fd, pid_t pid, double seconds, Wanted wanted) {
  alignas(inotify_event) char buf[8192];
  for (double end = MonotonicSeconds() + seconds; MonotonicSeconds() < end;) {
    struct pollfd p = {fd, POLLIN, 0};
    ssize_t n = poll(&p, 1, 20) > 0 ? read(fd, buf, sizeof buf) : 0;
    for (ssize_t at = 0; at < n;) {
      const inotify_event* e = reinterpret_cast<const inotify_event*>(buf + at);
      if (e->len > 0 && wanted(e->mask, std::string(e->name))) return true;
      at += static_cast<ssize_t>(sizeof *e + e->len);
    }
    if (waitpid(pid, nullptr, WNOHANG) == pid) return false;
  }
  return false;
}

// The names a run itself reads: what else it creates or opens is its
// commit's.
static bool OwnFile(const std::string& name) {
  return name == "instprobe" || name == "instprobe.exe" ||
         name == "stpsrch.ini" || name == "stvar.ini";
}

// Runs killed at the steps of their commit, while a reader opens the file
// by name, then undisturbed commits over what the killed ones left: the
// file is always there and always the old or the complete new one, the
// commits that follow remove every leftover, and the Windows builds keep
// the file's hidden and system attributes.
TEST_P(BuildFaultTest, AimedKillsAndReaderFindOldOrCompleteFile) {
  struct Moment {
    const char* what;
    uint32_t mask;
    bool ownName;  // the event is on stvar.ini, not on another name
  };
  const Moment kMoments[] = {{"temporary created", IN_CREATE, false},
                             {"temporary written", IN_CLOSE_WRITE, false},
                             {"temporary renamed", IN_MOVED_FROM, false},
                             {"old name moved", IN_MOVED_FROM, true},
                             {"new name moved in", IN_MOVED_TO, true}};
  std::string list = FailingList(50);
  // The host writes faster than a kill comes: a larger file to write.
  size_t size = build_ == Build::kHost ? 4 << 20 : 64 << 10;
  std::string old = "; kept\r\n\r\n" + OldVarsFile(50, size);
  std::string expected = Reference(list, old);
  std::string dir = MakeFolder("aimed", list, old);
  int oldSeen = 0;
  std::string vars = dir + "/stvar.ini";
  std::atomic<bool> stop(false);
  std::atomic<int> misses(0);
  // Hidden and system, where Wine keeps them: each new file must carry them.
  ASSERT_EQ(setxattr(vars.c_str(), "user.DOSATTRIB", "0x6", 3, 0), 0);
  std::thread reader([&] {
    while (!stop) {
      int fd = open(vars.c_str(), O_RDONLY);
      if (fd >= 0) close(fd);
      if (fd < 0 && errno == ENOENT) ++misses;
      usleep(100);
    }
  });
  int watch = WatchFolder(dir);
  for (int round = 0; round < 50; ++round) {
    ASSERT_TRUE(WriteBytes(vars, old));
    if (round >= 20) {  // undisturbed commits
      std::string error;
      EXPECT_TRUE(Run(dir, false, &error)) << error;
      EXPECT_EQ(FileBytes(vars), expected) << "commit " << round;
      continue;
    }
    const Moment& m = kMoments[round % 5];
    pid_t pid = Start(dir, Command(dir));
    AwaitEvent(watch, pid, 30, [&](uint32_t mask, const std::string& name) {
      return (mask & m.mask) != 0 &&
             (m.ownName ? name == "stvar.ini" : !OwnFile(name));
    });
    KillGroup(pid);
    std::string after = "(no file)";
    ReadBytes(vars, &after);
    oldSeen += after == old;
    EXPECT_TRUE(after == old || after == expected)
        << "killed at " << m.what << ": " << after.size() << " bytes";
  }
  close(watch);
  stop = true;
  reader.join();
  EXPECT_EQ(misses, 0) << "times a reader found no stvar.ini";
  std::cout << "[ kills    ] at the commit: old file " << oldSeen << " of 20\n";
  char attrs[8];
  ssize_t n = getxattr(vars.c_str(), "user.DOSATTRIB", attrs, sizeof attrs);
  if (build_ != Build::kHost) {
    EXPECT_EQ(n > 0 ? std::string(attrs, n) : "none", "0x6");
  }
  ExpectNothingLeft(dir, "left behind by killed runs");
}

// stvar.ini as a symbolic link: the user's own, to a shared file, and one
// that user 65534 planted in a sticky, world-writable folder, to a file of
// root's elsewhere, for a run as root. The host writes through its own link
// and leaves the planted one alone; the Windows builds see a plain file
// under Wine and replace the link itself. No build touches a file it was
// not asked to write through.
TEST_P(BuildFaultTest, LinksNeverRedirectTheWrite) {
  std::string list = FailingList(20);
  std::string old = "; shared\r\n" + OldVarsFile(20, 2000);
  std::string expected = Reference(list, old);
  for (bool planted : {false, true}) {
    SCOPED_TRACE(planted ? "planted link" : "own link");
    std::string dir = MakeFolder(planted ? "planted" : "own", list);
    std::string other = root_ + (planted ? "/rootonly" : "/shared");
    fs::create_directories(other);
    std::string target = other + "/vars.ini", vars = dir + "/stvar.ini";
    ASSERT_TRUE(WriteBytes(target, old));
    ASSERT_EQ(symlink(target.c_str(), vars.c_str()), 0);
    if (planted) {
      ASSERT_EQ(lchown(vars.c_str(), kNobody, kNobody), 0);
      ASSERT_EQ(chmod(dir.c_str(), 01777), 0);
    }
    std::string error;
    ASSERT_TRUE(Run(dir, false, &error)) << error;
    bool through = build_ == Build::kHost && !planted;
    EXPECT_EQ(FileBytes(target), through ? expected : old);
    EXPECT_EQ(fs::is_symlink(vars), build_ == Build::kHost);
    if (!planted) {
      EXPECT_EQ(FileBytes(vars), expected);
    }
    for (const std::string& folder : {dir, other}) {
      int temporaries = 0;
      std::vector<std::string> names = Strangers(folder, &temporaries);
      EXPECT_EQ(temporaries, 0) << folder;
      EXPECT_EQ(names.size(), folder == other ? 1u : 0u) << folder;
    }
  }
}

// A Windows program holds stvar.ini open without delete sharing: every run
// ends with status 0, the old file and nothing left behind.
TEST_P(BuildFaultTest, FileHeldOpenIsKeptAndNothingLeft) {
  if (build_ == Build::kHost) GTEST_SKIP() << "Linux has no sharing modes";
  std::string holder = LabTempDir() + "/hold_open.exe", error;
  if (!PathExists(holder)) {
    ASSERT_TRUE(BuildWineProbe("tests/hostile/hold_open.cpp", holder, &error))
        << error;
  }
  std::string old = OldVarsFile(20, 2000);
  std::string dir = MakeFolder("held", FailingList(20), old);
  std::string vars = dir + "/stvar.ini";
  std::string flag = root_ + "/held.flag";
  pid_t pid = Start(dir, {"wine", holder, "stvar.ini", "Z:" + flag});
  for (int i = 0; i < 3000 && !PathExists(flag); ++i) usleep(10000);
  ASSERT_TRUE(PathExists(flag)) << "the holder did not open the file";
  // Traced outside the folder, each run says the file was busy.
  std::string trace = root_ + "/held-trace.log", dosTrace = "Z:" + trace;
  std::replace(dosTrace.begin(), dosTrace.end(), '/', '\\');
  setenv("INSTPROBE_TRACE", dosTrace.c_str(), 1);
  for (int round = 0; round < 5; ++round) {
    EXPECT_TRUE(Run(dir, false, &error)) << error;
    EXPECT_EQ(FileBytes(vars), old) << "round " << round;
    ExpectNothingLeft(dir, "round " + std::to_string(round));
  }
  unsetenv("INSTPROBE_TRACE");
  std::string traced = FileBytes(trace);
  size_t busy = 0;
  for (size_t at = 0; (at = traced.find("\ncommit: busy, ", at)) !=
                      std::string::npos;
       ++at)
    ++busy;
  EXPECT_EQ(busy, 5u) << traced;
  fs::remove(flag);
  KillGroup(pid);
}

// Run A is stopped in its commit (when it creates its first file) while
// run B, with another search list, runs to its own commit; then A goes on.
// The file ends with every kept byte and the keys of both runs, as after
// the two runs one after the other (A stopped before it held the lock lets
// B commit first).
TEST_P(BuildFaultTest, TwoRunsAtOnceLoseNothing) {
  std::string listA = FailingList(30), listB = FailingList(30, "W");
  std::string old = "; kept\r\n\r\n" + OldVarsFile(30, 256 << 10);
  std::string aThenB = Reference(listB, Reference(listA, old));
  std::string bThenA = Reference(listA, Reference(listB, old));
  std::string dir = MakeFolder("two", listA, old), vars = dir + "/stvar.ini";
  int watch = WatchFolder(dir);
  std::string created;
  pid_t a = Start(dir, Command(dir));
  ASSERT_TRUE(
      AwaitEvent(watch, a, 60, [&](uint32_t mask, const std::string& name) {
        created = name;
        return (mask & IN_CREATE) != 0 && !OwnFile(name);
      }));
  kill(-a, SIGSTOP);
  ASSERT_TRUE(PathExists(dir + "/" + created))
      << "A finished before it stopped";
  AwaitEvent(watch, a, 0.2, [](uint32_t, const std::string&) { return false; });
  ASSERT_TRUE(WriteBytes(dir + "/stpsrch.ini", listB));
  pid_t b = Start(dir, Command(dir));
  // B at its commit: it creates a file, or opens the one A holds.
  AwaitEvent(watch, b, 60,
             [](uint32_t, const std::string& name) { return !OwnFile(name); });
  kill(-a, SIGCONT);
  close(watch);
  int statusA = -1, statusB = 0;
  waitpid(a, &statusA, 0);
  waitpid(b, &statusB, 0);  // B may have been reaped already
  KillGroup(a);
  KillGroup(b);
  EXPECT_EQ(statusA, 0);
  EXPECT_EQ(statusB, 0);
  std::string after = FileBytes(vars);
  EXPECT_TRUE(after == aThenB || after == bThenA)
      << after.size() << " bytes, lost what one run wrote";
  ExpectNothingLeft(dir);
}

INSTANTIATE_TEST_SUITE_P(Builds, BuildFaultTest,
                         ::testing::Values(Build::kHost, Build::kWin32,
                                           Build::kWin64),
                         CaseName());
