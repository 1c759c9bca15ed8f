// Each build on search lists, registry data and probed files that no sane
// installer produces: it must finish with status 0 within the run's time
// limit (a run that hangs, say on a device or a FIFO, is killed and fails)
// and leave a variables file a reader can trust.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "tests/e2e/expected_vars.h"
#include "tests/e2e/lab_cases.h"
#include "tests/e2e/run_folder.h"
#include "tests/hostile/hostile_lab.h"
#include "tests/hostile/vars_soundness.h"
#include "tests/support/wide_text.h"

struct BadInputCase {
  std::string name;
  std::string (*list)(Build build);  // stpsrch.ini bytes
  bool hostOnly;
  // Lines (with their CRLF) the variables file must hold afterwards.
  std::vector<std::string> (*mustHold)(Build build);
};

void PrintTo(const BadInputCase& bad, std::ostream* out) { *out << bad.name; }

static std::string Key(const std::string& value) {
  return std::string(kHostileKey) + "\\" + value;
}

static std::string RandomBytes(Build) {
  std::mt19937 rng(20260101);
  std::string bytes(256 * 1024, '\0');
  for (char& c : bytes) c = static_cast<char>(rng() & 0xFF);
  return bytes;
}

// Random lines made of the tokens that matter to the reader, so that the
// walk meets headers, keys and values rather than noise.
static std::string RandomTokens(Build) {
  static const char* const kTokens[] = {
      "[", "]", "=", "\r\n", "\n", "\r", " ", "\t", ";", "\"", "'", "\0",
      "FILE0", "FILE1", "FILE2", "RegKey", "FileName", "VarName", "x",
      "\x82\xA0", "\x81", "\xE9", "\\", "HKEY_LOCAL_MACHINE\\Software\\Lab\\",
      "Editor\\InstallDir", "editor.exe", "..", "C:", "[FILE0]\r\n"};
  std::mt19937 rng(7);
  std::string bytes;
  while (bytes.size() < 128 * 1024) {
    const char* token = kTokens[rng() % (sizeof kTokens / sizeof *kTokens)];
    bytes += token[0] == '\0' ? std::string(1, '\0') : std::string(token);
  }
  return bytes;
}

static std::string NulBytes(Build) {
  std::string nul(1, '\0');
  return "[FI" + nul + "LE0]\r\nRegKey=" + kEditorKey +
         "\r\nFileName=editor.exe\r\nVarName=Before" + nul + "After\r\n" + nul +
         nul + nul + "\r\n[FILE1]\r\nRegKey=" + kEditorKey + nul +
         "tail\r\nFile" + nul + "Name=x\r\nVarName=" + nul + "\r\n" +
         "[FILE2]\r\n" + nul + "RegKey=" + kEditorKey +
         "\r\nVarName=Third\r\n" + std::string(4096, '\0');
}

static std::string HugeLine(Build) {
  return "[FILE0]\r\nRegKey=" + std::string(kEditorKey) +
         "\r\nFileName=editor.exe\r\nVarName=" + std::string(16 << 20, 'v') +
         "\r\n";
}

// Measured under Wine 8: each entry that writes costs the Windows builds
// about 11 ms (2,000 such sections took 22 s; every profile write rewrites
// the whole file), so they get 1,000 written sections; the host does
// 100,000 in about 4 s (debug build).
static std::string ManySections(Build build) {
  int count = build == Build::kHost ? 100000 : 1000;
  std::vector<ListEntry> entries;
  for (int i = 0; i < count; ++i) {
    bool probe = i % 100 == 0;
    entries.push_back(
        {probe ? kEditorKey : "XY", "editor.exe", "S" + std::to_string(i)});
  }
  return SearchListText(entries);
}

// Sections whose entries are skipped (VarName begins with '['): only the
// reading of a long search list. Measured under Wine 8: finding a section
// costs time linear in the sections before it, so 100,000 sections took
// the Windows builds over 30 s; they get 10,000.
static std::string ManySkippedSections(Build build) {
  int count = build == Build::kHost ? 100000 : 10000;
  std::vector<ListEntry> entries;
  for (int i = 0; i < count; ++i)
    entries.push_back({kEditorKey, "editor.exe", "[S" + std::to_string(i)});
  return SearchListText(entries);
}

