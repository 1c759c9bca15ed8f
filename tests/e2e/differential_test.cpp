// Each host program against the Windows build it answers as (instprobe and
// the 64-bit build, instprobe32 and the 32-bit build): the same search list,
// the same prefix and the same starting variables file must give
// byte-identical variables files. The suite runs in a 64-bit prefix, and
// again in a 32-bit one (WINEARCH=win32).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "tests/e2e/expected_vars.h"
#include "tests/e2e/lab_cases.h"
#include "tests/e2e/run_folder.h"
#include "tests/e2e/text_diff.h"
#include "tests/support/wine_lab.h"

namespace fs = std::filesystem;

static std::string CorpusDir() { return E2E_CORPUS_DIR; }

// The search lists of the corpus, by file name.
static std::vector<std::string> CorpusLists() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& item : fs::directory_iterator(CorpusDir() + "/lists", ec)) {
    if (item.path().extension() == ".ini") {
      names.push_back(item.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Where a run starts: no variables file, or a copy of a file of the corpus.
struct Start {
  const char* name;
  const char* file;  // under the corpus folder; nullptr: no file
};

void PrintTo(const Start& start, std::ostream* out) { *out << start.name; }

static const Start kNormalStarts[] = {
    {"fresh", nullptr}, {"over_wine_form_file", "stvar-wine-form.ini"}};

// Files a person or another program wrote, not in the platform's own form.
static const Start kOtherFormStarts[] = {
    {"over_comments_and_blanks", "starts/comments-blanks-spaces.ini"},
    {"over_lf_endings", "starts/lf-endings.ini"},
    {"over_cr_endings", "starts/cr-endings.ini"},
    {"over_utf8_bom", "starts/utf8-bom.ini"},
    {"over_utf16le_bom", "starts/utf16le-bom.ini"},
    {"over_no_final_line_end", "starts/no-final-line-end.ini"}};

// The lists run over those files: the ones whose keys the files hold, with
// ANSI and UTF-8 names, odd names and a long walk.
static const std::vector<std::string> kOtherFormLists = {
    "basic.ini", "cp1252_bytes.ini", "utf8_bom.ini", "var_name_odd.ini",
    "walk_to_file12.ini"};

struct Outcome {
  bool exists = false;
  std::string bytes;
};

static void RunOne(Build build, const std::string& name,
                   const std::string& list, const std::string* before,
                   Outcome* outcome) {
  RunFolder folder;
  std::string error;
  ASSERT_TRUE(MakeRunFolder(build, name, &folder, &error)) << error;
  ASSERT_TRUE(WriteBytes(SearchListPath(folder), list));
  if (before != nullptr) {
    ASSERT_TRUE(WriteBytes(VariablesPath(folder), *before));
  }
  ASSERT_TRUE(RunInstprobe(folder, folder.dir, &error)) << error;
  outcome->exists = ReadBytes(VariablesPath(folder), &outcome->bytes);
}

// Runs `host` and the Windows build it answers as on the same list and
// start, and compares the variables files. In a 32-bit prefix, where the
// 64-bit Windows build cannot run, both host programs are compared with the
// 32-bit build, as the 32-bit program there sees what the 64-bit one sees in
// a 64-bit prefix.
static void ExpectSameOutput(Build host, const std::string& name,
                             const std::string& list, const Start& start) {
  bool prefix64 = LabPrefixIs64Bit();
  if (!prefix64 && host == Build::kHost)
    GTEST_SKIP() << "a 32-bit prefix runs no 64-bit program: instprobe is "
                    "compared with the 32-bit build there";
  Build windows = host == Build::kHost ? Build::kWin64 : Build::kWin32;
  std::vector<Build> hosts = {host};
  if (!prefix64) hosts.push_back(Build::kHost);
  for (Build build : hosts) E2E_REQUIRE_BUILD(build);
  E2E_REQUIRE_BUILD(windows);
  std::string before;
  if (start.file != nullptr) {
    ASSERT_TRUE(ReadBytes(CorpusDir() + "/" + start.file, &before));
  }
  const std::string* beforeFile = start.file ? &before : nullptr;
  std::string runName = name + "-" + start.name;
  Outcome reference;
  ASSERT_NO_FATAL_FAILURE(
      RunOne(windows, runName, list, beforeFile, &reference));
  for (Build build : hosts) {
    Outcome outcome;
    ASSERT_NO_FATAL_FAILURE(RunOne(build, runName, list, beforeFile, &outcome));
    EXPECT_EQ(reference.exists, outcome.exists)
        << name << ": stvar.ini " << (reference.exists ? "" : "not ")
        << "written by " << BuildName(windows) << ", "
        << (outcome.exists ? "" : "not ") << "by " << BuildName(build);
    EXPECT_EQ(reference.bytes, outcome.bytes)
        << name << " differs:\n"
        << DescribeDifference(BuildName(windows), reference.bytes,
                              BuildName(build), outcome.bytes);
  }
}

static const auto kStarts = ::testing::ValuesIn(kNormalStarts);
static const auto kHosts = ::testing::Values(Build::kHost, Build::kHost32);

class CorpusTest
    : public ::testing::TestWithParam<std::tuple<std::string, Start, Build>> {};

TEST_P(CorpusTest, HostMatchesWindows) {
  const std::string& file = std::get<0>(GetParam());
  std::string list;
  ASSERT_TRUE(ReadBytes(CorpusDir() + "/lists/" + file, &list)) << file;
  ExpectSameOutput(std::get<2>(GetParam()),
                   "list-" + fs::path(file).stem().string(), list,
                   std::get<1>(GetParam()));
}

static std::string TestNameOf(const std::string& text) {
  std::string name;
  for (char c : text) name += isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

static std::string ListTestName(
    const ::testing::TestParamInfo<std::tuple<std::string, Start, Build>>&
        info) {
  return TestNameOf(fs::path(std::get<0>(info.param)).stem().string()) + "_" +
         std::get<1>(info.param).name + "_" +
         BuildName(std::get<2>(info.param));
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusTest,
                         ::testing::Combine(::testing::ValuesIn(CorpusLists()),
                                            kStarts, kHosts),
                         ListTestName);

INSTANTIATE_TEST_SUITE_P(
    OtherForms, CorpusTest,
    ::testing::Combine(::testing::ValuesIn(kOtherFormLists),
                       ::testing::ValuesIn(kOtherFormStarts), kHosts),
    ListTestName);

class LookupDifferentialTest
    : public ::testing::TestWithParam<std::tuple<LookupCase, Start, Build>> {};

TEST_P(LookupDifferentialTest, HostMatchesWindows) {
  const LookupCase& lookup = std::get<0>(GetParam());
  ExpectSameOutput(
      std::get<2>(GetParam()), "lookup-" + lookup.name,
      SearchListText({{lookup.regKey, lookup.fileName, lookup.name}}),
      std::get<1>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, LookupDifferentialTest,
    ::testing::Combine(::testing::ValuesIn(LookupCases()), kStarts, kHosts),
    [](const ::testing::TestParamInfo<std::tuple<LookupCase, Start, Build>>&
           info) {
      return std::get<0>(info.param).name + "_" + std::get<1>(info.param).name +
             "_" + BuildName(std::get<2>(info.param));
    });

// A corpus that lost its lists would let every case above pass unseen.
TEST(CorpusTest, HasSearchLists) { EXPECT_GE(CorpusLists().size(), 20u); }
