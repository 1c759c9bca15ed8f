// Lifecycle of the test program's Wine prefix, and the programs run in it.
#include "tests/support/wine_lab.h"

#include <stdlib.h>

#include <cstring>

#include "tests/support/child_process.h"
#include "tests/support/files.h"

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

static bool RunTool(const std::vector<std::string>& argv, int timeoutSeconds,
                    std::string* error) {
  int status = 0;
  if (!RunChild(argv, g_tempRoot, LabLogPath(), timeoutSeconds, &status,
                error)) {
    return false;
  }
  if (status != 0) {
    std::string command;
    for (const std::string& word : argv) command += (command.empty() ? "" : " ") + word;
    *error = command + " exited with status " + std::to_string(status) + " (see " +
             LabLogPath() + ")";
    return false;
  }
  return true;
}

bool RunWine(const std::vector<std::string>& args, const std::string& cwd,
             int timeoutSeconds, std::string* error,
             const std::string& locale) {
  std::vector<std::string> argv = {"wine"};
  if (!locale.empty()) argv = {"env", "LC_ALL=" + locale, "wine"};
  argv.insert(argv.end(), args.begin(), args.end());
  int status = 0;
  if (!RunChild(argv, cwd, LabLogPath(), timeoutSeconds, &status, error)) {
    return false;
  }
  if (status != 0) {
    *error = "wine " + (args.empty() ? "" : args[0]) + " exited with status " +
             std::to_string(status) + " (see " + LabLogPath() + ")";
    return false;
  }
  return true;
}

bool BuildWineProbe(const std::string& source, const std::string& exe,
                    std::string* error) {
  return RunTool({"x86_64-w64-mingw32-g++-posix", "-O1", "-static", "-o", exe,
                  SourcePath(source)},
                 120, error);
}

bool WriteRegFile(const std::string& path, const std::u16string& body,
                  std::string* error) {
  std::u16string text =
      u"\uFEFFWindows Registry Editor Version 5.00\r\n" + body + u"\r\n";
  std::string bytes;
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  if (WriteBytes(path, bytes)) return true;
  *error = "cannot write " + path;
  return false;
}

// The lab's own server, whatever $WINEPREFIX a test has set since.
static std::vector<std::string> Wineserver(const char* option) {
  return {"env", "WINEPREFIX=" + g_prefix, "wineserver", option};
}

static bool StopServer(std::string* error) {
  // -k ends the server (it saves the registry on the way out); -w returns
  // once it has gone. -k reports failure when no server runs, which is fine.
  int status = 0;
  if (!RunChild(Wineserver("-k"), g_tempRoot, LabLogPath(), 30, &status,
                error)) {
    return false;
  }
  return RunTool(Wineserver("-w"), 60, error);
}

bool SaveRegistryAndRestartServer(std::string* error) {
  return StopServer(error) && RunTool(Wineserver("-p"), 30, error);
}

bool LabPrefixSetUp(std::string* error) {
  g_tempRoot = MakeTempDir("instprobe-lab");
  if (g_tempRoot.empty()) {
    *error = "mkdtemp failed";
    return false;
  }
  g_prefix = g_tempRoot + "/prefix";
  setenv("WINEPREFIX", g_prefix.c_str(), 1);
  setenv("WINEDEBUG", "-all", 1);
  // No desktop integration or menu entries from wineboot.
  setenv("WINEDLLOVERRIDES", "winemenubuilder.exe=d", 1);
  if (!RunTool({"wineboot", "--init"}, 180, error)) return false;
  // wineboot leaves a short-lived server behind; replace it by a
  // persistent one so that each later wine call costs milliseconds.
  return SaveRegistryAndRestartServer(error);
}

void LabPrefixTearDown() {
  if (g_prefix.empty()) return;
  std::string ignored;
  StopServer(&ignored);
  RemoveTree(g_tempRoot);
  g_prefix.clear();
  g_tempRoot.clear();
}
