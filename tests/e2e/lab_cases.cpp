// The lookup table. Directories and versions follow from the lab tree
// (lab_files.cpp) and the registry values (lab_registry.cpp).
#include "tests/e2e/lab_cases.h"

#include "tests/e2e/lab_files.h"
#include "tests/e2e/lab_registry.h"
#include "tests/support/wine_lab.h"

const char kEditorKey[] =
    "HKEY_LOCAL_MACHINE\\Software\\Lab\\Editor\\InstallDir";

static LookupCase Same(const std::string& name, const std::string& regKey,
                       const std::string& fileName, const std::string& version,
                       const std::string& dir, const std::string& trace = "") {
  return {name, regKey, fileName, version, dir, false, version, dir, trace,
          trace};
}

static LookupCase Split(const std::string& name, const std::string& regKey,
                        const std::string& fileName, const std::string& version,
                        const std::string& dir, const std::string& version32,
                        const std::string& dir32, const std::string& trace = "",
                        const std::string& trace32 = "") {
  return {name,      regKey, fileName, version, dir,
          true,      version32, dir32, trace, trace32};
}

static const char kNoRoot[] =
    " is none of HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, "
    "HKEY_USERS, HKEY_CURRENT_CONFIG (short forms such as HKLM are not known)";
static const char kFoundEditor[] =
    "[FILE0] RegKey \"HKEY_LOCAL_MACHINE\\Software\\Lab\\Editor\\InstallDir\" "
    "(49 bytes), FileName \"editor.exe\" (10 bytes), VarName \"V\" (1 byte)\n"
    "root HKEY_LOCAL_MACHINE, key \"Software\\Lab\\Editor\", value "
    "\"InstallDir\"\n"
    "registry: Wine prefix {prefix}, system.reg saved \n"
    "value REG_SZ, 14 bytes, text \"C:\\lab\\Editor\" (13 bytes)\n"
    "directory \"C:\\lab\\Editor\\\" (a backslash added)\n"
    "file \"C:\\lab\\Editor\\editor.exe\" exists\n"
    "version 7.1.0.2, major 7\n"
    "wrote [PrgStart] V=\"7\" VPath=\"C:\\lab\\Editor\\\" "
    "VPathRoot=\"C:\\\", [PrivatPath] <VPath>=\"C:\\lab\\Editor\\\"\n"
    "commit: written";
static const char kOtherHasIt[] =
    "the key is missing (error 2)\n"
    "the {other}-bit registry view holds the value: pick the {other}-bit "
    "program";
static const char kNotFile[] = "no file tested: the data exceed a path's 259 "
                               "bytes and were cut";

