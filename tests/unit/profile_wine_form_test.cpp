// On files in Wine's own form, the host writer must produce the very bytes
// WritePrivateProfileStringA produces under Wine 8. Each sequence of writes
// runs through tests/wine-probes/profile/write_profile.cpp under a private
// Wine prefix and through the host writer, and the files are compared. On
// other files the two part ways: Wine re-forms the whole file, the host
// changes only the lines it writes.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/linux/code_page.h"
#include "platform/platform.h"
#include "tests/support/files.h"
#include "tests/support/profile_writes.h"
#include "tests/support/wine_lab.h"

namespace {

std::string g_exe;  // the probe, built into the lab's folder
bool g_ready = false;
std::string g_why;  // why the lab is not ready

class ProfileWineForm : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    g_ready = LabPrefixSetUp(&g_why);
    g_exe = LabTempDir() + "/write_profile.exe";
    g_ready =
        g_ready && BuildWineProbe("tests/wine-probes/profile/write_profile.cpp",
                                  g_exe, &g_why);
  }
  static void TearDownTestSuite() { LabPrefixTearDown(); }
  void SetUp() override {
    HostSelectCodePage(1252);
    if (!g_ready) LAB_UNAVAILABLE("MinGW or Wine unavailable: " + g_why);
  }
};

void WineWrites(const std::string& path,
                const std::vector<ProfileWrite>& writes) {
  std::vector<std::string> args = {g_exe, "Z:" + path};
  for (const ProfileWrite& w : writes)
    args.insert(args.end(), {w.section, w.key, w.value});
  std::string error;
  ASSERT_TRUE(RunWine(args, LabTempDir(), 60, &error)) << error;
}

TEST_F(ProfileWineForm, SequencesGiveWinesBytes) {
  const std::vector<ProfileWrite> entry = {
      {"PrgStart", "Editor", "7"},
      {"PrgStart", "EditorPath", "C:\\Tools\\Editor\\"},
      {"PrivatPath", "<EditorPath>", "C:\\Tools\\Editor\\"},
      {"PrgStart", "EditorPathRoot", "C:\\"}};
  const struct {
    const char* name;
    std::vector<std::vector<ProfileWrite>> runs;
  } sequences[] = {
      {"fresh file, one entry", {entry}},
      {"more entries, empty names and values",
       {entry,
        {{"PrgStart", "Viewer", ""},
         {"PrgStart", "ViewerPath", ""},
         {"PrivatPath", "<ViewerPath>", ""},
         {"PrgStart", "ViewerPathRoot", "\\"},
         {"PrgStart", "", ""},
         {"PrgStart", "Path", ""},
         {"PrivatPath", "<Path>", ""},
         {"PrgStart", "PathRoot", "\\"}}}},
      {"update in place and the same again",
       {entry, {{"PrgStart", "EditorPath", "D:\\New\\"}}, entry, entry}},
      {"new key in an existing section, new section, odd names",
       {entry,
        {{"privatpath", "<New>", "x"},
         {"  Third  ", "  k  ", "  spaced  "},
         {"PRGSTART", "editor", "8"},
         {"", "top", "t"}}}},
  };
  int n = 0;
  for (const auto& seq : sequences) {
    std::string wine = LabTempDir() + "/w" + std::to_string(n) + ".ini";
    std::string host = LabTempDir() + "/h" + std::to_string(n) + ".ini";
    ++n;
    for (const auto& run : seq.runs) {
      struct stat before;
      bool existed = stat(host.c_str(), &before) == 0;
      std::string old = FileBytes(host);
      WineWrites(wine, run);
      HostWrites(host, run);
      ASSERT_EQ(FileBytes(host), FileBytes(wine)) << seq.name;
      if (existed && FileBytes(host) == old) {
        struct stat after;
        ASSERT_EQ(stat(host.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << seq.name << ": rewritten";
        EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec) << seq.name;
      }
    }
  }
}

// Measured under Wine 8: every line is re-formed, not only those written.
TEST_F(ProfileWineForm, WineReformsFilesInOtherForms) {
  const std::string before =
      "; top comment\n\n[PrgStart]\nOld = 1\n# hash comment\n\n"
      "Editor = 5\n\n[Tail]  junk\n  last  =  1  ";
  const std::vector<ProfileWrite> writes = {
      {"PrgStart", "Editor", "7"}, {"PrivatPath", "<EditorPath>", "C:\\"}};
  std::string wine = LabTempDir() + "/reformed.ini";
  std::string host = LabTempDir() + "/kept.ini";
  ASSERT_TRUE(WriteBytes(wine, before) && WriteBytes(host, before));
  WineWrites(wine, writes);
  HostWrites(host, writes);
  // Blank lines and the text after ']' go, blanks around '=' and keys go,
  // LF becomes CRLF and the last line gets its line end.
  EXPECT_EQ(FileBytes(wine),
            "; top comment\r\n[PrgStart]\r\nOld=1\r\n# hash comment\r\n"
            "Editor=7\r\n[Tail]\r\nlast=1\r\n[PrivatPath]\r\n"
            "<EditorPath>=C:\\\r\n");
  // The host replaces the one line it writes and adds its new lines in the
  // file's own line end.
  EXPECT_EQ(FileBytes(host),
            "; top comment\n\n[PrgStart]\nOld = 1\n# hash comment\n\n"
            "Editor=7\n\n[Tail]  junk\n  last  =  1  \n[PrivatPath]\n"
            "<EditorPath>=C:\\\n");
}

}  // namespace
