// The walk over the search list and the variables file, on each build.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fcntl.h>

#include <set>
#include <tuple>

#include "tests/e2e/expected_vars.h"
#include "tests/e2e/lab_cases.h"
#include "tests/e2e/run_folder.h"
#include "tests/e2e/text_diff.h"
#include "tests/support/child_process.h"
#include "tests/support/wine_lab.h"

static const char kMissingKey[] =
    "HKEY_LOCAL_MACHINE\\Software\\Lab\\NoSuchKey\\InstallDir";
static const char kTenKey[] =
    "HKEY_LOCAL_MACHINE\\Software\\Lab\\Versions\\Ten";

static VarEntry Found(const std::string& varName) {
  return {varName, "7", "C:\\lab\\Editor\\"};
}
static VarEntry Empty(const std::string& varName) { return {varName, "", ""}; }

// A WalkCase's list when the run has no stpsrch.ini.
static const char kNoList[] = "(no search list)";

struct WalkCase {
  std::string name;
  std::string list;                   // stpsrch.ini bytes, or kNoList
  std::vector<VarEntry> written;      // what this run adds, in order
  std::string trace = "";             // lines the trace must hold, one a line
  std::vector<VarEntry> before = {};  // stvar.ini written by an earlier run
  bool readOnly = false;              // the earlier stvar.ini has no write bit
  // A Windows build runs with VERSION.dll planted beside it and in another
  // working directory: it must not load either.
  bool planted = false;
  // A stranger's search list in another working directory: it is not read,
  // and no variables file is written there.
  std::string strangerList = "";
};

void PrintTo(const WalkCase& walk, std::ostream* out) { *out << walk.name; }

static std::vector<WalkCase> MakeWalkCases() {
  std::vector<ListEntry> thirteen;
  std::vector<VarEntry> thirteenWritten;
  for (int i = 0; i <= 12; ++i) {
    // Alternate found and not found, so one entry's result cannot leak
    // into the next.
    std::string name = "V" + std::to_string(i);
    thirteen.push_back({i % 2 ? kMissingKey : kEditorKey, "editor.exe", name});
    thirteenWritten.push_back(i % 2 ? Empty(name) : Found(name));
  }
  std::string afterGap =
      SearchListText({{kEditorKey, "editor.exe", "Late"}}, 14);

  return {
      {"no_search_list",
       kNoList,
       {},
       "stpsrch.ini\" (not found)\n[FILE0] the walk ends: RegKey \"\" is "
       "shorter than 2 bytes\ncommit: nothing to write, no entry was written"},
      {"empty_search_list", "", {}},
      {"gap_ends_walk",
       SearchListText({{kEditorKey, "editor.exe", "A"}}) +
           SearchListText({{kEditorKey, "editor.exe", "B"}}, 2),
       {Found("A")},
       "[FILE1] the walk ends: RegKey \"\" is shorter than 2 bytes"},
      {"sections_to_file12", SearchListText(thirteen) + afterGap,
       thirteenWritten},
      {"one_byte_regkey_ends_walk",
       SearchListText(
           {{"X", "editor.exe", "A"}, {kEditorKey, "editor.exe", "B"}}),
       {},
       "[FILE0] the walk ends: RegKey \"X\" is shorter than 2 bytes"},
      {"missing_regkey_ends_walk",
       "[FILE0]\r\nFileName=editor.exe\r\nVarName=A\r\n" +
           SearchListText({{kEditorKey, "editor.exe", "B"}}, 1),
       {}},
      {"two_byte_regkey_goes_on",
       SearchListText(
           {{"XY", "editor.exe", "A"}, {kEditorKey, "editor.exe", "B"}}),
       {Empty("A"), Found("B")}},
      {"regkey_alone",
       std::string("[FILE0]\r\nRegKey=") + kEditorKey + "\r\n",
       {{"", "0", "C:\\lab\\Editor\\"}}},
      {"not_found_gives_lone_backslash_root",
       SearchListText({{kMissingKey, "editor.exe", "A"}}),
       {Empty("A")}},
      {"empty_var_name",
       SearchListText({{kEditorKey, "editor.exe", ""}}),
       {Found("")}},
      {"same_var_name_later_wins",
       SearchListText({{kEditorKey, "editor.exe", "A"},
                       {kTenKey, "ten.exe", "B"},
                       {kMissingKey, "editor.exe", "A"}}),
       {Found("A"), {"B", "10", "C:\\lab\\Ten\\"}, Empty("A")}},
      {"earlier_keys_stay",
       SearchListText({{kEditorKey, "editor.exe", "New"}}),
       {Found("New")},
       "",
       {{"Old", "3", "D:\\Old\\"}, Empty("Gone")}},
      {"earlier_value_replaced",
       SearchListText({{kEditorKey, "editor.exe", "A"}}),
       {Found("A")},
       "",
       {{"A", "3", "D:\\Old\\"}, {"Z", "1", "C:\\Z\\"}}},
      {"unwritable_var_names_skipped",
       SearchListText({{kEditorKey, "editor.exe", "a=b"},
                       {kEditorKey, "editor.exe", "[br"},
                       {kEditorKey, "editor.exe", "Ok"},
                       {kEditorKey, "editor.exe", "x[y"}}),
       {Found("Ok"), Found("x[y")},
       "[FILE0] skipped: the VarName holds '='\n[FILE1] skipped: the VarName "
       "begins with '['"},
      {"read_only_variables_file",
       SearchListText({{kEditorKey, "editor.exe", "A"}}),
       {},
       "commit: the variables file is read-only and was left alone",
       {{"A", "3", "D:\\Old\\"}},
       true},
      {"only_unwritable_var_names",
       SearchListText({{kEditorKey, "editor.exe", "="}}),
       {},
       "commit: nothing to write, no entry was written"},
      {"planted_version_dll",
       SearchListText({{kEditorKey, "editor.exe", "A"}}),
       {Found("A")},
       "",
       {},
       false,
       true},
      {"files_beside_the_executable",
       SearchListText({{kEditorKey, "editor.exe", "Mine"}}),
       {Found("Mine")},
       "",
       {},
       false,
       false,
       SearchListText({{kEditorKey, "editor.exe", "Decoy"}})},
  };
}