static std::string OverLimits(Build) {
  std::string tenK(10 * 1024, 'k');
  return SearchListText({
      {std::string(kEditorKey) + tenK, "editor.exe", "LongKey"},
      {kEditorKey, "editor.exe", "Long" + tenK},
      {kEditorKey, tenK, "LongFile"},
      {std::string(10 * 1024, '\\'), "", "Slashes"},
      {"HKEY_LOCAL_MACHINE\\" + std::string(10 * 1024, '\x82'), "x", "Lead"},
  });
}

static std::string BadUtf16(Build) {
  std::u16string key = WideText(kEditorKey);
  std::u16string text =
      u"[FILE0]\r\nRegKey=" + key + u"\r\nFileName=editor.exe\r\nVarName=Lone";
  text += char16_t(0xD800);
  text += u"High\r\n[FILE";
  text += char16_t(0xDC00);
  text += u"1]\r\n[FILE1]\r\nRegKey=" + key + u"\r\nVarName=";
  text += char16_t(0xDFFF);
  text += char16_t(0xD83D);
  text += u"\r\n[FILE2]\r\nRegKey=" + key + u"\r\nVarName=Ends";
  text += char16_t(0xDBFF);
  // An odd byte count: half a character at the end.
  return "\xFF\xFE" + Utf16Bytes(text) + "\x41";
}

static std::string OddRegistryData(Build) {
  std::vector<ListEntry> entries;
  for (const std::string& name : OddValueNames())
    entries.push_back({Key(name), "editor.exe", name});
  return SearchListText(entries);
}

static std::string LineBreakData(Build) {
  std::vector<ListEntry> entries;
  for (const std::string& name : LineBreakValueNames())
    entries.push_back({Key(name), "editor.exe", name});
  return SearchListText(entries);
}

static std::vector<std::string> Nothing(Build) { return {}; }

static std::vector<std::string> LineBreakLines(Build) {
  std::vector<std::string> lines;
  for (const std::string& name : LineBreakValueNames())
    lines.push_back(name + "Path=\r\n");
  return lines;
}

// Data of 519 characters and more does not fit the read and gives no
// directory; the directory of every probed file is reported.
static std::vector<std::string> OddRegistryLines(Build) {
  return {"Sz519Path=\r\n", "Sz520Path=\r\n", "Sz10000Path=\r\n",
          "NoNul520Path=\r\n"};
}

static std::vector<std::string> HostileDirLines(Build) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < HostileFileNames().size(); ++i)
    lines.push_back("F" + std::to_string(i) + "Path=C:\\hostile\\\r\n");
  return lines;
}

static std::vector<std::string> ManySectionsLines(Build build) {
  std::string last = build == Build::kHost ? "S99999" : "S999";
  std::string lastFound = build == Build::kHost ? "S99900" : "S900";
  return {"S0=7\r\n", last + "Path=\r\n", lastFound + "=7\r\n"};
}

static std::vector<std::string> CutLines(Build) {
  return {"LongKeyPath=\r\n", "LongFile=\r\n",
          "LongFilePath=C:\\lab\\Editor\\\r\n",
          "Long" + std::string(96, 'k') + "=7\r\n"};
}

static std::vector<std::string> HugeLineLines(Build) {
  return {std::string(100, 'v') + "=7\r\n"};
}

static std::vector<std::string> DeviceLines(Build) {
  return {"ZeroPath=Z:\\dev\\\r\n", "TtyPath=Z:\\dev\\\r\n",
          "FifoPath=C:\\hostile\\\r\n"};
}

static std::string BadProbedFiles(Build) {
  std::vector<ListEntry> entries;
  int i = 0;
  for (const std::string& file : HostileFileNames())
    entries.push_back({Key("Dir"), file, "F" + std::to_string(i++)});
  return SearchListText(entries);
}