static std::vector<LookupCase> MakeCases() {
  const std::string lab = "HKEY_LOCAL_MACHINE\\Software\\Lab\\";
  const std::string ed = lab + "Editor\\";
  const std::string editorDir = "C:\\lab\\Editor\\";
  const std::string fits = "C:\\lab\\" + FitsExactlyDirName() + "\\";
  const std::string cutByOne = "C:\\lab\\" + CutByOneDirName() + "\\";
  const std::string kCurrentVersion =
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\";
  const std::string paths = lab + "Paths\\";
  const std::string system32 = "C:\\windows\\system32\\";
  return {
      // The failure table.
      Same("no_backslash", "HKEY_LOCAL_MACHINE", "editor.exe", "", "",
           "RegKey names nothing: it has no backslash, two are needed"),
      Same("one_backslash", "HKEY_LOCAL_MACHINE\\InstallDir", "editor.exe", "",
           "", "RegKey names nothing: it has one backslash, two are needed"),
      Same("short_root_name", "HKLM\\Software\\Lab\\Editor\\InstallDir",
           "editor.exe", "", "", std::string("the root \"HKLM\"") + kNoRoot),
      Same("unknown_root",
           "HKEY_PERFORMANCE_DATA\\Software\\Lab\\Editor\\"
           "InstallDir",
           "editor.exe", "", "",
           std::string("the root \"HKEY_PERFORMANCE_DATA\"") + kNoRoot),
      Same("missing_key", lab + "NoSuchKey\\InstallDir", "editor.exe", "", "",
           "the key is missing (error 2)\nthe {other}-bit registry view does "
           "not hold the key either"),
      Same("missing_value", ed + "NoSuchValue", "editor.exe", "", "",
           "the value is missing (error 2)\nthe {other}-bit registry view "
           "holds the key but not the value either"),
      Same("data_of_520_bytes", ed + "Long519", "editor.exe", "", "",
           "the data are too long: more than the 519 bytes read (error 234)"),
      Same("file_missing_no_colon", ed + "InstallDir", "missing.exe", "",
           editorDir, "file \"C:\\lab\\Editor\\missing.exe\" not found"),
      Same("file_missing_second_drive", ed + "ListSlash", "editor.exe", "",
           "C:\\Tools\\Editor\\",
           "directory \"C:\\Tools\\Editor\\\": cut before a second drive "
           "designation"),
      Same("found", ed + "InstallDir", "editor.exe", "7", editorDir,
           kFoundEditor),
      // Key path and value name forms.
      Same("lower_case_root", "hkey_current_user\\Software\\Lab\\Dir",
           "editor.exe", "7", editorDir),
      Same("default_value", lab + "Default\\", "editor.exe", "7", editorDir),
      Same("value_under_root", "HKEY_CURRENT_USER\\\\LabRootVal", "ten.exe",
           "10", "C:\\lab\\Ten\\"),
      Same("value_names_case_insensitive", ed + "INSTALLDIR", "EDITOR.EXE", "7",
           editorDir),
      // Data forms.
      Same("value_ends_with_backslash", ed + "WithSlash", "editor.exe", "7",
           editorDir),
      Same("empty_value", ed + "Empty", "missing.exe", "", "\\"),
      Same("quoted_value", ed + "Quoted", "editor.exe", "",
           "\"C:\\lab\\Editor\"\\", "(no drive letter)"),
      Same("colon_at_position_3", ed + "AbcColon", "editor.exe", "", ""),
      Same("list_without_backslash", ed + "ListNoSlash", "editor.exe", "",
           "C:\\Tools\\"),
      Same("expand_sz_not_expanded", ed + "Expand", "editor.exe", "",
           "%SystemDrive%\\lab\\Editor\\"),
      Same("multi_sz_first_string", ed + "Multi", "editor.exe", "7", editorDir),
      Same("dword_as_text", ed + "Dword", "missing.exe", "", "ABC\\",
           "value REG_DWORD, 4 bytes, text \"ABC\" (3 bytes)"),
      Same("line_feed_in_data", ed + "LineFeed", "editor.exe", "", "",
           "text \"C:\\lab\\Ed<0A>itor\" (14 bytes)\nthe data hold a line "
           "break: the value counts as missing"),
      Same("carriage_return_in_data", ed + "CarriageReturn", "editor.exe", "",
           ""),
      Same("sub_path_file_name", ed + "Lab", "Editor\\editor.exe", "7",
           "C:\\lab\\"),
      Same("unix_path_private_use_name", ed + "UnixLab",
           "Pua\xEF\x80\x80\\editor.exe", "", "{prefix}/drive_c/lab\\"),
      Same("non_ascii_directory", lab + "Cafe\\Dir", "editor.exe", "7",
           "C:\\lab\\Caf\xE9\\",
           "directory \"C:\\lab\\Caf\xC3\xA9\\\" (a backslash added)"),
      // Lengths: data of 518 bytes are offered whole but do not fit a path,
      // and a cut path is not reported, unless a list of directories still
      // yields its whole first one; a directory and file name of 259 bytes
      // fit, of 260 do not.
      Same("data_of_518_bytes", ed + "Long518", "editor.exe", "", ""),
      Same("data_of_300_bytes", ed + "Long300", "editor.exe", "", "",
           std::string(kNotFile) + "\nno directory: the cut data hold no "
           "second drive designation"),
      Same("long_list_first_directory", ed + "LongList", "editor.exe", "",
           editorDir),
      Same("path_of_259_bytes", ed + "FitsExactly", "editor.exe", "7", fits),
      Same("path_of_260_bytes", ed + "CutByOne", "editor.exe", "", cutByOne,
           "no file tested: the directory and FileName exceed 259 bytes"),
      // The five roots.
      Split("classes_root", "HKEY_CLASSES_ROOT\\LabClass\\Dir", "app.exe", "10",
            "C:\\lab\\Sixty4\\", "7", "C:\\lab\\Thirty2\\"),
      Same("current_config", "HKEY_CURRENT_CONFIG\\Software\\Lab\\Dir",
           "max.exe", "65535", "C:\\lab\\Max\\"),
      Same("users_default", "HKEY_USERS\\.Default\\Software\\Lab\\Dir",
           "plain.exe", "0", "C:\\lab\\Plain\\"),
      Same("users_current_sid",
           "HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\Lab\\Dir", "editor.exe",
           "7", editorDir),
      Same("current_user", "HKEY_CURRENT_USER\\Software\\Lab\\Dir",
           "editor.exe", "7", editorDir),
      // Registry views.
      Split("local_machine_view", lab + "View\\Dir", "app.exe", "10",
            "C:\\lab\\Sixty4\\", "7", "C:\\lab\\Thirty2\\"),
      Split("key_only_in_32_bit_view", lab + "Only32\\Dir", "editor.exe", "",
            "", "7", editorDir, kOtherHasIt, "version 7.1.0.2, major 7"),
      Split("key_only_in_64_bit_view", lab + "Only64\\Dir", "editor.exe", "7",
            editorDir, "", "", "version 7.1.0.2, major 7", kOtherHasIt),
      Same("explicit_wow6432node_path",
           "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Lab\\View\\Dir",
           "app.exe", "7", "C:\\lab\\Thirty2\\"),
      Split("program_files_dir", kCurrentVersion + "ProgramFilesDir", "", "0",
            "C:\\Program Files\\", "0", "C:\\Program Files (x86)\\"),
      Split("classes_under_software",
            "HKEY_LOCAL_MACHINE\\Software\\Classes\\LabClass\\Dir", "app.exe",
            "10", "C:\\lab\\Sixty4\\", "7", "C:\\lab\\Thirty2\\"),
      // The 32-bit view's App Paths is a link to the 64-bit key.
      Same("linked_key", kCurrentVersion + "App Paths\\labapp.exe\\Path",
           "editor.exe", "7", editorDir),
      // File-system redirection.
      Split("file_only_in_syswow64", paths + "System32", "labwow.exe", "",
            system32, "10", system32),
      Same("excepted_folder", paths + "DriversStore", "labds.exe", "7",
           system32 + "driversstore\\"),
      Split("driverstore_redirected", paths + "DriverStore", "labds.exe", "7",
            system32 + "DriverStore\\", "", system32 + "DriverStore\\"),
      Split("sysnative", paths + "SysNative", "labsys.exe", "",
            "C:\\windows\\sysnative\\", "7", "C:\\windows\\sysnative\\"),
      // Versions.
      Same("version_10", lab + "Versions\\Ten", "ten.exe", "10",
           "C:\\lab\\Ten\\"),
      Same("version_0_9", lab + "Versions\\Nine", "nine.exe", "0",
           "C:\\lab\\Nine\\", "version 0.9.0.0, major 0"),
      Same("version_65535", lab + "Versions\\Max", "max.exe", "65535",
           "C:\\lab\\Max\\"),
      Same("no_version_resource", lab + "Versions\\Plain", "plain.exe", "0",
           "C:\\lab\\Plain\\",
           "version 0: the file has no version information"),
      Same("found_directory", ed + "InstallDir", "", "0", editorDir,
           "file \"C:\\lab\\Editor\\\" exists"),
  };
}