class WalkTest : public ::testing::TestWithParam<std::tuple<WalkCase, Build>> {
};

TEST_P(WalkTest, WritesTheListedEntries) {
  const WalkCase& walk = std::get<0>(GetParam());
  Build build = std::get<1>(GetParam());
  E2E_REQUIRE_BUILD(build);

  RunFolder folder;
  std::string error;
  ASSERT_TRUE(MakeRunFolder(build, "walk-" + walk.name, &folder, &error))
      << error;
  if (walk.list != kNoList) {
    ASSERT_TRUE(WriteBytes(SearchListPath(folder), walk.list));
  }
  if (!walk.before.empty()) {
    ASSERT_TRUE(
        WriteBytes(VariablesPath(folder), ExpectedVarsFile(walk.before)));
  }
  if (walk.readOnly) {
    ASSERT_EQ(0, chmod(VariablesPath(folder).c_str(), 0444));
  }
  std::string cwd = folder.dir;
  if (walk.planted && !IsHostBuild(build)) {
    cwd += "-cwd";
    ASSERT_TRUE(PlantVersionDll(&folder, cwd, &error)) << error;
  } else if (!walk.strangerList.empty()) {
    cwd += "-cwd";
    RemoveTree(cwd);
    ASSERT_EQ(0, mkdir(cwd.c_str(), 0755));
    ASSERT_TRUE(WriteBytes(cwd + "/stpsrch.ini", walk.strangerList));
  }
  std::vector<VarEntry> all = walk.before;
  all.insert(all.end(), walk.written.begin(), walk.written.end());
  ExpectTracedRun(&folder, cwd, walk.trace, ExpectedVarsFile(all));
  EXPECT_FALSE(folder.planted && PlantedDllRan()) << "VERSION.dll ran";
  EXPECT_FALSE(cwd != folder.dir && PathExists(cwd + "/stvar.ini"));
}

static const auto kAllBuilds =
    ::testing::Values(Build::kHost, Build::kWin32, Build::kWin64);

INSTANTIATE_TEST_SUITE_P(
    AllBuilds, WalkTest,
    ::testing::Combine(::testing::ValuesIn(MakeWalkCases()), kAllBuilds),
    CaseName());

class RunPlaceTest : public ::testing::TestWithParam<Build> {};

