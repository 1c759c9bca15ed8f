// Generates and imports the lab's .reg files.
#include "tests/e2e/lab_registry.h"

#include "tests/e2e/lab_files.h"
#include "tests/e2e/locale_cases.h"
#include "tests/support/wine_lab.h"

static const int kImportTimeout = 60;

static std::u16string Widen(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

std::string Long518Value() { return "C:\\lab\\" + std::string(511, 'x'); }
std::string Long300Value() { return "C:\\lab\\" + std::string(293, 'y'); }
std::string LongListValue() {
  return "C:\\lab\\Editor\\;D:\\" + std::string(400, 'z');
}

static std::u16string Nul(size_t count) { return std::u16string(count, u'\0'); }

// "text" with the .reg escapes for backslash and quote.
static std::u16string Quoted(const std::u16string& text) {
  std::u16string out = u"\"";
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') out += u'\\';
    out += c;
  }
  return out + u"\"";
}

// hex(N): the UTF-16LE bytes of `text` (which may hold NULs), lines wrapped
// as regedit wraps them.
static std::u16string HexData(int type, const std::u16string& text) {
  static const char kDigits[] = "0123456789abcdef";
  std::u16string out = u"hex(" + Widen(std::to_string(type)) + u"):";
  int onLine = 0;
  for (size_t i = 0; i < text.size() * 2; ++i) {
    unsigned byte = (i % 2 == 0) ? (text[i / 2] & 0xFF) : (text[i / 2] >> 8);
    if (i > 0) out += u",";
    if (++onLine == 24) {
      out += u"\\\r\n  ";
      onLine = 0;
    }
    out += static_cast<char16_t>(kDigits[byte >> 4]);
    out += static_cast<char16_t>(kDigits[byte & 15]);
  }
  return out;
}

static std::u16string Line(const std::u16string& name,
                           const std::u16string& data) {
  return Quoted(name) + u"=" + data + u"\r\n";
}

static std::u16string Key(const std::u16string& path) {
  return u"\r\n[" + path + u"]\r\n";
}

// Values both views hold.
static std::u16string CommonValues() {
  std::u16string lab = u"HKEY_LOCAL_MACHINE\\Software\\Lab";
  std::u16string reg;
  reg += Key(lab + u"\\Editor");
  reg += Line(u"InstallDir", Quoted(u"C:\\lab\\Editor"));
  reg += Line(u"WithSlash", Quoted(u"C:\\lab\\Editor\\"));
  reg += Line(u"Empty", Quoted(u""));
  reg += Line(u"Quoted", Quoted(u"\"C:\\lab\\Editor\""));
  reg += Line(u"AbcColon", Quoted(u"abc:"));
  reg += Line(u"ListSlash", Quoted(u"C:\\Tools\\Editor\\;D:\\Shared\\"));
  reg += Line(u"ListNoSlash", Quoted(u"C:\\Tools\\Editor;D:\\Shared"));
  reg += Line(u"Lab", Quoted(u"C:\\lab"));
  reg += Line(u"UnixLab", Quoted(Widen(LabDriveC() + "/lab")));
  reg += Line(u"Nowhere", Quoted(u"C:\\lab\\Nowhere"));
  reg += Line(u"Expand", HexData(2, u"%SystemDrive%\\lab\\Editor" + Nul(1)));
  reg += Line(u"Multi",
              HexData(7, u"C:\\lab\\Editor" + Nul(1) + u"D:\\Other" + Nul(2)));
  reg += Line(u"Dword", u"dword:00434241");
  reg += Line(u"LineFeed", HexData(1, u"C:\\lab\\Ed\nitor" + Nul(1)));
  reg += Line(u"CarriageReturn", HexData(1, u"C:\\lab\\Editor\r" + Nul(1)));
  reg += Line(u"Long518", Quoted(Widen(Long518Value())));
  reg += Line(u"Long519", Quoted(Widen("C:\\lab\\" + std::string(512, 'x'))));
  reg += Line(u"Long300", Quoted(Widen(Long300Value())));
  reg += Line(u"LongList", Quoted(Widen(LongListValue())));
  reg +=
      Line(u"FitsExactly", Quoted(Widen("C:\\lab\\" + FitsExactlyDirName())));
  reg += Line(u"CutByOne", Quoted(Widen("C:\\lab\\" + CutByOneDirName())));
  reg += Key(lab + u"\\Versions");
  reg += Line(u"Ten", Quoted(u"C:\\lab\\Ten"));
  reg += Line(u"Nine", Quoted(u"C:\\lab\\Nine"));
  reg += Line(u"Max", Quoted(u"C:\\lab\\Max"));
  reg += Line(u"Plain", Quoted(u"C:\\lab\\Plain"));
  reg += Key(lab + u"\\Default");
  reg += u"@=" + Quoted(u"C:\\lab\\Editor") + u"\r\n";
  reg += Key(lab + u"\\Cafe");
  reg += Line(u"Dir", Quoted(u"C:\\lab\\Caf\u00e9"));
  reg += Key(lab + u"\\View");
  reg += Line(u"Dir", Quoted(u"C:\\lab\\Sixty4"));
  reg += Key(lab + u"\\Paths");
  reg += Line(u"System32", Quoted(u"C:\\windows\\system32"));
  reg += Line(u"SysNative", Quoted(u"C:\\windows\\sysnative"));
  reg += Line(u"DriversStore", Quoted(u"C:\\windows\\system32\\driversstore"));
  reg += Line(u"DriverStore", Quoted(u"C:\\windows\\system32\\DriverStore"));
  reg += Key(u"HKEY_LOCAL_MACHINE\\Software\\Classes\\LabClass");
  reg += Line(u"Dir", Quoted(u"C:\\lab\\Sixty4"));
  reg +=
      Key(u"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\"
          u"Current\\Software\\Lab");
  reg += Line(u"Dir", Quoted(u"C:\\lab\\Max"));
  reg += Key(u"HKEY_USERS\\.Default\\Software\\Lab");
  reg += Line(u"Dir", Quoted(u"C:\\lab\\Plain"));
  reg += Key(u"HKEY_CURRENT_USER\\Software\\Lab");
  reg += Line(u"Dir", Quoted(u"C:\\lab\\Editor"));
  reg += Key(u"HKEY_CURRENT_USER");
  reg += Line(u"LabRootVal", Quoted(u"C:\\lab\\Ten"));
  // Each locale's text as a key, a value name and a directory name.
  for (const LocaleCase& locale : LocaleCases()) {
    std::u16string native = WidenUtf8(locale.native);
    std::u16string dir = u"C:\\lab\\intl\\" + native;
    std::u16string key = WidenUtf8(IntlKey(locale));
    reg += Key(key);
    reg += Line(u"InstallDir", Quoted(dir));
    reg += Line(native, Quoted(dir));
    reg += Key(key + u"\\" + native);
    reg += Line(u"InstallDir", Quoted(dir));
  }
  return reg;
}

