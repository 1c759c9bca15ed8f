// The whole walk, RunSearchList(), over a fuzzed search list against a small
// fixture prefix: registry values that name directories on drive C: with a
// versioned program in one of them. The list is built from the input as
// sections of RegKey/FileName/VarName lines, each text picked from names the
// fixture knows or taken raw, in varied spellings, with raw bytes after.
// The walk reads the list beside the executable, so the fuzzer runs as a
// copy in a folder of its own, and each input is walked in a child process
// (a run of its own, as the program's), which must exit
// with status 0 and leave a variables file (when there is one) made of
// section headers and CRLF key lines only. A child's coverage does not reach
// the fuzzer, so the parent also probes every entry of the list in process:
// that is what steers the mutations.
#include <sys/wait.h>
#include <unistd.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "fuzz_support.h"
#include "platform/linux/code_page.h"
#include "platform/linux/host_context.h"
#include "platform/platform.h"
#include "run/run.h"

namespace {

std::string g_binDir;

const char kSystemReg[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
    "[Software\\\\Lab\\\\Editor] 1\n"
    "\"InstallDir\"=\"C:\\\\Tools\\\\Editor\"\n"
    "\"Slash\"=\"C:\\\\Tools\\\\Editor\\\\\"\n"
    "\"List\"=\"C:\\\\Missing\\\\;C:\\\\Tools\\\\Editor\\\\\"\n"
    "\"Device\"=\"C:\\\\NUL\"\n"
    "\"Empty\"=\"\"\n"
    "\"Number\"=dword:00000007\n"
    "\"Wide\"=\"C:\\\\Tools\\\\\\x30c6\\\\\"\n"
    "@=\"C:\\\\Tools\"\n"
    "\"Long\"=\"C:\\\\"
    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
    "\\\\\"\n\n"
    "[Software\\\\Classes\\\\Lab] 1\n\"Dir\"=\"C:\\\\Tools\\\\Editor\\\\\"\n";

const char kUserReg[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
    "#arch=win64\n\n"
    "[Software\\\\Lab] 1\n\"Path\"=\"C:\\\\Tools\\\\Editor\\\\\"\n";

void MakeFixture(const std::string& dir) {
  std::string prefix = dir + "/prefix";
  std::string drive = dir + "/drive_c";
  for (const std::string& path :
       {prefix + "/dosdevices", drive + "/tools/editor/bin",
        drive + "/tools/\xe3\x83\x86"})
    std::filesystem::create_directories(path);
  if (symlink(drive.c_str(), (prefix + "/dosdevices/c:").c_str()) != 0)
    FuzzFail("cannot make the C: drive");
  FuzzWriteFile(prefix + "/system.reg", kSystemReg, sizeof kSystemReg - 1);
  FuzzWriteFile(prefix + "/user.reg", kUserReg, sizeof kUserReg - 1);
  std::string exe;
  if (!FuzzReadFile(INSTPROBE_FUZZ_VERSIONED_EXE, exe))
    FuzzFail("the versioned fixture program is missing");
  FuzzWriteFile(drive + "/tools/editor/editor.exe", exe.data(), exe.size());
  FuzzWriteFile(drive + "/tools/editor/bin/plain.txt", "x", 1);
  setenv("WINEPREFIX", prefix.c_str(), 1);
}

// Every line of the variables file is a section header or holds '='.
void CheckVariables(const std::string& path) {
  std::string vars;
  if (!FuzzReadFile(path, vars)) return;
  size_t pos = 0;
  while (pos < vars.size()) {
    size_t end = vars.find("\r\n", pos);
    if (end == std::string::npos) FuzzFail("a line without CRLF");
    std::string line = vars.substr(pos, end - pos);
    bool header = line == "[PrgStart]" || line == "[PrivatPath]";
    if (!header && line.find('=') == std::string::npos)
      FuzzFail("a line that is neither header nor key");
    pos = end + 2;
  }
}

const char* const kRegKeys[] = {
    "HKEY_LOCAL_MACHINE\\Software\\Lab\\Editor\\InstallDir",
    "HKEY_LOCAL_MACHINE\\Software\\Lab\\Editor\\Slash",
    "HKEY_LOCAL_MACHINE\\Software\\Lab\\Editor\\List",
    "HKEY_LOCAL_MACHINE\\Software\\Lab\\Editor\\Device",
    "HKEY_LOCAL_MACHINE\\Software\\Lab\\Editor\\Empty",
    "HKEY_LOCAL_MACHINE\\Software\\Lab\\Editor\\Number",
    "HKEY_LOCAL_MACHINE\\Software\\Lab\\Editor\\Wide",
    "HKEY_LOCAL_MACHINE\\Software\\Lab\\Editor\\Long",
    "HKEY_LOCAL_MACHINE\\Software\\Lab\\Editor\\",
    "hkey_local_machine\\SOFTWARE\\lab\\editor\\installdir",
    "HKEY_CURRENT_USER\\Software\\Lab\\Path",
    "HKEY_CLASSES_ROOT\\Lab\\Dir",
    "HKEY_USERS\\.Default\\x",
    "HKEY_CURRENT_CONFIG\\x",
    "HKLM\\Software\\Lab\\Editor\\InstallDir",
    "HKEY_LOCAL_MACHINE",
    "X",
};
const char* const kFileNames[] = {
    "editor.exe", "EDITOR.EXE",  "bin\\plain.txt",         "bin",
    "",           "missing.exe", "..\\Editor\\editor.exe", "\\editor.exe",
    "nul",        "bin\\",
};
const char* const kVarNames[] = {
    "Editor", "", "a=b", "[x", " x ", "\"q\"", "\x83\x5c", "Editor",
};

template <size_t N>
std::string Pick(FuzzedDataProvider& in, const char* const (&names)[N]) {
  if (in.ConsumeIntegralInRange<int>(0, 7) == 0) {
    std::string raw = in.ConsumeRandomLengthString(300);
    return raw.substr(0, raw.find_first_of(std::string("\r\n\0", 3)));
  }
  return names[in.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

// One "name=value" line in one of the spellings the reader accepts.
std::string KeyLine(FuzzedDataProvider& in, const char* name,
                    const std::string& value) {
  static const char* const kForms[] = {"%s=%s", "%s = %s ", "%s=\"%s\"",
                                       "  %s=\t%s"};
  const char* form = kForms[in.ConsumeIntegralInRange<int>(0, 3)];
  char buf[700];
  snprintf(buf, sizeof buf, form, name, value.c_str());
  return buf;
}

std::string MakeList(FuzzedDataProvider& in) {
  std::string list;
  const char* eol = in.ConsumeBool() ? "\r\n" : "\n";
  int entries = in.ConsumeIntegralInRange<int>(0, 6);
  for (int i = 0; i < entries; ++i) {
    int number = in.ConsumeIntegralInRange<int>(0, 7) == 0
                     ? in.ConsumeIntegralInRange<int>(0, 9)
                     : i;
    list += "[FILE" + std::to_string(number) + "]" + eol;
    std::string key = Pick(in, kRegKeys);
    std::string file = Pick(in, kFileNames);
    std::string var = Pick(in, kVarNames);
    if (in.ConsumeBool()) list += KeyLine(in, "VarName", var) + eol;
    list += KeyLine(in, "RegKey", key) + eol;
    if (in.ConsumeIntegralInRange<int>(0, 3) != 0)
      list += KeyLine(in, "FileName", file) + eol;
    list += KeyLine(in, "VarName", var) + eol;
  }
  list += in.ConsumeRemainingBytesAsString();
  return list;
}

// The probe of every entry the walk would reach, in this process (in the
// input's own context, which reads the files afresh).
void ProbeInProcess(const std::string& list) {
  std::string path = FuzzScratchDir() + "/list.ini";
  FuzzWriteFile(path, list.data(), list.size());
  std::string vars = FuzzScratchDir() + "/vars.ini";
  InitPathText();
  SearchEntry entry;
  ProbeResult result;
  char section[20];
  for (int32_t number = 0; number < 16; ++number) {
    FormatDecimal(section, sizeof section, "FILE", number);
    memset(&entry, 0, sizeof entry);
    memset(&result, 0, sizeof result);
    PlatformReadProfile(section, "RegKey", "", entry.regKey, kRegKeyReadLimit,
                        path.c_str());
    if (strlen(entry.regKey) < 2) break;
    PlatformReadProfile(section, "FileName", "", entry.fileName,
                        kFileNameReadLimit, path.c_str());
    PlatformReadProfile(section, "VarName", "", entry.varName,
                        kVarNameReadLimit, path.c_str());
    ProbeInstallLocation(entry.regKey, entry.fileName, &result);
    if (strnlen(result.foundDir, sizeof result.foundDir) >= kPathCapacity)
      FuzzFail("the found directory overruns its capacity");
    if (strnlen(result.versionText, sizeof result.versionText) >=
        sizeof result.versionText)
      FuzzFail("the version text is not terminated");
    WriteEntryVariables(vars.c_str(), entry.varName, &result, entry.regKey);
  }
  PlatformCommitProfiles();
  unlink(path.c_str());
  unlink(vars.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
  FuzzReexecFromScratch(*argv);
  g_binDir = FuzzScratchDir() + "/bin";
  MakeFixture(FuzzScratchDir());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  HostContext context;  // a run of its own
  HostScope scope(context);
  // The walk and the fixture's names in either kind of code page.
  HostSelectCodePage(in.ConsumeBool() ? 932 : 1252);
  std::string text = MakeList(in);
  ProbeInProcess(text);

  std::string list = g_binDir + "/stpsrch.ini";
  std::string vars = g_binDir + "/stvar.ini";
  FuzzWriteFile(list, text.data(), text.size());
  unlink(vars.c_str());
  pid_t child = fork();
  if (child < 0) FuzzFail("fork failed");
  if (child == 0) {
    int status = RunSearchList();
    CheckVariables(vars);
    _exit(status == 0 ? 0 : 3);
  }
  int status = 0;
  // libFuzzer's own timer signals may interrupt the wait.
  pid_t waited;
  do {
    waited = waitpid(child, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited != child) FuzzFail("waitpid failed");
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    FuzzFail("the walk failed in the child (see its report above)");
  return 0;
}
