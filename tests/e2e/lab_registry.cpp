// Generates and imports the lab's .reg files.
#include "tests/e2e/lab_registry.h"

#include "tests/e2e/lab_files.h"
#include "tests/e2e/locale_cases.h"
#include "tests/support/wine_lab.h"

std::string Long518Value() { return "C:\\lab\\" + std::string(511, 'x'); }
std::string Long300Value() { return "C:\\lab\\" + std::string(293, 'y'); }
std::string LongListValue() {
  return "C:\\lab\\Editor\\;D:\\" + std::string(400, 'z');
}

static std::string Nul(size_t count) { return std::string(count, '\0'); }

static std::string Line(const std::string& name, const std::string& data) {
  return RegQuoted(name) + "=" + data + "\r\n";
}

static std::string Key(const std::string& path) {
  return "\r\n[" + path + "]\r\n";
}

// A key whose one value, "Dir", names `dir`.
static std::string DirKey(const std::string& path, const std::string& dir) {
  return Key(path) + Line("Dir", RegQuoted(dir));
}

// Values both views hold.
static std::string CommonValues() {
  std::string lab = "HKEY_LOCAL_MACHINE\\Software\\Lab";
  std::string reg;
  reg += Key(lab + "\\Editor");
  reg += Line("InstallDir", RegQuoted("C:\\lab\\Editor"));
  reg += Line("WithSlash", RegQuoted("C:\\lab\\Editor\\"));
  reg += Line("Empty", RegQuoted(""));
  reg += Line("Quoted", RegQuoted("\"C:\\lab\\Editor\""));
  reg += Line("AbcColon", RegQuoted("abc:"));
  reg += Line("ListSlash", RegQuoted("C:\\Tools\\Editor\\;D:\\Shared\\"));
  reg += Line("ListNoSlash", RegQuoted("C:\\Tools\\Editor;D:\\Shared"));
  reg += Line("Lab", RegQuoted("C:\\lab"));
  reg += Line("UnixLab", RegQuoted(LabDriveC() + "/lab"));
  reg += Line("Nowhere", RegQuoted("C:\\lab\\Nowhere"));
  reg += Line("Expand", RegHexText(2, "%SystemDrive%\\lab\\Editor" + Nul(1)));
  reg += Line("Multi",
              RegHexText(7, "C:\\lab\\Editor" + Nul(1) + "D:\\Other" + Nul(2)));
  reg += Line("Dword", "dword:00434241");
  reg += Line("LineFeed", RegHexText(1, "C:\\lab\\Ed\nitor" + Nul(1)));
  reg += Line("CarriageReturn", RegHexText(1, "C:\\lab\\Editor\r" + Nul(1)));
  reg += Line("Long518", RegQuoted(Long518Value()));
  reg += Line("Long519", RegQuoted("C:\\lab\\" + std::string(512, 'x')));
  reg += Line("Long300", RegQuoted(Long300Value()));
  reg += Line("LongList", RegQuoted(LongListValue()));
  reg += Line("FitsExactly", RegQuoted("C:\\lab\\" + FitsExactlyDirName()));
  reg += Line("CutByOne", RegQuoted("C:\\lab\\" + CutByOneDirName()));
  reg += Key(lab + "\\Versions");
  reg += Line("Ten", RegQuoted("C:\\lab\\Ten"));
  reg += Line("Nine", RegQuoted("C:\\lab\\Nine"));
  reg += Line("Max", RegQuoted("C:\\lab\\Max"));
  reg += Line("Plain", RegQuoted("C:\\lab\\Plain"));
  reg += Key(lab + "\\Default");
  reg += "@=" + RegQuoted("C:\\lab\\Editor") + "\r\n";
  reg += DirKey(lab + "\\Cafe", "C:\\lab\\Caf\u00e9");
  reg += DirKey(lab + "\\View", "C:\\lab\\Sixty4");
  reg += Key(lab + "\\Paths");
  reg += Line("System32", RegQuoted("C:\\windows\\system32"));
  reg += Line("SysNative", RegQuoted("C:\\windows\\sysnative"));
  reg += Line("DriversStore", RegQuoted("C:\\windows\\system32\\driversstore"));
  reg += Line("DriverStore", RegQuoted("C:\\windows\\system32\\DriverStore"));
  reg += DirKey("HKEY_LOCAL_MACHINE\\Software\\Classes\\LabClass",
                "C:\\lab\\Sixty4");
  reg += DirKey(
      "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\"
      "Current\\Software\\Lab",
      "C:\\lab\\Max");
  reg += DirKey("HKEY_USERS\\.Default\\Software\\Lab", "C:\\lab\\Plain");
  reg += DirKey("HKEY_CURRENT_USER\\Software\\Lab", "C:\\lab\\Editor");
  reg += Key("HKEY_CURRENT_USER");
  reg += Line("LabRootVal", RegQuoted("C:\\lab\\Ten"));
  // Each locale's text as a key, a value name and a directory name.
  for (const LocaleCase& locale : LocaleCases()) {
    const std::string& native = locale.native;
    std::string dir = "C:\\lab\\intl\\" + native;
    std::string key = IntlKey(locale);
    reg += Key(key);
    reg += Line("InstallDir", RegQuoted(dir));
    reg += Line(native, RegQuoted(dir));
    reg += Key(key + "\\" + native);
    reg += Line("InstallDir", RegQuoted(dir));
  }
  return reg;
}

// What a 32-bit reader sees instead (HKLM\Software and HKCR are split).
static std::string ThirtyTwoBitValues() {
  std::string reg;
  reg += DirKey("HKEY_LOCAL_MACHINE\\Software\\Lab\\View", "C:\\lab\\Thirty2");
  reg += DirKey("HKEY_LOCAL_MACHINE\\Software\\Lab\\Only32", "C:\\lab\\Editor");
  return reg;
}

// Written through the 64-bit view only. Measured under Wine 8: `reg import
// /reg:32` of HKLM\Software\Classes\LabClass lands in the key that the
// 64-bit view reads as well, so the 32-bit reader's HKCR key is written by
// its real name, Software\Classes\Wow6432Node\LabClass. Only64 is missing
// from the 32-bit view; its App Paths is a link to this key.
static std::string SixtyFourBitOnlyValues() {
  std::string reg;
  reg += DirKey("HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\LabClass",
                "C:\\lab\\Thirty2");
  reg += DirKey("HKEY_LOCAL_MACHINE\\Software\\Lab\\Only64", "C:\\lab\\Editor");
  reg +=
      Key("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\"
          "App Paths\\labapp.exe");
  reg += Line("Path", RegQuoted("C:\\lab\\Editor"));
  return reg;
}

bool InstallLabRegistry(std::string* error) {
  return LabImportReg("lab-common.reg", CommonValues(), {64, 32}, error) &&
         LabImportReg("lab-32.reg", ThirtyTwoBitValues(), {32}, error) &&
         LabImportReg("lab-64.reg", SixtyFourBitOnlyValues(), {64}, error) &&
         SaveRegistryAndRestartServer(error);
}