// What a 32-bit reader sees instead (HKLM\Software and HKCR are split).
static std::u16string ThirtyTwoBitValues() {
  std::u16string reg;
  reg += Key(u"HKEY_LOCAL_MACHINE\\Software\\Lab\\View");
  reg += Line(u"Dir", Quoted(u"C:\\lab\\Thirty2"));
  reg += Key(u"HKEY_LOCAL_MACHINE\\Software\\Lab\\Only32");
  reg += Line(u"Dir", Quoted(u"C:\\lab\\Editor"));
  return reg;
}

// Written through the 64-bit view only. Measured under Wine 8: `reg import
// /reg:32` of HKLM\Software\Classes\LabClass lands in the key that the
// 64-bit view reads as well, so the 32-bit reader's HKCR key is written by
// its real name, Software\Classes\Wow6432Node\LabClass. Only64 is missing
// from the 32-bit view; its App Paths is a link to this key.
static std::u16string SixtyFourBitOnlyValues() {
  std::u16string reg;
  reg += Key(u"HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\LabClass");
  reg += Line(u"Dir", Quoted(u"C:\\lab\\Thirty2"));
  reg += Key(u"HKEY_LOCAL_MACHINE\\Software\\Lab\\Only64");
  reg += Line(u"Dir", Quoted(u"C:\\lab\\Editor"));
  reg +=
      Key(u"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\"
          u"App Paths\\labapp.exe");
  reg += Line(u"Path", Quoted(u"C:\\lab\\Editor"));
  return reg;
}

bool InstallLabRegistry(std::string* error) {
  std::string dir = LabDriveC();
  // reg.exe takes a leading '/' for a switch: the files are named relative
  // to the working directory.
  std::string common = "lab-common.reg";
  std::string only32 = "lab-32.reg";
  std::string only64 = "lab-64.reg";
  return WriteRegFile(dir + "/" + common, CommonValues(), error) &&
         WriteRegFile(dir + "/" + only32, ThirtyTwoBitValues(), error) &&
         WriteRegFile(dir + "/" + only64, SixtyFourBitOnlyValues(), error) &&
         RunWine({"reg", "import", common, "/reg:64"}, dir, kImportTimeout,
                 error) &&
         RunWine({"reg", "import", common, "/reg:32"}, dir, kImportTimeout,
                 error) &&
         RunWine({"reg", "import", only32, "/reg:32"}, dir, kImportTimeout,
                 error) &&
         RunWine({"reg", "import", only64, "/reg:64"}, dir, kImportTimeout,
                 error) &&
         SaveRegistryAndRestartServer(error);
}
