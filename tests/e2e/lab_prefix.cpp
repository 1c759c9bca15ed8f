// Lifecycle of the test program's Wine prefix.
#include "tests/e2e/lab_prefix.h"

#include <stdlib.h>

#include <filesystem>

#include "tests/e2e/child_process.h"

static std::string g_tempRoot;
static std::string g_prefix;

const std::string& LabPrefixDir() { return g_prefix; }
std::string LabDriveC() { return g_prefix + "/drive_c"; }
std::string LabLogPath() { return g_tempRoot + "/wine.log"; }

static bool RunTool(const std::vector<std::string>& argv, int timeoutSeconds,
                    std::string* error) {
  int status = 0;
  if (!RunChild(argv, g_tempRoot, LabLogPath(), timeoutSeconds, &status,
                error)) {
    return false;
  }
  if (status != 0) {
    *error = argv[0] + " " + (argv.size() > 1 ? argv[1] : "") +
             " exited with status " + std::to_string(status) + " (see " +
             LabLogPath() + ")";
    return false;
  }
  return true;
}

bool RunWine(const std::vector<std::string>& args, const std::string& cwd,
             int timeoutSeconds, std::string* error) {
  std::vector<std::string> argv = {"wine"};
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

static bool StopServer(std::string* error) {
  // -k ends the server (it saves the registry on the way out); -w returns
  // once it has gone. -k reports failure when no server runs, which is fine.
  int status = 0;
  if (!RunChild({"wineserver", "-k"}, g_tempRoot, LabLogPath(), 30, &status,
                error)) {
    return false;
  }
  return RunTool({"wineserver", "-w"}, 60, error);
}

bool SaveRegistryAndRestartServer(std::string* error) {
  return StopServer(error) && RunTool({"wineserver", "-p"}, 30, error);
}

bool LabPrefixSetUp(std::string* error) {
  char pattern[] = "/tmp/instprobe-e2e-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    *error = "mkdtemp failed";
    return false;
  }
  g_tempRoot = pattern;
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
  std::error_code ec;
  std::filesystem::remove_all(g_tempRoot, ec);
  g_prefix.clear();
  g_tempRoot.clear();
}
