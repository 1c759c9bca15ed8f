// The host's version reader on real images: windres-built programs, images
// derived from them with patched bytes, and the same files under Wine.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bytes/byte_span.h"
#include "pe/pe_layout.h"
#include "platform/linux/host_context.h"
#include "platform/linux/version.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"
#include "tests/support/wine_lab.h"

namespace {

std::string g_dir;  // the built fixtures

// The program's call sequence on the host reader: dwFileVersionMS, or 0.
uint32_t HostFileVersionMS(const std::string& path) {
  uint32_t size = HostVersionInfoSize(path.c_str());
  const HostVersionState* v = HostVersionInfoRead(path.c_str());
  uint32_t ms = 0;
  if (size != 0 && v != nullptr && v->rootLen >= kFixedInfoSize &&
      static_cast<uint64_t>(v->rootOffset) + kFixedInfoSize <= size)
    ReadLe32(ByteSpan(v->block.data() + v->rootOffset, kFixedInfoSize),
             kFixedFileVersionMs, &ms);
  return ms;
}

uint32_t HostUnder(const char* locale, const std::string& name) {
  setenv("LC_ALL", locale, 1);
  HostContext context;
  HostScope scope(context);
  return HostFileVersionMS(g_dir + "/" + name);
}

class VersionReader : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    g_dir = ProgramTempDir() + "/fx";
    std::string script = SourcePath("tests/fixtures/version/build-fixtures.sh");
    std::string log = ProgramTempDir() + "/build.log";
    int status = -1;
    std::string error;
    ASSERT_TRUE(RunChild({"bash", script, g_dir}, ProgramTempDir(), log, 300,
                         &status, &error))
        << error;
    ASSERT_EQ(status, 0) << "see " << log;
  }
  static void TearDownTestSuite() { LabPrefixTearDown(); }
  // Each test starts in the C locale, whatever the one before chose.
  void SetUp() override {
    setenv("LC_ALL", "C", 1);
    Host().locale = {};
  }
};

// dwFileVersionMS of every fixture, with US English as the user language.
const struct {
  const char* file;
  uint32_t ms;
} kFixtures[] = {
    {"v7_64.exe", 0x00070001},  // FILEVERSION 7.1, PRODUCTVERSION 8.2
    {"v7_32.exe", 0x00070001},
    {"v7_64.dll", 0x00070001},
    {"v10_64.exe", 0x000A0000},
    {"v0_9_64.exe", 0x00000009},
    {"v65535_64.exe", 0xFFFF0001},
    {"v65535_32.exe", 0xFFFF0001},
    {"noversion_64.exe", 0},
    {"noversion_32.exe", 0},
    {"other_64.exe", 0},  // RCDATA and a string table only
    {"id2_64.exe", 0},
    {"named_64.exe", 0},
    {"empty.bin", 0},
    {"mz_only.bin", 0},
    {"text.txt", 0},
    {"ne_v7.exe", 0x00070001},  // 16-bit image
    {"ne_short.exe", 0},        // its record runs past the resource
    {"trunc512.exe", 0},
    {"cut_in_directory.exe", 0},
    {"cut_in_version.exe", 0},
    // Cut right after the version data, inside the resource section's raw
    // data: measured under Wine 8, no version (cut after the section: kept).
    {"cut_after_version.exe", 0},
    {"cut_after_version_32.exe", 0},
    {"bad_mz.exe", 0},
    {"bad_pe_sig.exe", 0},
    {"lfanew_past_end.exe", 0},
    {"bad_opt_magic.exe", 0},
    {"numrva_2.exe", 0},
    {"resdir_zero.exe", 0},
    {"resdir_size_8.exe", 0},
    {"resdir_unmapped.exe", 0},
    {"rsrc_raw_past_end.exe", 0},
    {"nsections_0.exe", 0},
    {"nsections_huge.exe", 0},
    {"type_cycle.exe", 0},
    {"name_cycle.exe", 0},
    {"type_not_dir.exe", 0},
    {"lang_is_dir.exe", 0},
    {"root_count_huge.exe", 0},
    {"type_id_high_bits.exe", 0x00070001},  // only the low 16 bits compare
    {"type_id_string_bit.exe", 0x00070001},
    {"data_size_huge.exe", 0},
    {"data_size_60.exe", 0},  // the record runs past the resource
    {"data_size_2.exe", 0},
    {"data_size_0.exe", 0},
    {"data_rva_unmapped.exe", 0},
    {"value_len_0.exe", 0},
    {"value_len_20.exe", 0},
    {"value_len_51.exe", 0},
    {"wlength_0.exe", 0x00070001},  // "FE2X" lands on the header
    {"wlength_huge.exe", 0x00070001},
    {"bad_fixed_sig.exe", 0x00070001},
    {"bad_key.exe", 0x00070001},
    {"wtype_text.exe", 0x03040802},  // converted as text
    {"wtype_0x80.exe", 0x03040802},
    {"wtype_0x41.exe", 0x00530052},  // read with the 16-bit layout
    {"dir_va_in_headers.exe", 0},
    {"far_resource_1g.exe", 0x00070001},
};

