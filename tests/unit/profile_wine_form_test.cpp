// On files in Wine's own form, the host writer must produce the very bytes
// WritePrivateProfileStringA produces under Wine 8. Each sequence of writes
// runs through tests/wine-probes/profile/write_profile.cpp under a private
// Wine prefix and through the host writer, and the files are compared.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/linux/code_page.h"

namespace {

std::string g_dir, g_exe;
bool g_ready = false;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Env() { return "WINEPREFIX=" + g_dir + "/prefix WINEDEBUG=-all "; }

class ProfileWineForm : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char tmpl[] = "/tmp/profile_wine_XXXXXX";
    g_dir = mkdtemp(tmpl);
    std::string src = __FILE__;
    src = src.substr(0, src.rfind('/')) +
          "/../wine-probes/profile/write_profile.cpp";
    g_exe = g_dir + "/write_profile.exe";
    std::string build = "x86_64-w64-mingw32-g++-posix -O1 -static -o " + g_exe +
                        " " + src + " >/dev/null 2>&1";
    if (system(build.c_str()) != 0) {
      fprintf(stderr, "build failed: %s\n", build.c_str());
      return;
    }
    // Their exit codes say little; the prefix's drive_c tells success.
    if (system((Env() + "wineboot --init >/dev/null 2>&1").c_str()) != 0) {
    }
    if (system((Env() + "wineserver -p >/dev/null 2>&1").c_str()) != 0) {
    }
    g_ready = access((g_dir + "/prefix/drive_c").c_str(), F_OK) == 0;
  }
  static void TearDownTestSuite() {
    if (system((Env() + "wineserver -k >/dev/null 2>&1").c_str()) != 0) {
    }
    if (system(("rm -rf " + g_dir).c_str()) != 0) {
    }
  }
  void SetUp() override {
    HostSelectCodePage(1252);
    if (!g_ready) GTEST_SKIP() << "MinGW or Wine unavailable";
  }
};

struct Write {
  std::string section, key, value;
};

void WineWrites(const std::string& path, const std::vector<Write>& writes) {
  std::string cmd = Env() + "wine " + g_exe + " 'Z:" + path + "'";
  for (const Write& w : writes)
    cmd += " '" + w.section + "' '" + w.key + "' '" + w.value + "'";
  cmd += " >/dev/null 2>&1";
  ASSERT_EQ(system(cmd.c_str()), 0) << cmd;
}

void HostWrites(const std::string& path, const std::vector<Write>& writes) {
  for (const Write& w : writes)
    PlatformWriteProfile(w.section.c_str(), w.key.c_str(), w.value.c_str(),
                         path.c_str());
  PlatformCommitProfiles();
}

TEST_F(ProfileWineForm, SequencesGiveWinesBytes) {
  const std::vector<Write> entry = {
      {"PrgStart", "Editor", "7"},
      {"PrgStart", "EditorPath", "C:\\Tools\\Editor\\"},
      {"PrivatPath", "<EditorPath>", "C:\\Tools\\Editor\\"},
      {"PrgStart", "EditorPathRoot", "C:\\"}};
  const struct {
    const char* name;
    std::vector<std::vector<Write>> runs;
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
    std::string wine = g_dir + "/w" + std::to_string(n) + ".ini";
    std::string host = g_dir + "/h" + std::to_string(n) + ".ini";
    ++n;
    for (const auto& run : seq.runs) {
      struct stat before;
      bool existed = stat(host.c_str(), &before) == 0;
      std::string old = Slurp(host);
      WineWrites(wine, run);
      HostWrites(host, run);
      ASSERT_EQ(Slurp(host), Slurp(wine)) << seq.name;
      if (existed && Slurp(host) == old) {
        struct stat after;
        ASSERT_EQ(stat(host.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << seq.name << ": rewritten";
        EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec) << seq.name;
      }
    }
  }
}

}  // namespace