void PrintTo(const LookupCase& lookup, std::ostream* out) {
  *out << lookup.name;
}

const std::vector<LookupCase>& LookupCases() {
  static const std::vector<LookupCase> cases = MakeCases();
  return cases;
}

static bool ThirtyTwoBit(Build build) {
  return build == Build::kWin32 || build == Build::kHost32;
}

std::string ExpectedVersion(const LookupCase& lookup, Build build) {
  return ThirtyTwoBit(build) ? lookup.version32 : lookup.version;
}

std::string ExpectedDir(const LookupCase& lookup, Build build) {
  std::string dir = ThirtyTwoBit(build) ? lookup.dir32 : lookup.dir;
  size_t at = dir.find("{prefix}");
  return at == std::string::npos ? dir : dir.replace(at, 8, LabPrefixDir());
}

std::string ExpectedTrace(const LookupCase& lookup, Build build) {
  std::string trace = ThirtyTwoBit(build) ? lookup.trace32 : lookup.trace;
  for (size_t at; (at = trace.find("{other}")) != std::string::npos;)
    trace.replace(at, 7, ThirtyTwoBit(build) ? "64" : "32");
  for (size_t at; (at = trace.find("{prefix}")) != std::string::npos;)
    trace.replace(at, 8, LabPrefixDir());
  if (!IsHostBuild(build)) {
    // The Windows programs read the registry through Wine.
    size_t at = trace.find("registry: ");
    if (at != std::string::npos) trace.erase(at, trace.find('\n', at) - at + 1);
  }
  return trace;
}