// An unchanged run writes nothing: the bytes and the mtime stay.
TEST_P(RunPlaceTest, SecondRunLeavesTheFileAlone) {
  Build build = GetParam();
  E2E_REQUIRE_BUILD(build);
  RunFolder folder;
  std::string error;
  ASSERT_TRUE(MakeRunFolder(build, "rerun", &folder, &error)) << error;
  ASSERT_TRUE(WriteBytes(SearchListPath(folder),
                         SearchListText({{kEditorKey, "editor.exe", "A"},
                                         {kMissingKey, "editor.exe", "B"},
                                         {kTenKey, "ten.exe", ""}})));
  ASSERT_TRUE(RunInstprobe(folder, folder.dir, &error)) << error;
  std::string first;
  ASSERT_TRUE(ReadBytes(VariablesPath(folder), &first));
  EXPECT_EQ(
      ExpectedVarsFile({Found("A"), Empty("B"), {"", "10", "C:\\lab\\Ten\\"}}),
      first);

  // An old mtime: a rewrite within the same clock tick still shows.
  const struct timespec old[2] = {{978307200, 0}, {978307200, 0}};
  ASSERT_EQ(0, utimensat(AT_FDCWD, VariablesPath(folder).c_str(), old, 0));
  folder.traceVar = TraceValue(folder);
  ASSERT_TRUE(RunInstprobe(folder, folder.dir, &error)) << error;
  EXPECT_TRUE(TraceHolds(folder, "commit: unchanged", &error)) << error;

  std::string second;
  ASSERT_TRUE(ReadBytes(VariablesPath(folder), &second));
  EXPECT_EQ(first, second) << DescribeDifference("first", first, "second",
                                                 second);
  struct stat after;
  ASSERT_EQ(0, stat(VariablesPath(folder).c_str(), &after));
  EXPECT_EQ(978307200, after.st_mtim.tv_sec) << "the file was rewritten";
}

INSTANTIATE_TEST_SUITE_P(AllBuilds, RunPlaceTest, kAllBuilds, CaseName());

// The host programs' options. Each run starts in work/ of a run folder whose
// stpsrch.ini lists "Beside"; work/mine.ini lists "Work", and
// nothing/ is an empty folder.
struct OptionCase {
  std::string name;
  std::vector<std::string> args;  // "@prefix": the lab's prefix
  bool labInEnvironment;  // $WINEPREFIX is the lab's, else nothing/
  int status;
  std::string out;     // what stdout holds ("" for nothing)
  std::string err;     // what stderr holds ("" for nothing)
  std::string varsAt;  // the variables file, "" for none anywhere
  std::vector<VarEntry> vars;
};

void PrintTo(const OptionCase& option, std::ostream* out) {
  *out << option.name;
}

static std::vector<OptionCase> OptionCases() {
  const std::vector<std::string> mine = {"--list", "mine.ini"};
  auto with = [&mine](std::vector<std::string> more) {
    more.insert(more.begin(), mine.begin(), mine.end());
    return more;
  };
  return {
      {"help", {"--help"}, true, 0, "Usage: @program [--list", "", "", {}},
      {"version", {"--version"}, true, 0,
       "@program " E2E_PROJECT_VERSION "\n", "", "", {}},
      {"unknown_option", {"--verbose"}, true, 2, "", "'--verbose'", "", {}},
      {"option_without_value", with({"--vars"}), true, 2, "",
       "'--vars' requires an argument", "", {}},
      {"operand", with({"extra"}), true, 2, "", "'extra'", "", {}},
      {"list_missing", {"--list", "none.ini"}, true, 1, "",
       "'none.ini': No such file", "", {}},
      {"list_is_folder", {"--list", "."}, true, 1, "", "Is a directory", "",
       {}},
      {"vars_in_missing_folder", with({"--vars", "none/got.ini"}), true, 1,
       "", "'none/got.ini': No such file", "", {}},
      {"vars_is_folder", with({"--vars", "."}), true, 1, "", "Is a directory",
       "", {}},
      {"prefix_missing", {"--prefix", "none"}, true, 1, "",
       "'none': No such file", "", {}},
      {"relative_list_and_vars", with({"--vars", "got.ini"}), true, 0, "", "",
       "work/got.ini", {Found("Work")}},
      {"prefix_over_wineprefix", {"--prefix", "@prefix"}, false, 0, "", "",
       "stvar.ini", {Found("Beside")}},
      {"relative_prefix", {"--prefix", "../../../.."}, false, 0, "", "",
       "stvar.ini", {Found("Beside")}},
      {"relative_prefix_over_wineprefix",
       with({"--vars=got.ini", "--prefix=../nothing"}), true, 0, "", "",
       "work/got.ini", {Empty("Work")}},
  };
}

static std::string Replaced(std::string text, const std::string& what,
                            const std::string& with) {
  size_t at = text.find(what);
  return at == std::string::npos ? text : text.replace(at, what.size(), with);
}

class OptionTest
    : public ::testing::TestWithParam<std::tuple<OptionCase, Build>> {};

