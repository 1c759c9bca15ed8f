// The host's code page follows the locale as Wine does and converts as the
// platform converts.
#include <string>

#include <gtest/gtest.h>

#include "codepage/locale_names.h"
#include "platform/linux/code_page.h"
#include "unicode/utf8.h"

namespace {

TEST(CodePage, FromLocaleName) {
  const struct {
    const char* name;
    uint32_t cp;
  } cases[] = {
      {"ja_JP.UTF-8", 932}, {"ja", 932},         {"ko_KR.EUC-KR", 949},
      {"zh_CN.UTF-8", 936}, {"zh_SG", 936},      {"zh_TW.UTF-8", 950},
      {"zh_HK.UTF-8", 950}, {"C", 1252},         {"POSIX", 1252},
      {"C.UTF-8", 1252},    {"en_US.UTF-8", 1252}, {"de_DE@euro", 1252},
      {"", 1252},           {"ru_RU.UTF-8", 1252},  // not carried: 1252
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CodePageForLocaleName(c.name), c.cp) << c.name;
  }
}

std::string ToAnsi(const std::u16string& w) {
  std::string out;
  HostWideToAnsi(w.data(), w.size(), out);
  return out;
}

TEST(CodePage, WideToAnsi1252WithBestFit) {
  HostSelectCodePage(1252);
  // Measured under Wine 8 with ACP 1252.
  EXPECT_EQ(ToAnsi(u"C:\\Caf\u00E9\\"), "C:\\Caf\xE9\\");
  EXPECT_EQ(ToAnsi(u"\u0100"), "A");
  EXPECT_EQ(ToAnsi(u"\u0080"), "?");
  EXPECT_EQ(ToAnsi(u"\u20AC"), "\x80");
  EXPECT_EQ(ToAnsi(u"\u007F"), "\x7F");
  EXPECT_EQ(ToAnsi(u"\U0001F600"), "??");
  EXPECT_EQ(ToAnsi(u"\u65E5\u672C"), "??");
}

TEST(CodePage, RoundTrip932) {
  HostSelectCodePage(932);
  EXPECT_TRUE(HostIsLeadByte(0x95));
  EXPECT_FALSE(HostIsLeadByte(0xA0));  // half-width katakana are single
  EXPECT_EQ(ToAnsi(u"\u8868"), "\x95\x5C");  // its trail byte is a backslash
  std::u16string wide;
  HostAnsiToWide("\x95\x5C" "a", 3, wide);
  EXPECT_EQ(wide, u"\u8868a");
  HostAnsiToWide("\x95", 1, wide);  // a lone lead byte has no character
  EXPECT_EQ(wide, u"?");
  HostSelectCodePage(1252);
}

TEST(CodePage, Utf8Invalid) {
  std::u16string wide;
  Utf8ToWide("a\xC3\xA9\xFF" "b\xE2\x82", 7, wide);
  EXPECT_EQ(wide, u"a\u00E9\uFFFDb\uFFFD");
  std::string back;
  const char16_t lone[] = {0xD800, 'x'};
  WideToUtf8(lone, 2, back);
  EXPECT_EQ(back, "\xEF\xBF\xBDx");
}

}  // namespace