static std::string OddFileNames(Build) {
  return SearchListText({
      {kEditorKey, "..\\Editor\\editor.exe", "DotDot"},
      {kEditorKey, "..\\..\\..\\..\\..\\..\\..\\etc\\passwd", "Escape"},
      {kEditorKey, "C:\\lab\\Editor\\editor.exe", "Drive"},
      {kEditorKey, "\\\\server\\share\\x", "Unc"},
      {kEditorKey, std::string(300, 'n'), "OverLimit"},
      {kEditorKey, std::string(255, 'n'), "AtLimit"},
      {kEditorKey, "editor.exe\\..\\editor.exe", "Through"},
      {kEditorKey, "nul", "Device"},
      {kEditorKey, "*.exe", "Wildcard"},
  });
}

static std::string Devices(Build) {
  return SearchListText({
      {Key("Dev"), "zero", "Zero"},
      {Key("Dev"), "tty", "Tty"},
      {Key("Dev"), "null", "Null"},
      {Key("Dev"), "urandom", "Urandom"},
      {Key("Dev"), "stdin", "Stdin"},
      {Key("Dir"), "pipe", "Fifo"},
  });
}

static const BadInputCase kCases[] = {
    {"random_bytes", RandomBytes, false, Nothing},
    {"random_tokens", RandomTokens, false, Nothing},
    {"nul_bytes", NulBytes, false, Nothing},
    {"line_16mib", HugeLine, false, HugeLineLines},
    {"many_sections", ManySections, false, ManySectionsLines},
    {"many_skipped_sections", ManySkippedSections, false, Nothing},
    {"over_limits_10k", OverLimits, false, CutLines},
    {"bad_utf16", BadUtf16, false, Nothing},
    {"odd_registry_data", OddRegistryData, false, OddRegistryLines},
    {"line_break_data", LineBreakData, false, LineBreakLines},
    {"bad_probed_files", BadProbedFiles, false, HostileDirLines},
    {"odd_file_names", OddFileNames, false, Nothing},
    {"devices_and_fifo", Devices, true, DeviceLines},
};

// The lab prefix of the end-to-end tests, with the hostile values and files.
class BadInputTest
    : public ::testing::TestWithParam<std::tuple<BadInputCase, Build>> {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(InstallHostileLab(&error))
        << "hostile lab not ready: " << error;
  }
};

TEST_P(BadInputTest, FinishesAndLeavesSoundFile) {
  const BadInputCase& bad = std::get<0>(GetParam());
  Build build = std::get<1>(GetParam());
  if (bad.hostOnly && build != Build::kHost)
    GTEST_SKIP() << "a Unix device or FIFO is reachable from the host only";
  E2E_REQUIRE_BUILD(build);
  RunFolder folder;
  std::string error;
  ASSERT_TRUE(MakeRunFolder(build, bad.name, &folder, &error)) << error;
  ASSERT_TRUE(WriteBytes(SearchListPath(folder), bad.list(build)));

  ASSERT_TRUE(RunInstprobe(folder, folder.dir, &error)) << error;

  std::string vars;
  if (!ReadBytes(VariablesPath(folder), &vars)) return;  // absent is sound
  EXPECT_TRUE(VarsFileSound(vars, &error)) << error;
  if (build == Build::kHost) {
    EXPECT_TRUE(VarsFileReadsBack(VariablesPath(folder), vars, 2000, &error))
        << error;
  }
  for (const std::string& line : bad.mustHold(build)) {
    EXPECT_NE(vars.find("\r\n" + line), std::string::npos)
        << "no line " << line << " in:\n"
        << vars.substr(0, 4000);
  }
}

INSTANTIATE_TEST_SUITE_P(
    AllBuilds, BadInputTest,
    ::testing::Combine(::testing::ValuesIn(kCases),
                       ::testing::Values(Build::kHost, Build::kWin32,
                                         Build::kWin64)),
    CaseName());
