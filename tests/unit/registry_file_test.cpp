// The host registry reader on small registry files written here: every data
// form and escape of the file format, links, case, broken input and the
// 519-byte rule.
#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/wide_text.h"
#include "tests/unit/registry_prefix_fixture.h"

#include "platform/platform.h"
#include "regfile/reg_tree.h"

namespace {

using RegistryFile = RegistryPrefixTest;

// The answer; a value too large for the buffer leaves the buffer untouched.
RegAnswer Query(PlatformKey root, const char* key, const char* name) {
  RegAnswer a = AskRegistry(root, key, name);
  if (a.query == 234) {
    for (unsigned char b : a.data) EXPECT_EQ(b, 0xAA) << "buffer was touched";
  }
  return a;
}

// The data returned: the bytes up to the size.
std::string Data(const RegAnswer& a) {
  return std::string(reinterpret_cast<const char*>(a.data), a.size);
}

// A link key's value line: the target's UTF-16 units as a hex list, wrapped
// after ten units as Wine wraps long lines.
std::string LinkTo(const char* target) {
  std::string hex = HexBytes(Utf16Bytes(WideText(target)), ",");
  return "#link\n\"SymbolicLinkValue\"=hex(6):" + hex.substr(0, 60) + "\\\n  " +
         hex.substr(60) + "\n";
}

TEST_F(RegistryFile, ValueFormsAndEscapes) {
  Write("system.reg",
        "[Software\\\\Lab] 1796763770\n"
        "#time=1dd87577c2fd3b8\n"
        "@=\"C:\\\\DefaultDir\"\n"
        "\"esc\"=\"a\\\\b\\\"c\\n\\r\\t|\\1\\37\\101\\x41\"\n"
        "\"nul\"=\"ab\\0cd\"\n"
        "\"hexpad\"=\"\\x00e91\\xe9g\\xe9\"\n"
        "\"lonex\"=\"\\xg\"\n"
        "\"expand\"=str(2):\"%SystemRoot%\\\\Lab\"\n"
        "\"multi\"=str(7):\"C:\\\\A\\0D:\\\\B\\0\"\n"
        "\"plain\"=str:\"p\"\n"
        "\"dw\"=dword:00434241\n"
        "\"bin\"=hex:43,3a,5c,42\n"
        "\"qw\"=hex(b):01,02,03,04,05,06,07,08\n"
        "\"t17\"=hex(11):01\n"
        "\"t0\"=hex():01,02\n"
        "\"wrap\"=hex:41,42,\\\n  43,\\\n  [44]\n"
        "\"after\"=\"still here\"\n"
        "\"odd\"=hex(1):43,00,3a,00,5c\n"
        "\"zero\"=hex(1):\n"
        "\"uni\"=\"\\x20ac\\x100\\xd83d\\xde00\"\n"
        "\"sp\" = \"spaced\"\n"
        "\"trail \"=\"t\"\n"
        "\"=odd[name]\"=\"o\"\n"
        "\"Caf\\xe9\"=\"accent\"\n");
  const struct {
    const char* name;
    long query;
    uint32_t type;
    std::string data;
  } cases[] = {
      {"", 0, 1, std::string("C:\\DefaultDir\0", 14)},
      {"esc", 0, 1, std::string("a\\b\"c\n\r\t|\001\037AA\0", 14)},
      {"nul", 0, 1, std::string("ab\0cd\0", 6)},
      {"hexpad", 0, 1,
       std::string("\xE9"
                   "1\xE9g\xE9\0",
                   6)},
      {"lonex", 0, 1, std::string("xg\0", 3)},
      {"expand", 0, 2, std::string("%SystemRoot%\\Lab\0", 17)},
      {"multi", 0, 7, std::string("C:\\A\0D:\\B\0\0", 11)},
      {"plain", 0, 1, std::string("p\0", 2)},
      {"dw", 0, 4, std::string("ABC\0", 4)},
      {"bin", 0, 3, "C:\\B"},
      {"qw", 0, 11, "\x01\x02\x03\x04\x05\x06\x07\x08"},
      {"t17", 0, 17, "\x01"},
      {"t0", 0, 0, "\x01\x02"},
      // The third line of the wrapped data is malformed: the value is then
      // REG_NONE without data, and that line is not read as a key.
      {"wrap", 0, 0, ""},
      {"after", 0, 1, std::string("still here\0", 11)},
      {"odd", 0, 1, "C:"},  // the terminator goes after `size`,
      {"zero", 0, 1, ""},
      {"uni", 0, 1,
       std::string("\x80"
                   "A??\0",
                   5)},
      {"sp", 0, 1, std::string("spaced\0", 7)},
      {"trail ", 0, 1, std::string("t\0", 2)},
      {"trail", 2, 0, ""},
      {"=odd[name]", 0, 1, std::string("o\0", 2)},
      {"CAF\xC9", 0, 1, std::string("accent\0", 7)},
      {"caf\xE9", 0, 1, std::string("accent\0", 7)},
      {"missing", 2, 0, ""},
  };
  for (const auto& c : cases) {
    RegAnswer r = Query(kKeyLocalMachine, "Software\\Lab", c.name);
    EXPECT_EQ(r.open, 0) << c.name;
    EXPECT_EQ(r.query, c.query) << c.name;
    EXPECT_EQ(r.type, c.type) << c.name;
    if (c.query == 0) {
      EXPECT_EQ(Data(r), c.data) << c.name;
    }
    if (c.query == 2) {
      EXPECT_EQ(r.size, 519u) << c.name;
    }
  }
  // The "after" key line inside the wrapped value was data, not a key.
  EXPECT_EQ(Query(kKeyLocalMachine, "44", "x").open, 2);
}

TEST_F(RegistryFile, KeyPathsLinksAndRoots) {
  Write("system.reg",
        "[] 1\n\"rootval\"=\"r\"\n\n"
        "[Software\\\\Lab\\\\Deep\\\\Er] 1\n\"v\"=\"deep\"\n\n"
        "[Software\\\\Lab\\\\Caf\\xe9] 1\n\"v\"=\"cafe\"\n\n"
        "[Software\\\\Classes\\\\LabClass] 1\n@=\"cls\"\n\n"
        "[Software\\\\ToLab] 1\n" +
            LinkTo("\\REGISTRY\\MACHINE\\Software\\Lab") +
            "\n[Software\\\\LoopA] 1\n" +
            LinkTo("\\Registry\\Machine\\Software\\LoopA") +
            "\n"
            "[System\\\\CurrentControlSet\\\\Hardware Profiles\\\\Current\\\\"
            "Software] 1\n\"cc\"=dword:00000001\n\n"
            "[Software\\\\Dup] 1\n\"a\"=\"first\"\n\"b\"=\"kept\"\n\n"
            "[software\\\\DUP] 1\n\"A\"=\"second\"\n");
  Write("user.reg", "[Software\\\\Lab] 1\n\"cu\"=\"user\"\n");
  Write("userdef.reg", "[Software\\\\Lab] 1\n\"def\"=\"default\"\n",
        "WINE REGISTRY Version 2\n"
        ";; All keys relative to REGISTRY\\\\User\\\\.Default\n\n");
  const struct {
    PlatformKey root;
    const char* key;
    const char* name;
    long open;
    long query;
  } cases[] = {
      {kKeyLocalMachine, "Software\\Lab\\Deep\\Er", "v", 0, 0},
      {kKeyLocalMachine, "Software\\Lab\\Deep", "v", 0, 2},  // prefix only
      {kKeyLocalMachine, "SOFTWARE\\lab\\\\deep\\er\\\\", "V", 0, 0},
      {kKeyLocalMachine, "\\Software\\Lab", "v", 161, -1},
      {kKeyLocalMachine, "Software/Lab", "v", 2, -1},
      {kKeyLocalMachine, "Software\\Lab\\Deep\\..", "v", 2, -1},
      {kKeyLocalMachine, "Software\\Lab\\CAF\xC9", "v", 0, 0},
      {kKeyLocalMachine, "Software\\ToLab\\Deep\\Er", "v", 0, 0},  // link
      {kKeyLocalMachine, "Software\\LoopA", "v", 2, -1},           // cycle
      {kKeyLocalMachine, "", "rootval", 0, 0},
      {kKeyLocalMachine, "Software\\Dup", "b", 0, 0},
      {kKeyClassesRoot, "LabClass", "", 0, 0},
      {kKeyClassesRoot, "", "rootval", 0, 2},
      {kKeyCurrentConfig, "Software", "cc", 0, 0},
      {kKeyCurrentUser, "Software\\Lab", "cu", 0, 0},
      {kKeyUsers, "S-1-5-21-0-0-0-1000\\Software\\Lab", "cu", 0, 0},
      {kKeyUsers, ".default\\Software\\Lab", "def", 0, 0},
      {kKeyUsers, "S-1-5-21-0-0-0-1001\\Software\\Lab", "cu", 2, -1},
      {kKeyUsers, "", "cu", 0, 2},
  };
  for (const auto& c : cases) {
    RegAnswer r = Query(c.root, c.key, c.name);
    EXPECT_EQ(r.open, c.open) << c.key;
    EXPECT_EQ(r.query, c.query) << c.key;
  }
  // A key written twice is one key; the later line of a value wins.
  EXPECT_EQ(Data(Query(kKeyLocalMachine, "Software\\Dup", "a")),
            std::string("second\0", 7));
}

TEST_F(RegistryFile, TheLimitOf519Bytes) {
  auto hexUnits = [](size_t n) {
    return HexBytes(Utf16Bytes(WideText(std::string(n, 'a'))), ",");
  };
  Write("system.reg",
        "[Lab] 1\n\"t518\"=\"" + std::string(518, 'a') + "\"\n\"t519\"=\"" +
            std::string(519, 'a') + "\"\n\"u519\"=hex(1):" + hexUnits(519) +
            "\n\"u520\"=hex(1):" + hexUnits(520) + "\n\"u10\"=hex(1):" +
            hexUnits(10) + "\n\"b520\"=hex:" + hexUnits(260) + "\n");
  const struct {
    const char* name;
    long query;
    uint32_t size;
    size_t textLength;  // bytes before the terminator, when one is written
  } cases[] = {
      {"t518", 0, 519, 518}, {"t519", 234, 520, 0}, {"u519", 0, 519, 519},
      {"u520", 234, 520, 0}, {"u10", 0, 10, 10},    {"b520", 234, 520, 0},
  };
  for (const auto& c : cases) {
    RegAnswer a = AskRegistry(kKeyLocalMachine, "Lab", c.name);
    EXPECT_EQ(a.query, c.query) << c.name;
    EXPECT_EQ(a.size, c.size) << c.name;
    if (c.query == 0) {
      EXPECT_EQ(a.data[c.textLength - 1], 'a') << c.name;
      // An unterminated string that fills the buffer gets no terminator.
      EXPECT_EQ(a.data[c.textLength], c.textLength == 519 ? 0xAA : 0) << c.name;
    }
  }
}

TEST_F(RegistryFile, DoubleByteCodePage) {
  // U+8868 is 95 5C in code page 932: its trail byte is a backslash and must
  // not split the key name. U+3042 is two bytes, so 259 of them make 518.
  std::string many259, many260;
  for (int i = 0; i < 259; ++i) many259 += "\\x3042";
  many260 = many259 + "\\x3042";
  Write("system.reg", "[Software\\\\\\x8868] 1\n\"v259\"=\"" + many259 +
                          "\"\n\"v260\"=\"" + many260 + "\"\n");
  HostSelectCodePage(932);
  RegAnswer r = Query(kKeyLocalMachine, "Software\\\x95\x5C", "v259");
  EXPECT_EQ(r.open, 0);
  EXPECT_EQ(r.query, 0);
  EXPECT_EQ(r.size, 519u);
  r = Query(kKeyLocalMachine, "Software\\\x95\x5C", "v260");
  EXPECT_EQ(r.query, 234);
  EXPECT_EQ(r.size, 521u);
}

TEST_F(RegistryFile, MissingAndBrokenFiles) {
  // No files at all: every open fails, even of a root.
  PlatformKey k;
  EXPECT_EQ(PlatformRegOpenKey(kKeyLocalMachine, "", &k), 2);
  EXPECT_EQ(PlatformRegOpenKey(kKeyCurrentUser, "Software", &k), 2);
  // A wrong first line: the file is not read.
  Write("system.reg", "[Lab] 1\n\"v\"=\"x\"\n", "WINE REGISTRY Version 1\n");
  EXPECT_EQ(Query(kKeyLocalMachine, "Lab", "v").open, 2);
  // Broken lines are skipped; values after a broken key line are dropped;
  // a file cut in the middle of wrapped data ends that value.
  Write("system.reg",
        "\"orphan\"=\"x\"\n"
        "[Lab 1\n\"lost\"=\"x\"\n"
        "[Good] 1\n"
        "garbage line\n"
        "\"unterminated=\"x\n"
        "\"badstr\"=\"no end\n"
        "\"bigbyte\"=hex:141\n"
        "\"badtype\"=hex(zz:01\n"
        "\"ok\"=\"fine\"\n"
        "\"dwjunk\"=dword:zz\n"
        "\"cut\"=hex:41,\\");
  const struct {
    const char* key;
    const char* name;
    long open;
    long query;
    uint32_t type;
    uint32_t size;
  } cases[] = {
      {"Lab", "lost", 2, -1, 0, 519},  {"Good", "ok", 0, 0, 1, 5},
      {"Good", "badstr", 0, 0, 0, 0},  {"Good", "bigbyte", 0, 0, 0, 0},
      {"Good", "badtype", 0, 0, 0, 0}, {"Good", "dwjunk", 0, 0, 4, 4},
      {"Good", "cut", 0, 0, 0, 0},     {"Good", "unterminated", 0, 2, 0, 519},
  };
  for (const auto& c : cases) {
    RegAnswer r = Query(kKeyLocalMachine, c.key, c.name);
    EXPECT_EQ(r.open, c.open) << c.name;
    EXPECT_EQ(r.query, c.query) << c.name;
    EXPECT_EQ(r.type, c.type) << c.name;
    EXPECT_EQ(r.size, c.size) << c.name;
  }
}

// Wine's 32-bit view over small files, for what the builds under Wine do
// not show (LookupTest holds the rest): Software\Classes through its link,
// the shared key's fallback to its parent, Wow6432Node keys in any hive, and
// the prefixes that have one view.
// A value's text in a view, its UTF-16 units as bytes; "-" when the key or
// the value is missing.
std::string ViewValue(const RegTree& reg, RegRoot root, const char16_t* path,
                      const char16_t* name) {
  RegLocation at;
  RegValue value;
  if (!RegTreeRoot(reg, root, &at) ||
      !RegTreeOpen(reg, at, path, std::char_traits<char16_t>::length(path),
                   &at) ||
      !RegTreeFindValue(reg, at, name, &value))
    return "-";
  std::string text;
  for (size_t i = 0; i + 1 < value.data.size() && value.data[i]; i += 2)
    text += static_cast<char>(value.data[i]);
  return text;
}

// Indexes `text` as the tree's machine (0) or user (1) hive; the tree keeps
// the bytes.
void LoadHive(RegTree& reg, int hive, const std::string& text) {
  char* bytes = new char[text.size()];
  memcpy(bytes, text.data(), text.size());
  RegIndexHive(RegText(bytes), text.size(),
               reg.hives[hive ? kRegUser : kRegMachine]);
}

TEST(RegistryView, WineServerRulesFromTheFiles) {
  const std::string machine =
      "[Software\\\\Classes] 1\n\"v\"=\"classes\"\n"
      "[Software\\\\Classes\\\\.zzz] 1\n\"v\"=\"zzz\"\n"
      "[Software\\\\Classes\\\\Wow6432Node\\\\CLSID] 1\n"
      "[Software\\\\Wow6432Node\\\\Classes] 1\n" +
      LinkTo("\\Registry\\Machine\\Software\\Classes\\Wow6432Node") +
      "[Software\\\\Wow6432Node\\\\Wow6432Node\\\\Deep] 1\n\"v\"=\"deep\"\n"
      "[System\\\\W] 1\n\"v\"=\"w64\"\n"
      "[System\\\\W\\\\WOW6432NODE] 1\n\"v\"=\"w32\"\n";
  const std::string user =
      "[Software\\\\U] 1\n\"v\"=\"u64\"\n"
      "[Software\\\\Wow6432Node\\\\U] 1\n\"v\"=\"u32\"\n";
  const struct {
    RegRoot root;
    const char16_t* path;
    const char* in32;  // the 32-bit program in the 64-bit prefix
    const char* as;    // the 64-bit program, and both in a 32-bit prefix
  } rows[] = {
      {RegRoot::kLocalMachine, u"Software\\Classes", "classes", "classes"},
      {RegRoot::kClassesRoot, u".zzz", "zzz", "zzz"},
      {RegRoot::kLocalMachine, u"Software\\Wow6432Node\\Classes\\.zzz", "zzz",
       "-"},
      {RegRoot::kLocalMachine, u"Software\\Wow6432Node\\Wow6432Node\\Deep",
       "deep", "deep"},
      {RegRoot::kLocalMachine, u"System\\W", "w32", "w64"},
      {RegRoot::kCurrentUser, u"Software\\U", "u32", "u64"},
  };
  const struct {
    const char* arch;
    RegProgram program;
    bool wow64;
  } prefixes[] = {
      {"#arch=win64\n", RegProgram::k32Bit, true},
      {"#arch=win64\n", RegProgram::k64Bit, false},
      {"#arch=win32\n", RegProgram::k32Bit, false},
      {"", RegProgram::k32Bit, false},
  };
  for (const auto& prefix : prefixes) {
    RegTree reg;
    const std::string texts[] = {
        std::string("WINE REGISTRY Version 2\n") + prefix.arch + machine,
        kRegistryUserHeader + user};
    for (int i = 0; i < 2; ++i) LoadHive(reg, i, texts[i]);
    RegTreeSettle(reg, prefix.program);
    for (const auto& row : rows) {
      EXPECT_EQ(ViewValue(reg, row.root, row.path, u"v"),
                prefix.wow64 ? row.in32 : row.as)
          << prefix.arch << static_cast<int>(prefix.program) << row.in32;
    }
  }
}

// A fresh 64-bit prefix as Wine 10 saves it: CurrentControlSet is a link to
// ControlSet001, and more keys stand under the Wow6432Node ones.
TEST(RegistryView, APrefixSavedByWine10) {
  const struct {
    RegRoot root;
    const char16_t* path;
    const char16_t* name;
    const char* in32;  // the 32-bit program
    const char* as;    // the 64-bit program
  } rows[] = {
      {RegRoot::kLocalMachine,
       u"System\\CurrentControlSet\\Control\\Session Manager\\Environment",
       u"OS", "Windows_NT", "Windows_NT"},
      {RegRoot::kLocalMachine,
       u"SYSTEM\\currentcontrolset\\Control\\Session Manager\\Environment",
       u"PROCESSOR_ARCHITECTURE", "AMD64", "AMD64"},
      {RegRoot::kLocalMachine, u"Software\\Microsoft\\Windows\\CurrentVersion",
       u"ProgramFilesDir", "C:\\Program Files (x86)", "C:\\Program Files"},
      {RegRoot::kLocalMachine,
       u"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion",
       u"CommonFilesDir", "C:\\Program Files (x86)\\Common Files",
       "C:\\Program Files (x86)\\Common Files"},
      {RegRoot::kLocalMachine, u"System\\CurrentControlSet\\NoSuchKey", u"OS",
       "-", "-"},
  };
  const char* files[] = {"system.reg", "user.reg"};
  for (RegProgram program : {RegProgram::k32Bit, RegProgram::k64Bit}) {
    RegTree reg;
    for (int i = 0; i < 2; ++i) {
      std::string text;
      ASSERT_TRUE(ReadBytes(std::string(WINE10_PREFIX_DIR "/") + files[i], &text));
      LoadHive(reg, i, text);
    }
    RegTreeSettle(reg, program);
    for (const auto& row : rows) {
      EXPECT_EQ(ViewValue(reg, row.root, row.path, row.name),
                program == RegProgram::k32Bit ? row.in32 : row.as)
          << static_cast<int>(program) << row.as;
    }
  }
}

}  // namespace