TEST_F(VersionReader, Fixtures) {
  for (const auto& f : kFixtures) {
    EXPECT_EQ(HostUnder("C", f.file), f.ms) << f.file;
  }
}

// Measured under Wine 8; each entry's major version is its LANGID, 60000 for
// neutral.
TEST_F(VersionReader, LanguageChoice) {
  const struct {
    const char* locale;
    const char* file;
    uint32_t major;
  } cases[] = {
      {"C", "lang_de_fr_64.exe", 0x0407},  // lowest ID
      {"C", "lang_fr_de_us_64.exe", 0x0409},
      {"C", "lang_us_neutral_64.exe", 60000},  // neutral first
      {"C", "lang_gb_de_64.exe", 0x0407},
      {"C", "lang_gb_us_64.exe", 0x0409},
      {"C", "lang_ar0_de0_64.exe", 0x0001},
      {"de_DE.UTF-8", "lang_fr_de_us_64.exe", 0x0407},
      {"de_DE.UTF-8", "lang_us_neutral_64.exe", 60000},
      {"de_DE.UTF-8", "lang_ar0_de0_64.exe", 0x0007},  // neutral sublanguage
      {"de_DE.UTF-8", "lang_us_cs_64.exe", 0x0409},    // then US English
      {"de_DE.UTF-8", "lang_fr_cs_64.exe", 0x0405},
      {"de_AT.UTF-8", "lang_deat_cs_64.exe", 0x0C07},
      {"de_DE.UTF-8", "lang_deat_cs_64.exe", 0x0405},  // no sibling country
      {"fr_FR.UTF-8", "lang_de_fr_64.exe", 0x040C},
      {"fr_FR.UTF-8", "lang_ja_fr_cs_64.exe", 0x040C},
      {"en_GB.UTF-8", "lang_gb_us_64.exe", 0x0809},
      {"xx_YY.UTF-8", "lang_fr_de_us_64.exe", 0x0409},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HostUnder(c.locale, c.file) >> 16, c.major)
        << c.locale << " " << c.file;
  }
}

TEST(VersionLocale, OnlyLcAllCountsForUninstalledLocales) {
  // Measured under Wine 8 with only the C locales installed.
  const struct {
    const char* var;
    const char* value;
    uint16_t user;
  } cases[] = {
      {"LC_ALL", "de_DE.UTF-8", 0x0407},
      {"LANG", "de_DE.UTF-8", 0x0409},
      {"LC_MESSAGES", "de_DE.UTF-8", 0x0409},
      {"LC_CTYPE", "de_DE.UTF-8", 0x0409},
      {"LC_ALL", "", 0x0409},
  };
  const char* vars[] = {"LC_ALL", "LANG", "LC_MESSAGES", "LC_CTYPE"};
  for (const auto& c : cases) {
    for (const char* v : vars) unsetenv(v);
    setenv(c.var, c.value, 1);
    Host().locale = {};
    const WineLocaleChoice& langs = HostLocale();
    EXPECT_EQ(langs.userLcid, c.user) << c.var << "=" << c.value;
    EXPECT_EQ(langs.systemLcid, c.user) << c.var << "=" << c.value;
  }
  for (const char* v : vars) unsetenv(v);
  setenv("LC_ALL", "C", 1);
  Host().locale = {};
}

