// The host build against the 64-bit Windows build: the same search list and
// the same prefix must give byte-identical variables files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "tests/e2e/expected_vars.h"
#include "tests/e2e/lab_cases.h"
#include "tests/e2e/run_folder.h"
#include "tests/e2e/text_diff.h"

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

enum class Start { kNoFile, kWineFormFile };

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

static void ExpectSameOutput(const std::string& name, const std::string& list,
                             Start start) {
  E2E_REQUIRE_BUILD(Build::kHost);
  E2E_REQUIRE_BUILD(Build::kWin64);
  std::string before;
  if (start == Start::kWineFormFile) {
    ASSERT_TRUE(ReadBytes(CorpusDir() + "/stvar-wine-form.ini", &before));
  }
  const std::string* beforeFile =
      start == Start::kWineFormFile ? &before : nullptr;
  std::string runName = name + (beforeFile ? "-over" : "-fresh");
  Outcome host;
  Outcome win64;
  ASSERT_NO_FATAL_FAILURE(
      RunOne(Build::kHost, runName, list, beforeFile, &host));
  ASSERT_NO_FATAL_FAILURE(
      RunOne(Build::kWin64, runName, list, beforeFile, &win64));

  ASSERT_EQ(win64.exists, host.exists)
      << name << ": stvar.ini " << (win64.exists ? "written" : "not written")
      << " by win64 but " << (host.exists ? "written" : "not written")
      << " by host";
  EXPECT_EQ(win64.bytes, host.bytes)
      << name << " differs:\n"
      << DescribeDifference("win64", win64.bytes, "host", host.bytes);
}

static std::string StartName(Start start) {
  return start == Start::kNoFile ? "fresh" : "over_wine_form_file";
}

static const auto kStarts =
    ::testing::Values(Start::kNoFile, Start::kWineFormFile);

class CorpusTest
    : public ::testing::TestWithParam<std::tuple<std::string, Start>> {};

TEST_P(CorpusTest, HostMatchesWin64) {
  const std::string& file = std::get<0>(GetParam());
  std::string list;
  ASSERT_TRUE(ReadBytes(CorpusDir() + "/lists/" + file, &list)) << file;
  ExpectSameOutput("list-" + fs::path(file).stem().string(), list,
                   std::get<1>(GetParam()));
}

static std::string TestNameOf(const std::string& text) {
  std::string name;
  for (char c : text) name += isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, CorpusTest,
    ::testing::Combine(::testing::ValuesIn(CorpusLists()), kStarts),
    [](const ::testing::TestParamInfo<std::tuple<std::string, Start>>& info) {
      return TestNameOf(fs::path(std::get<0>(info.param)).stem().string()) +
             "_" + StartName(std::get<1>(info.param));
    });

class LookupDifferentialTest
    : public ::testing::TestWithParam<std::tuple<LookupCase, Start>> {};

TEST_P(LookupDifferentialTest, HostMatchesWin64) {
  const LookupCase& lookup = std::get<0>(GetParam());
  ExpectSameOutput(
      "lookup-" + lookup.name,
      SearchListText({{lookup.regKey, lookup.fileName, lookup.name}}),
      std::get<1>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, LookupDifferentialTest,
    ::testing::Combine(::testing::ValuesIn(LookupCases()), kStarts),
    [](const ::testing::TestParamInfo<std::tuple<LookupCase, Start>>& info) {
      return std::get<0>(info.param).name + "_" +
             StartName(std::get<1>(info.param));
    });

// A corpus that lost its lists would let every case above pass unseen.
TEST(CorpusTest, HasSearchLists) { EXPECT_GE(CorpusLists().size(), 20u); }