TEST_P(OptionTest, RunsAsTheOptionsSay) {
  const OptionCase& option = std::get<0>(GetParam());
  Build build = std::get<1>(GetParam());
  E2E_REQUIRE_BUILD(build);
  RunFolder folder;
  std::string error;
  ASSERT_TRUE(MakeRunFolder(build, "option-" + option.name, &folder, &error))
      << error;
  std::string work = folder.dir + "/work";
  ASSERT_EQ(0, mkdir(work.c_str(), 0755));
  ASSERT_EQ(0, mkdir((folder.dir + "/nothing").c_str(), 0755));
  ASSERT_TRUE(WriteBytes(SearchListPath(folder),
                         SearchListText({{kEditorKey, "editor.exe", "Beside"}})));
  ASSERT_TRUE(WriteBytes(work + "/mine.ini",
                         SearchListText({{kEditorKey, "editor.exe", "Work"}})));
  std::vector<std::string> args;
  for (const std::string& arg : option.args)
    args.push_back(Replaced(arg, "@prefix", LabPrefixDir()));
  std::string prefix =
      option.labInEnvironment ? LabPrefixDir() : folder.dir + "/nothing";
  int status = -1;
  ASSERT_TRUE(RunInstprobeWith(folder, args, {"WINEPREFIX=" + prefix}, work,
                               folder.dir + "/run.out", folder.dir + "/run.err",
                               &status, &error))
      << error;

  std::string program = folder.exe.substr(folder.exe.rfind('/') + 1);
  std::string out = FileBytes(folder.dir + "/run.out");
  std::string err = FileBytes(folder.dir + "/run.err");
  EXPECT_EQ(option.status, status) << err;
  std::string wantOut = Replaced(option.out, "@program", program);
  EXPECT_TRUE(wantOut.empty() ? out.empty()
                              : out.find(wantOut) != std::string::npos)
      << out;
  EXPECT_TRUE(option.err.empty() ? err.empty()
                                 : err.find(option.err) != std::string::npos)
      << err;
  for (std::string place : {"stvar.ini", "work/got.ini"}) {
    std::string vars;
    bool written = ReadBytes(folder.dir + "/" + place, &vars);
    EXPECT_EQ(place == option.varsAt, written) << place;
    if (place == option.varsAt) {
      EXPECT_EQ(ExpectedVarsFile(option.vars), vars) << place;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    HostBuilds, OptionTest,
    ::testing::Combine(::testing::ValuesIn(OptionCases()),
                       ::testing::Values(Build::kHost, Build::kHost32)),
    CaseName());

// The files a host run opens, from an strace of it, with INSTPROBE_TRACE
// set to `value` (nullptr: not set).
static std::set<std::string> OpenedFiles(const RunFolder& folder,
                                         const char* value) {
  std::string log = folder.dir + "/strace.log";
  std::vector<std::string> argv = {"env", "-u", "INSTPROBE_TRACE"};
  if (value != nullptr) argv.push_back(std::string("INSTPROBE_TRACE=") + value);
  argv.insert(argv.end(), {"strace", "-f", "-qq", "-e",
                           "trace=open,openat,openat2,creat", "-o", log,
                           folder.exe});
  int status = -1;
  std::string error;
  std::set<std::string> files;
  EXPECT_TRUE(RunChild(argv, folder.dir, LabLogPath(), 30, &status, &error))
      << error;
  std::string text;
  EXPECT_TRUE(ReadBytes(log, &text)) << "strace wrote no " << log;
  for (const std::string& line : Lines(text)) {
    size_t open = line.find('"');
    size_t close = line.find('"', open + 1);
    if (open != std::string::npos && close != std::string::npos)
      files.insert(line.substr(open + 1, close - open - 1));
  }
  return files;
}

// Off (empty, "0", a relative path, a path naming a file of the run), a
// host run opens exactly the files it opens without the variable; on, the
// trace file besides.
TEST(TraceSwitchTest, OffOpensNoOtherFile) {
  E2E_REQUIRE_BUILD(Build::kHost);
  RunFolder folder;
  std::string error;
  ASSERT_TRUE(MakeRunFolder(Build::kHost, "trace-switch", &folder, &error));
  ASSERT_TRUE(WriteBytes(SearchListPath(folder),
                         SearchListText({{kEditorKey, "editor.exe", "A"}})));
  // The first run writes stvar.ini (through a temporary file); the others
  // find it unchanged.
  OpenedFiles(folder, nullptr);
  std::set<std::string> unset = OpenedFiles(folder, nullptr);
  const std::string trace = TracePath(folder);
  const std::string vars = VariablesPath(folder);
  const std::string list = folder.dir + "/./stpsrch.ini";
  for (const std::string& value :
       {std::string(), std::string("0"), std::string("trace.log"), vars, list}) {
    EXPECT_EQ(unset, OpenedFiles(folder, value.c_str())) << "'" << value << "'";
    EXPECT_FALSE(PathExists(trace)) << "'" << value << "'";
  }
  std::set<std::string> on = unset;
  on.insert(trace);
  EXPECT_EQ(on, OpenedFiles(folder, trace.c_str()));
}