TEST_F(VersionReader, NonRegularFilesGiveNothingAtOnce) {
  std::string fifo = g_dir + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string sock = g_dir + "/sock";
  int s = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(s, 0);
  sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(sock.size(), sizeof addr.sun_path);
  memcpy(addr.sun_path, sock.c_str(), sock.size() + 1);
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  const std::string paths[] = {
      fifo, sock, g_dir, "/dev/zero", "/dev/null", g_dir + "/missing.exe"};
  for (const auto& p : paths) {
    EXPECT_EQ(HostFileVersionMS(p), 0u) << p;
  }
  close(s);
}

// The resource at the end of a sparse 1 GiB file fills the block that the
// same resource fills at its usual place.
TEST_F(VersionReader, LargeSparseFileGivesTheResourceAtItsEnd) {
  HostContext context;
  HostScope scope(context);
  std::vector<unsigned char> blocks[2];
  const char* files[] = {"far_resource_1g.exe", "v7_64.exe"};
  for (int i = 0; i < 2; ++i) {
    std::string path = g_dir + "/" + files[i];
    ASSERT_GT(HostVersionInfoSize(path.c_str()), 0u) << files[i];
    blocks[i] = HostVersionInfoRead(path.c_str())->block;
  }
  EXPECT_EQ(blocks[0], blocks[1]);
  EXPECT_EQ(HostFileVersionMS(g_dir + "/far_resource_1g.exe"), 0x00070001u);
}

TEST_F(VersionReader, ChangedFileIsReadAgain) {
  std::string path = g_dir + "/changing.exe";
  const auto overwrite = std::filesystem::copy_options::overwrite_existing;
  ASSERT_TRUE(
      std::filesystem::copy_file(g_dir + "/v7_64.exe", path, overwrite));
  ASSERT_GT(HostVersionInfoSize(path.c_str()), 0u);
  ASSERT_TRUE(
      std::filesystem::copy_file(g_dir + "/v10_64.exe", path, overwrite));
  EXPECT_EQ(HostFileVersionMS(path), 0x000A0000u);
}

// The platform's own calls under Wine against the host reader, on every
// fixture whose platform answer depends only on bytes of the file's version
// data. Left out: the platform reads past the image (data_rva_unmapped and
// data_size_huge crash the probe), or takes record bytes from past the end
// of the resource (data_size_60, ne_short: the block's zero fill).
TEST_F(VersionReader, AgreesWithWine) {
  const std::set<std::string> excluded = {
      "data_rva_unmapped.exe", "data_size_huge.exe", "data_size_60.exe",
      "ne_short.exe", "version_probe.exe"};
  std::string error;
  ASSERT_TRUE(LabPrefixSetUp(&error)) << error;
  std::vector<std::string> files;
  for (const auto& f : kFixtures) files.push_back(f.file);
  const char* langFiles[] = {"lang_de_fr_64.exe",      "lang_fr_de_us_64.exe",
                             "lang_us_neutral_64.exe", "lang_ar0_de0_64.exe",
                             "lang_us_cs_64.exe",      "lang_deat_cs_64.exe"};
  for (const char* f : langFiles) files.push_back(f);
  int compared = 0;
  for (const char* locale : {"C", "de_DE.UTF-8"}) {
    for (const auto& f : files) {
      if (excluded.count(f) != 0) continue;
      std::string out = g_dir + "/probe-out.txt";
      remove(out.c_str());
      ASSERT_TRUE(RunWine({"version_probe.exe", "probe-out.txt", f}, g_dir, 60,
                          &error, locale))
          << f << ": " << error;
      std::ifstream in(out);
      std::string langs, line, field;
      std::getline(in, langs);
      std::getline(in, line);
      std::istringstream fields(line);
      for (int i = 0; i < 6; ++i) fields >> field;
      uint32_t wine =
          static_cast<uint32_t>(strtoul(field.c_str(), nullptr, 16));
      EXPECT_EQ(HostUnder(locale, f), wine)
          << locale << " " << f << ": " << line;
      ++compared;
    }
  }
  EXPECT_GT(compared, 100);
}

}  // namespace
