// Lifecycle of the test program's Wine prefix, and the programs run in it.
#include "tests/support/wine_lab.h"

#include <stdlib.h>

#include <cstdio>
#include <cstring>

#include "tests/support/child_process.h"
#include "tests/support/files.h"
#include "tests/support/wide_text.h"

static std::string g_tempRoot;
static std::string g_prefix;

bool AllBuildsRequired() {
  const char* value = getenv("INSTPROBE_REQUIRE_ALL_BUILDS");
  return value != nullptr && strcmp(value, "1") == 0;
}

void SetSuiteLocale() {
  // The suites' own files and Wine's Unix file names are UTF-8; a case
  // about another locale sets it for the program it runs.
  for (const char* name : {"LANG", "LANGUAGE", "LC_CTYPE", "LC_MESSAGES"})
    unsetenv(name);
  setenv("LC_ALL", "C.UTF-8", 1);
}

const std::string& LabPrefixDir() { return g_prefix; }
std::string LabDriveC() { return g_prefix + "/drive_c"; }
const std::string& LabTempDir() { return g_tempRoot; }
std::string LabLogPath() { return g_tempRoot + "/wine.log"; }

bool LabPrefixIs64Bit() {
  std::string text;
  return ReadBytes(g_prefix + "/system.reg", &text) &&
         text.find("\n#arch=win64\n") != std::string::npos;
}

// Runs argv to its end, output to the log; an exit status other than 0 is
// an error.
static bool RunChecked(const std::vector<std::string>& argv,
                       const std::string& cwd, int timeoutSeconds,
                       std::string* error) {
  int status = 0;
  if (!RunChild(argv, cwd, LabLogPath(), timeoutSeconds, &status, error))
    return false;
  if (status == 0) return true;
  *error = CommandLine(argv) + " exited with status " +
           std::to_string(status) + " (see " + LabLogPath() + ")";
  return false;
}

static bool RunTool(const std::vector<std::string>& argv, int timeoutSeconds,
                    std::string* error) {
  return RunChecked(argv, g_tempRoot, timeoutSeconds, error);
}

bool RunWine(const std::vector<std::string>& args, const std::string& cwd,
             int timeoutSeconds, std::string* error,
             const std::string& locale) {
  std::vector<std::string> argv = {"wine"};
  if (!locale.empty()) argv = {"env", "LC_ALL=" + locale, "wine"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunChecked(argv, cwd, timeoutSeconds, error);
}

bool BuildWineProbe(const std::string& source, const std::string& exe,
                    std::string* error) {
  return RunTool({"x86_64-w64-mingw32-g++-posix", "-O1", "-static", "-o", exe,
                  SourcePath(source)},
                 120, error);
}

bool BuildVersionFixture(const std::string& version, const std::string& exe,
                         std::string* error) {
  return RunTool(
      {"bash", SourcePath("tests/fixtures/version/build-fixtures.sh"), "--one",
       version, exe},
      120, error);
}

// Writes a .reg file for `wine reg import`: UTF-16LE with a byte order mark
// (names and data pass no locale on the way), the header line, then `body`.
static bool WriteRegFile(const std::string& path, const std::u16string& body,
                         std::string* error) {
  std::u16string text =
      u"\uFEFFWindows Registry Editor Version 5.00\r\n" + body + u"\r\n";
  if (WriteBytes(path, Utf16Bytes(text)))
    return true;
  *error = "cannot write " + path;
  return false;
}

std::string RegQuoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string RegHex(int type, const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  char head[16];
  snprintf(head, sizeof head, "hex(%x):", type);
  std::string out = head;
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(bytes[i]);
    if (i > 0) out += i % 24 == 0 ? ",\\\r\n  " : ",";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
  }
  return out;
}

std::string RegHexText(int type, const std::string& utf8) {
  return RegHex(type, Utf16Bytes(WideText(utf8)));
}

bool LabImportReg(const std::string& name, const std::string& body,
                  const std::vector<int>& views, std::string* error) {
  // reg.exe takes a leading '/' for a switch: the file is named relative to
  // the working directory.
  if (!WriteRegFile(LabDriveC() + "/" + name, WideText(body), error))
    return false;
  for (int view : views) {
    if (!RunWine({"reg", "import", name, "/reg:" + std::to_string(view)},
                 LabDriveC(), 60, error))
      return false;
  }
  return true;
}

// The lab's own server, whatever $WINEPREFIX a test has set since.
static std::vector<std::string> Wineserver(const char* option) {
  return {"env", "WINEPREFIX=" + g_prefix, "wineserver", option};
}

bool LabStopServer(std::string* error) {
  // -k ends the server (it saves the registry on the way out); -w returns
  // once it has gone. -k reports failure when no server runs, which is fine.
  int status = 0;
  if (!RunChild(Wineserver("-k"), g_tempRoot, LabLogPath(), 30, &status,
                error)) {
    return false;
  }
  return RunTool(Wineserver("-w"), 60, error);
}

bool LabStartServer(std::string* error) {
  return RunTool(Wineserver("-p"), 30, error);
}

bool SaveRegistryAndRestartServer(std::string* error) {
  return LabStopServer(error) && LabStartServer(error);
}

void LabAttach(const std::string& root) {
  g_tempRoot = root;
  g_prefix = g_tempRoot + "/prefix";
  setenv("WINEPREFIX", g_prefix.c_str(), 1);
  setenv("WINEDEBUG", "-all", 1);
  // No desktop integration or menu entries from wineboot.
  setenv("WINEDLLOVERRIDES", "winemenubuilder.exe=d", 1);
}

bool LabPrefixSetUp(std::string* error) {
  std::string root = MakeTempDir("instprobe-lab");
  if (root.empty()) {
    *error = "mkdtemp failed";
    return false;
  }
  LabAttach(root);
  return LabBoot(error);
}

bool LabBoot(std::string* error) {
  if (!RunTool({"wineboot", "--init"}, 180, error)) return false;
  // wineboot leaves a short-lived server behind; replace it by a
  // persistent one so that each later wine call costs milliseconds.
  return SaveRegistryAndRestartServer(error);
}

void LabPrefixTearDown() {
  if (g_prefix.empty()) return;
  std::string ignored;
  LabStopServer(&ignored);
  RemoveTree(g_tempRoot);
  g_prefix.clear();
  g_tempRoot.clear();
}
