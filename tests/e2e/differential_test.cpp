// Each host program against the Windows build it answers as (instprobe and
// the 64-bit build, instprobe32 and the 32-bit build): the same search list,
// the same prefix and the same starting variables file must give
// byte-identical variables files. The suite runs in a 64-bit prefix, and
// again in a 32-bit one (WINEARCH=win32).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/e2e/expected_vars.h"
#include "tests/e2e/lab_cases.h"
#include "tests/e2e/locale_cases.h"
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
  // Every build traces to a file, and the host programs run untraced too:
  // the trace must change no byte of the variables file.
  bool traced = false;
};

void PrintTo(const Start& start, std::ostream* out) { *out << start.name; }
void PrintTo(const LocaleCase& locale, std::ostream* out) { *out << locale.name; }

static const Start kNormalStarts[] = {
    {"fresh", nullptr},
    {"over_wine_form_file", "stvar-wine-form.ini"},
    {"fresh_traced", nullptr, true}};

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
  std::string trace;  // without the lines that name files of one platform
};

// The trace's lines but the first (it names the run's own folder, one per
// build) and the host's lines about the prefix it reads.
static std::string CommonTraceLines(const std::string& trace) {
  std::string kept;
  for (const std::string& line : Lines(trace)) {
    if (line.rfind("start: ", 0) != 0 && line.rfind("registry: ", 0) != 0)
      kept += line + "\n";
  }
  return kept;
}

// $INSTPROBE_WINDOWS_RESULTS: a folder that keeps what the Windows builds
// wrote, by everything the run was given. The test command's host pass
// fills it; its valgrind pass, which checks the host runs, reads the same
// runs' results back instead of running Wine on the same inputs again.
static std::string KeptResultPath(Build build, const std::string& name,
                                  const std::string& list,
                                  const std::string* before,
                                  const std::string& localeVar) {
  const char* dir = getenv("INSTPROBE_WINDOWS_RESULTS");
  if (dir == nullptr || dir[0] == '\0' || build == Build::kHost ||
      build == Build::kHost32)
    return std::string();
  const char* arch = getenv("WINEARCH");
  std::string key = std::string(BuildName(build)) + '\0' + name + '\0' +
                    list + '\0' + (before ? "1" + *before : "0") + '\0' +
                    localeVar + '\0' + (arch ? arch : "");
  uint64_t hash = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : key) hash = (hash ^ c) * 1099511628211ull;
  char file[40];
  snprintf(file, sizeof file, "/%016llx", static_cast<unsigned long long>(hash));
  return dir + std::string(file);
}

