// The host profile reader against what GetPrivateProfileStringA returns under
// Wine 8. Every expected value below was measured with
// tests/wine-probes/profile/read_profile.cpp under Wine 8 (ACP 1252) or is
// recorded in the platform's documented behaviour.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/linux/code_page.h"
#include "platform/platform.h"
#include "tests/support/files.h"
#include "tests/support/wide_text.h"

namespace {

// Each file gets a name of its own: the reader caches files per path.
std::string WriteFile(const std::string& bytes) {
  static int counter = 0;
  std::string path =
      ProgramTempDir() + "/f" + std::to_string(++counter) + ".ini";
  WriteBytes(path, bytes);
  return path;
}

struct Lookup {
  const char* section;
  const char* key;
  uint32_t size;
  std::string expected;
};

struct FileCase {
  const char* name;
  std::string bytes;
  std::vector<Lookup> lookups;
};

void RunCase(const FileCase& c) {
  std::string path = WriteFile(c.bytes);
  for (const Lookup& l : c.lookups) {
    char buf[512];
    memset(buf, 0x5A, sizeof buf);
    uint32_t rc =
        PlatformReadProfile(l.section, l.key, "", buf, l.size, path.c_str());
    EXPECT_EQ(rc, l.expected.size())
        << c.name << " [" << l.section << "] " << l.key << " n=" << l.size;
    EXPECT_EQ(std::string(buf, rc), l.expected)
        << c.name << " [" << l.section << "] " << l.key << " n=" << l.size;
    EXPECT_EQ(buf[rc], '\0') << c.name << " " << l.key;
    EXPECT_EQ(buf[rc + 1], 0x5A) << c.name << " wrote past the end";
  }
}

class ProfileReader : public ::testing::Test {
 protected:
  void SetUp() override { HostSelectCodePage(1252); }
};

TEST_F(ProfileReader, LexicalRules) {
  const FileCase cases[] = {
      {"headers",
       "[ Lead]\r\na=1\r\n[Trail ]\r\nb=2\r\n[\r\nc=3\r\n[ ]\r\nd=4\r\n"
       "[\tT\t]x]\r\ne=5\r\n",
       {{"Lead", "a", 10, "1"},
        {" Lead", "a", 10, "1"},
        {"Trail", "b", 10, "2"},
        // "[" alone is a key line: c stays in [Trail ].
        {"Trail", "c", 10, "3"},
        {"", "c", 10, ""},
        // "[ ]" duplicates the unnamed top section and is never searched.
        {"", "d", 10, ""},
        {"T", "e", 10, ""},
        {"T\t]x", "e", 10, "5"}}},
      {"keys",
       "k=top\r\n[ Spaced ]\r\n  key1  =  value1  \r\nkey 3 = inner  blank \r\n"
       "k==v\r\nk2=a=b\r\n=novalue\r\njusttext\r\nnv\r\nnv=later\r\n"
       "sp=a\vb\f\r\nz=\x1a\x1ay\x1a\r\n;c=1\r\nin=v ;not\r\n",
       {{"", "k", 10, "top"},
        {"spaced", "KEY1", 10, "value1"},
        {" Spaced ", "  key1  ", 10, "value1"},
        {"Spaced", "key 3", 20, "inner  blank"},
        {"Spaced", "k", 10, "=v"},
        {"Spaced", "k2", 10, "a=b"},
        {"Spaced", "", 10, "novalue"},
        {"Spaced", "justtext", 10, ""},
        {"Spaced", "nv", 10, ""},
        {"Spaced", "sp", 10, "a\vb"},
        {"Spaced", "z", 10, "y"},
        {"Spaced", ";c", 10, "1"},
        {"Spaced", "c", 10, ""},
        {"Spaced", "in", 20, "v ;not"}}},
      {"duplicates and case",
       "[Dup]\r\na=first\r\na=second\r\n[Other]\r\n[DUP]\r\nc=x\r\n"
       "[\xC4\xE4]\r\nu=1\r\n[file10]\r\nf=2\r\n",
       {{"dup", "A", 10, "first"},
        {"Dup", "c", 10, ""},
        {"\xC4\xE4", "u", 10, "1"},
        {"\xE4\xC4", "u", 10, ""},
        {"FILE10", "f", 10, "2"},
        {"FILE010", "f", 10, ""}}},
  };
  for (const FileCase& c : cases) RunCase(c);
}

TEST_F(ProfileReader, QuotesAndTheirLimitOffByOne) {
  std::string q259 = "[S]\r\nl=\"" + std::string(259, 'q') + "\"\r\n" + "m=\"" +
                     std::string(258, 'q') + "\"\r\n" + "p=\"" +
                     std::string(300, 'q') + "\"\r\n";
  const FileCase cases[] = {
      {"quote pairs",
       "[S]\r\nd=\"double\"\r\ns='single'\r\nsp=  \"spaced\"  \r\n"
       "e=\"\"\r\ne1=\"\r\ntw=\"a\"b\"\r\nm1=\"mis'\r\nq1=\" \"\r\n"
       "q2=\"  \"  \r\nq3= \"\" \r\nq5=' '\r\nq6=\"\t\"\r\n",
       {{"S", "d", 10, "double"},
        {"S", "d", 5, "doub"},
        {"S", "d", 7, "doubl"},
        {"S", "d", 8, "double"},
        {"S", "s", 10, "single"},
        {"S", "sp", 10, "spaced"},
        {"S", "e", 10, ""},
        {"S", "e1", 10, "\""},
        {"S", "tw", 10, "a\"b"},
        {"S", "m1", 10, "\"mis'"},
        {"S", "q1", 10, " "},
        {"S", "q1", 3, " "},
        {"S", "q1", 2, ""},
        {"S", "q2", 10, "  "},
        {"S", "q2", 3, " "},
        {"S", "q2", 2, " "},
        {"S", "q3", 10, ""},
        {"S", "q5", 10, " "},
        {"S", "q6", 10, "\t"}}},
      {"quoted at the 260 limit",
       q259,
       {{"S", "l", 260, std::string(258, 'q')},
        {"S", "m", 260, std::string(258, 'q')},
        {"S", "p", 260, std::string(259, 'q')}}},
  };
  for (const FileCase& c : cases) RunCase(c);
}

TEST_F(ProfileReader, LineEndingsEncodingsAndNuls) {
  const std::u16string text = u"[S]\r\na=\u00e9t\u00e9\r\nj=\u65e5\u672c\r\n";
  const FileCase cases[] = {
      {"LF only", "[S]\nv=1\n[T]\nw=2", {{"T", "w", 10, "2"}}},
      {"CR only", "[S]\rv=1\r[T]\rw=2\r", {{"T", "w", 10, "2"}}},
      {"CR CR LF", "[S]\r\r\nv=1\r\r\n", {{"S", "v", 10, "1"}}},
      {"ctrl-z", "[S]\x1a\r\nv=1\x1a", {{"S", "v", 10, "1"}}},
      {"nul ends a value",
       std::string("[S]\r\na=ab\0cd\r\n\0\r\nb=2\r\n", 20),
       {{"S", "a", 10, "ab"}, {"S", "b", 10, "2"}}},
      {"utf-8 bom",
       "\xEF\xBB\xBF[S]\r\na=\xC3\xA9t\xC3\xA9\r\n",
       {{"S", "a", 10, "\xE9t\xE9"}}},
      {"utf-8 without bom",
       "[S]\r\na=\xC3\xA9t\xC3\xA9\r\n",
       {{"S", "a", 10, "\xC3\xA9t\xC3\xA9"}}},
      {"utf-16le bom",
       "\xFF\xFE" + Utf16Bytes(text),
       {{"S", "a", 10, "\xE9t\xE9"}, {"S", "j", 10, "??"}}},
      {"utf-16be bom",
       "\xFE\xFF" + Utf16Bytes(text, ByteOrder::kBig),
       {{"S", "a", 10, "\xE9t\xE9"}}},
      {"utf-16 without bom",
       Utf16Bytes(u"[S]\r\na=1\r\n"),
       {{"S", "a", 10, ""}}},
      // An odd last byte is read as one more unit.
      {"utf-16le odd",
       "\xFF\xFE" + Utf16Bytes(u"[S]\r\na=xy") + "A",
       {{"S", "a", 10, "xyA"}}},
      {"utf-16be odd",
       "\xFE\xFF" + Utf16Bytes(u"[S]\r\na=xy", ByteOrder::kBig) + "A",
       {{"S", "a", 10, "xyA"}}},
      {"utf-16 odd after last line",
       "\xFF\xFE" + Utf16Bytes(u"[S]\r\na=xy\r\n") + "A",
       {{"S", "a", 10, "xy"}}},
      {"lone surrogates",
       "\xFF\xFE" + Utf16Bytes(u"[S]\r\na=x") + std::string("\x00\xD8", 2) +
           Utf16Bytes(u"y\r\nb=") + std::string("\x00\xDC", 2) +
           Utf16Bytes(u"\r\n"),
       {{"S", "a", 10, "x?y"}, {"S", "b", 10, "?"}}},
  };
  for (const FileCase& c : cases) RunCase(c);
}

TEST_F(ProfileReader, InvalidUtf8AfterBomAsMeasured) {
  // Each value is <bytes>; the count of '?' is what Wine 8 gave.
  struct Seq {
    std::string bytes;
    const char* expected;
  } seqs[] = {
      {"x\xFFy", "x?y"},
      {"\xC3", "?"},
      {"\xE2\x82z", "?z"},
      {"\xED\xA0\x80", "??"},
      {"\xC0\xAF", "??"},
      {"\xF0\x9F\x98\x80", "??"},
      {"\xE0\x80\x80", "??"},
      {"\xE0\xA0", "?"},
      {"\xF0\x80\x80\x80", "???"},
      {"\xF4\x90\x80\x80", "???"},
      {"\xED\x9F\xBF", "?"},
      {"\xEE\x80\x80", "?"},
      {"\xED\xA0", "?"},
      {"\xED\xBF\xBF", "??"},
      {"\xF0\x90\x80", "?"},
      {"\xF5\x80", "??"},
      {"\x80\x80", "??"},
      {"\xE0\x9F\x80", "??"},
      {"\xF0\x8F\x80\x80", "???"},
      {"\xC1\xBF", "??"},
      {"\xED\xA0\x80\xED\xB0\x80", "????"},
  };
  FileCase c{"utf-8 invalid", "\xEF\xBB\xBF[S]\r\n", {}};
  for (size_t i = 0; i < sizeof seqs / sizeof seqs[0]; ++i) {
    static char keys[32][8];
    snprintf(keys[i], sizeof keys[i], "k%zu", i);
    c.bytes += std::string(keys[i]) + "=<" + seqs[i].bytes + ">\r\n";
    c.lookups.push_back(
        {"S", keys[i], 20, std::string("<") + seqs[i].expected + ">"});
  }
  RunCase(c);
}

TEST_F(ProfileReader, LimitsAndDefaults) {
  std::string x2000 = std::string(2000, 'x');
  RunCase({"limits",
           "[S]\r\nv=" + x2000 + "\r\nh=100\r\n",
           {{"S", "v", 260, x2000.substr(0, 259)},
            {"S", "v", 256, x2000.substr(0, 255)},
            {"S", "v", 101, x2000.substr(0, 100)},
            {"S", "v", 2, "x"},
            {"S", "v", 1, ""}}});
  std::string path = WriteFile("[S]\r\nv=x\r\n");
  char buf[16];
  memset(buf, 0x5A, sizeof buf);
  EXPECT_EQ(PlatformReadProfile("S", "v", "", buf, 0, path.c_str()), 0u);
  EXPECT_EQ(buf[0], 0x5A) << "size 0 must leave the buffer untouched";

  const struct {
    const char* file;
    const char* section;
    const char* def;
    uint32_t size;
    const char* expected;
  } defaults[] = {
      {"missing", "S", "dflt", 10, "dflt"},
      {"missing", "S", "dflt", 3, "df"},
      {"missing", "S", "\"q\"", 10, "\"q\""},  // no quote removal
      {"present", "S", "  def  ", 10, "  def"},
      {"present", "S", "\"q\"", 10, "q"},  // read from Wine 8 code, not probed
      {"present", "S", "   ", 10, " "},
      {"present", "Nope", "d", 10, "d"},
  };
  for (const auto& d : defaults) {
    std::string p = std::string(d.file) == "missing"
                        ? ProgramTempDir() + "/does-not-exist.ini"
                        : path;
    char out[16];
    uint32_t rc =
        PlatformReadProfile(d.section, "absent", d.def, out, d.size, p.c_str());
    EXPECT_EQ(std::string(out, rc), d.expected) << d.file << " " << d.def;
  }
}

TEST_F(ProfileReader, DoubleByteCutFallsBeforeTheCharacter) {
  HostSelectCodePage(932);
  // U+3042 three times: 82 A0 82 A0 82 A0 in code page 932.
  RunCase({"932 cuts",
           "\xFF\xFE" + Utf16Bytes(u"[S]\r\na=\u3042\u3042\u3042\r\n"),
           {{"S", "a", 2, ""},
            {"S", "a", 3, "\x82\xA0"},
            {"S", "a", 4, "\x82\xA0"},
            {"S", "a", 5, "\x82\xA0\x82\xA0"},
            {"S", "a", 6, "\x82\xA0\x82\xA0"},
            {"S", "a", 7, "\x82\xA0\x82\xA0\x82\xA0"}}});
  HostSelectCodePage(1252);
}

TEST_F(ProfileReader, HugeFilesReadInFull) {
  std::string bytes;
  for (int i = 0; i < 100000; ++i)
    bytes += "[FILE" + std::to_string(i) + "]\r\nRegKey=r" + std::to_string(i) +
             "\r\n";
  bytes += "[Long]\r\nv=" + std::string(16 << 20, 'y') + "z\r\nafter=ok\r\n";
  std::string path = WriteFile(bytes);
  char buf[260];
  for (int i = 0; i < 100000; i += 7) {
    std::string sec = "file" + std::to_string(i);
    uint32_t rc =
        PlatformReadProfile(sec.c_str(), "regkey", "", buf, 260, path.c_str());
    ASSERT_EQ(std::string(buf, rc), "r" + std::to_string(i));
  }
  EXPECT_EQ(PlatformReadProfile("Long", "v", "", buf, 5, path.c_str()), 4u);
  EXPECT_STREQ(buf, "yyyy");
  EXPECT_EQ(PlatformReadProfile("Long", "after", "", buf, 5, path.c_str()), 2u);
  EXPECT_STREQ(buf, "ok");
}

}  // namespace