// Kept results name the lab's drive by a mark: a later run has a lab of its
// own, and a value may hold the lab's Unix path.
static std::string Swapped(std::string text, const std::string& from,
                           const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

static void RunOne(Build build, const std::string& name,
                   const std::string& list, const std::string* before,
                   Outcome* outcome, const std::string& localeVar = "",
                   bool traced = false) {
  std::string kept = KeptResultPath(build, name, list, before, localeVar);
  std::string keptBytes;
  if (!kept.empty() && ReadBytes(kept, &keptBytes) && !keptBytes.empty()) {
    outcome->exists = keptBytes[0] == '1';
    outcome->bytes = Swapped(keptBytes.substr(1), "{drive_c}", LabDriveC());
    if (traced && ReadBytes(kept + ".trace", &outcome->trace))
      outcome->trace = Swapped(outcome->trace, "{drive_c}", LabDriveC());
    return;
  }
  RunFolder folder;
  std::string error;
  ASSERT_TRUE(MakeRunFolder(build, name, &folder, &error)) << error;
  folder.localeVar = localeVar;
  if (traced) folder.traceVar = TraceValue(folder);
  ASSERT_TRUE(WriteBytes(SearchListPath(folder), list));
  if (before != nullptr) {
    ASSERT_TRUE(WriteBytes(VariablesPath(folder), *before));
  }
  ASSERT_TRUE(RunInstprobe(folder, folder.dir, &error)) << error;
  if (traced) {
    EXPECT_TRUE(TraceHolds(folder, "start: search list \ncommit: ", &error))
        << error;
    ReadBytes(TracePath(folder), &outcome->trace);
    outcome->trace = CommonTraceLines(outcome->trace);
  }
  outcome->exists = ReadBytes(VariablesPath(folder), &outcome->bytes);
  if (!kept.empty()) {
    WriteBytes(kept, (outcome->exists ? "1" : "0") +
                         Swapped(outcome->bytes, LabDriveC(), "{drive_c}"));
    if (traced)
      WriteBytes(kept + ".trace",
                 Swapped(outcome->trace, LabDriveC(), "{drive_c}"));
  }
}

// Runs `host` and the Windows build it answers as on the same list and
// start, with the one locale variable `localeVar` when it is given, and
// compares the variables files. In a 32-bit prefix, where the 64-bit
// Windows build cannot run, both host programs are compared with the 32-bit
// build, as the 32-bit program there sees what the 64-bit one sees in a
// 64-bit prefix.
static void ExpectSameOutput(Build host, const std::string& name,
                             const std::string& list, const Start& start,
                             const std::string& localeVar = "") {
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
  ASSERT_NO_FATAL_FAILURE(RunOne(windows, runName, list, beforeFile,
                                 &reference, localeVar, start.traced));
  std::vector<std::pair<Build, bool>> runs;
  for (Build build : hosts) {
    runs.push_back({build, start.traced});
    if (start.traced) runs.push_back({build, false});
  }
  for (auto [build, traced] : runs) {
    Outcome outcome;
    ASSERT_NO_FATAL_FAILURE(RunOne(build, runName + (traced ? "" : "-off"),
                                   list, beforeFile, &outcome, localeVar,
                                   traced));
    EXPECT_EQ(reference.exists, outcome.exists)
        << name << ": stvar.ini " << (reference.exists ? "" : "not ")
        << "written by " << BuildName(windows) << ", "
        << (outcome.exists ? "" : "not ") << "by " << BuildName(build);
    EXPECT_EQ(reference.bytes, outcome.bytes)
        << name << " differs:\n"
        << DescribeDifference(BuildName(windows), reference.bytes,
                              BuildName(build), outcome.bytes);
    if (traced) {
      EXPECT_EQ(reference.trace, outcome.trace)
          << name << ": the traces differ:\n"
          << DescribeDifference(BuildName(windows), reference.trace,
                                BuildName(build), outcome.trace);
    }
  }
}

static const auto kStarts = ::testing::ValuesIn(kNormalStarts);
static const auto kHosts = ::testing::Values(Build::kHost, Build::kHost32);

// The locale's own text in a search list written in its code page: a key,
// a value name and a directory in that text, a file named in it that is
// there and one that is not, and variables named in it.
static std::string NativeList(const LocaleCase& locale) {
  const std::string key = IntlKey(locale);
  const std::string& n = locale.native;
  std::string utf8 = "[FILE0]\r\nRegKey=" + key +
                     "\\InstallDir\r\nFileName=editor.exe\r\nVarName=" + n +
                     "\r\n[FILE1]\r\nRegKey=" + key + "\\" + n +
                     "\r\nFileName=editor.exe\r\nVarName=V" + n +
                     "\r\n[FILE2]\r\nRegKey=" + key + "\\" + n +
                     "\\InstallDir\r\nFileName=" + n +
                     ".exe\r\nVarName=" + n + "2\r\n[FILE3]\r\nRegKey=" + key +
                     "\\InstallDir\r\nFileName=" + n + "x.exe\r\nVarName=X" +
                     n + "\r\n";
  return EncodeText(utf8, locale.charset);
}

// The long values of the corpus with the locale's first character put in
// their last two bytes, and once more a byte earlier: a character split at
// each limit of the reads.
static std::string SplitAtLimits(const LocaleCase& locale, size_t shift) {
  std::string list;
  ReadBytes(CorpusDir() + "/lists/long_values.ini", &list);
  const std::string& n = locale.native;
  size_t first = 1;  // the first character's UTF-8 bytes
  while (first < n.size() && (static_cast<unsigned char>(n[first]) & 0xC0) == 0x80)
    ++first;
  std::string ch = EncodeText(n.substr(0, first), locale.charset);
  size_t width = ch.size();
  std::string out;
  for (std::string line : Lines(list)) {
    size_t body = line.size() - (!line.empty() && line.back() == '\r');
    if (body > 200 + shift + width)
      line.replace(body - width - shift, width, ch);
    out += line + "\n";
  }
  // Without a line end after the last line, as the list.
  if (!list.empty() && list.back() != '\n') out.pop_back();
  return out;
}

class LocaleTest
    : public ::testing::TestWithParam<std::tuple<LocaleCase, std::string>> {};

TEST_P(LocaleTest, HostMatchesWindows) {
  const LocaleCase& locale = std::get<0>(GetParam());
  const std::string& file = std::get<1>(GetParam());
  std::string list;
  if (file == "native") {
    list = NativeList(locale);
  } else if (file == "split_at_limits") {
    list = SplitAtLimits(locale, 0);
  } else if (file == "split_a_byte_earlier") {
    list = SplitAtLimits(locale, 1);
  } else if (file == "lookups") {
    std::vector<ListEntry> entries;
    for (const LookupCase& lookup : LookupCases())
      entries.push_back({lookup.regKey, lookup.fileName, lookup.name});
    list = SearchListText(entries);
  } else {
    ASSERT_TRUE(ReadBytes(CorpusDir() + "/lists/" + file, &list)) << file;
  }
  ASSERT_FALSE(list.empty()) << file;
  // In another locale the host must write what the 64-bit build writes.
  SCOPED_TRACE(locale.env);
  ExpectSameOutput(Build::kHost, fs::path(file).stem().string(), list,
                   Start{locale.name.c_str(), nullptr}, locale.env);
}

// The whole corpus, every lookup (in one list: each entry is probed on its
// own) and the locale's own lists, in each locale, from no variables file.
static std::vector<std::string> LocaleLists() {
  std::vector<std::string> lists = CorpusLists();
  for (const char* own :
       {"lookups", "native", "split_at_limits", "split_a_byte_earlier"})
    lists.push_back(own);
  return lists;
}

INSTANTIATE_TEST_SUITE_P(
    Locales, LocaleTest,
    ::testing::Combine(::testing::ValuesIn(LocaleCases()),
                       ::testing::ValuesIn(LocaleLists())),
    CaseName());

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

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusTest,
                         ::testing::Combine(::testing::ValuesIn(CorpusLists()),
                                            kStarts, kHosts),
                         CaseName());

INSTANTIATE_TEST_SUITE_P(
    OtherForms, CorpusTest,
    ::testing::Combine(::testing::ValuesIn(kOtherFormLists),
                       ::testing::ValuesIn(kOtherFormStarts), kHosts),
    CaseName());

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
    CaseName());
