// The host's locale and code pages as Wine chooses and converts them, from
// Wine's own files. Expected values were measured under Wine 8.
#include <cstdint>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "codepage/cp1252.h"
#include "codepage/nls_code_page.h"
#include "codepage/nls_locale.h"
#include "codepage/unix_locale_name.h"
#include "platform/linux/host_context.h"
#include "unicode/utf8.h"

namespace {

// The locale each $LC_ALL gives (none of these locales is installed for
// the C library, so Wine reads $LC_ALL as it stands).
TEST(CodePage, LocaleNameGivesWinesChoice) {
  const struct {
    const char* lcAll;
    uint32_t lcid;
    uint32_t acp;
    uint32_t user = 0;  // 0: the same as lcid
  } cases[] = {
      {"ja_JP.UTF-8", 0x0411, 932},   {"ja", 0x0411, 932},
      {"ja-JP", 0x0411, 932},         {"ko_KR.EUC-KR", 0x0412, 949},
      {"zh_CN.UTF-8", 0x0804, 936},   {"zh_SG", 0x1004, 936},
      {"zh_TW.UTF-8", 0x0404, 950},   {"zh_HK.UTF-8", 0x0c04, 950},
      {"th_TH.UTF-8", 0x041e, 874},   {"pl_PL.UTF-8", 0x0415, 1250},
      {"ru_RU.UTF-8", 0x0419, 1251},  {"ru_RU.KOI8-R", 0x0419, 1251},
      {"el_GR@euro", 0x0408, 1253},   {"tr_TR.UTF-8", 0x041f, 1254},
      {"he_IL.UTF-8", 0x040d, 1255},  {"ar_SA.UTF-8", 0x0401, 1256},
      {"lt_LT.UTF-8", 0x0427, 1257},  {"vi_VN", 0x042a, 1258},
      {"hi_IN.UTF-8", 0x0439, 65001}, {"sr_RS@latin", 0x241a, 1250},
      {"sr_RS", 0x0409, 1252},        {"ru_UA.UTF-8", 0x0409, 1252, 0x1000},
      {"uz_UZ@cyrillic", 0x0843, 1251}, {"aa_ER@saaho", 0x0409, 1252, 0x1000},
      {"C", 0x0409, 1252},            {"POSIX", 0x0409, 1252},
      {"C.UTF-8", 0x0409, 1252},      {"en_US.UTF-8", 0x0409, 1252},
      {"de_DE.UTF-8", 0x0407, 1252},  {"de", 0x0407, 1252},
      {"de_AT.UTF-8", 0x0c07, 1252},  {"de_DE@euro", 0x0407, 1252},
      {"DE_de.UTF-8", 0x0407, 1252},  {"de-DE", 0x0407, 1252},
      {"de_XX.UTF-8", 0x0409, 1252},  {"en_GB.UTF-8", 0x0809, 1252},
      {"fr_CH", 0x100c, 1252},        {"pt_BR.UTF-8", 0x0416, 1252},
      {"es_ES.UTF-8", 0x0c0a, 1252},  {"nb_NO.UTF-8", 0x0414, 1252},
      {"xx_YY.UTF-8", 0x0409, 1252},  {"a_very_long_locale_name", 0x0409, 1252},
  };
  const char* vars[] = {"LC_ALL", "LANG", "LC_MESSAGES", "LC_CTYPE"};
  for (const auto& c : cases) {
    for (const char* v : vars) unsetenv(v);
    setenv("LC_ALL", c.lcAll, 1);
    HostContext context;
    HostScope scope(context);
    EXPECT_EQ(HostLocale().systemLcid, c.lcid) << c.lcAll;
    EXPECT_EQ(HostLocale().userLcid, c.user ? c.user : c.lcid) << c.lcAll;
    EXPECT_EQ(HostLocale().ansiCodePage, c.acp) << c.lcAll;
    EXPECT_EQ(HostAnsiCodePage(), c.acp) << c.lcAll;
  }
  for (const char* v : vars) unsetenv(v);
  setenv("LC_ALL", "C", 1);
}

TEST(CodePage, UnixNames) {
  const struct {
    const char* unixName;
    const char* lcAll;
    const char* windows;  // nullptr: no name
  } cases[] = {
      {"ja_JP.UTF-8", nullptr, "ja-JP"},
      {"sr_RS.UTF-8@latin", nullptr, "sr-Latn-RS"},
      {"aa_ER@saaho", nullptr, "ssy-ER"},
      {"ca_ES@valencia", nullptr, "ca-ES-valencia"},
      {"de_DE@euro", nullptr, "de-DE"},
      {"POSIX", nullptr, "en-US"},
      {"C", "ja-JP", "ja-JP"},
      {"C", nullptr, nullptr},
      {"", "", nullptr},
      {"C.UTF-8", nullptr, "C"},
  };
  for (const auto& c : cases) {
    char out[kLocaleNameCapacity];
    bool named = UnixToWindowsLocaleName(c.unixName, c.lcAll, out);
    EXPECT_EQ(named, c.windows != nullptr) << c.unixName;
    if (named && c.windows) {
      EXPECT_STREQ(out, c.windows) << c.unixName;
    }
  }
  EXPECT_EQ(UnixCharsetCodePage("UTF-8"), 65001u);
  EXPECT_EQ(UnixCharsetCodePage("ANSI_X3.4-1968"), 20127u);
  EXPECT_EQ(UnixCharsetCodePage("koi8-r"), 20866u);
  EXPECT_EQ(UnixCharsetCodePage("EUC-JP"), 20932u);
  EXPECT_EQ(UnixCharsetCodePage("UTF-7"), 0u);
}

std::string ToAnsi(const std::u16string& w) {
  std::string out;
  HostWideToAnsi(w.data(), w.size(), out);
  return out;
}

// Bytes both ways, by both of the platform's engines.
TEST(CodePage, ConvertsAsThePlatform) {
  HostContext context;
  HostScope scope(context);
  const struct {
    uint32_t cp;
    std::u16string wide;
    std::string ansi;
  } fromWide[] = {
      {1252, u"C:\\Caf\u00E9\\", "C:\\Caf\xE9\\"},
      {1252, u"\u0100\u0080\u20AC\u007F", "A?\x80\x7F"},
      {1252, u"\U0001F600\u65E5\u672C", "????"},
      {1252, u"caf\u00e9 \u4e00 \u20ac \u0100 \u30fb", "caf\xe9 ? \x80 A \xb7"},
      {932, u"caf\u00e9 \u4e00 \u20ac \u0100 \u30fb", "cafe \x88\xea ? ? \x81\x45"},
      {1251, u"caf\u00e9 \u4e00 \u20ac \u0100 \u30fb", "cafe ? \x88 A ?"},
      {1251, u"C:\\\u041f\u0440\u043e", "C:\\\xcf\xf0\xee"},
      {932, u"\u8868", "\x95\x5C"},  // its trail byte is a backslash
      {65001, u"caf\u00e9 \xD800", "caf\xC3\xA9 \xEF\xBF\xBD"},
  };
  for (const auto& c : fromWide) {
    HostSelectCodePage(c.cp);
    EXPECT_EQ(ToAnsi(c.wide), c.ansi) << c.cp << " " << c.ansi;
  }
  const struct {
    uint32_t cp;
    std::string ansi;
    std::u16string native;  // registry names and data, paths
    std::u16string win32;   // INI files and version texts
    uint32_t later = 0;     // a page selected after the codec was taken
  } toWide[] = {
      {932, "\x95\x5C" "a", u"\u8868a", u"\u8868a"},
      {932, "a\x82", std::u16string(u"a\0", 2), u"a\u30FB"},
      {932, std::string("\x82\0b", 3), u"\u30FBb", std::u16string(u"\u30FB\0b", 3)},
      {936, "a\xE9", std::u16string(u"a\0", 2), u"a?"},
      {932, "caf\xe9 \x82\xa0", u"caf\u30fb\u3042", u"caf\u30fb\u3042"},
      {65001, "caf\xe9 \x82\xa0", u"caf\uFFFD \uFFFD\uFFFD", u"caf\uFFFD \uFFFD\uFFFD"},
      {1251, "\xcf\xf0\xee", u"\u041f\u0440\u043e", u"\u041f\u0440\u043e"},
      {932, "\x95\x5C", u"\u8868", u"\u8868", 1252},
  };
  for (const auto& c : toWide) {
    HostSelectCodePage(c.cp);
    std::u16string wide;
    HostAnsiToWide(c.ansi.data(), c.ansi.size(), wide);
    EXPECT_EQ(wide, c.native) << c.cp << " native " << c.ansi;
    AnsiCodec codec = HostAnsiCodec();
    if (c.later != 0) HostSelectCodePage(c.later);
    codec.ToWide(c.ansi.data(), c.ansi.size(), wide);
    EXPECT_EQ(wide, c.win32) << c.cp << " win32 " << c.ansi;
  }
  HostSelectCodePage(932);
  EXPECT_TRUE(HostIsLeadByte(0x95));
  EXPECT_FALSE(HostIsLeadByte(0xA0));  // half-width katakana are single
  HostSelectCodePage(65001);
  EXPECT_FALSE(HostIsLeadByte(0xE3));
}

// The compiled-in fallback is Wine's code page 1252, unit for unit.
TEST(CodePage, FallbackIsWines1252) {
  std::string bytes;
  ASSERT_TRUE(HostReadNlsFile("c_1252.nls", bytes));
  NlsCodePage wine, ours;
  ASSERT_TRUE(NlsParseCodePage(ByteSpan(bytes.data(), bytes.size()), &wine));
  Cp1252CodePage(&ours);
  for (int b = 0; b < 256; ++b)
    EXPECT_EQ(ours.toWide[b], wine.toWide[b]) << "byte " << b;
  int differ = 0;
  for (size_t u = 0; u < 65536; ++u) {
    if (ours.fromWide[u] != wine.fromWide[u] && ++differ < 5)
      ADD_FAILURE() << "unit " << u << ": " << ours.fromWide[u]
                    << " != " << wine.fromWide[u];
  }
  EXPECT_EQ(differ, 0);
}

// Damaged tables are refused, not read past their end.
TEST(CodePage, RefusesDamagedFiles) {
  std::string bytes;
  ASSERT_TRUE(HostReadNlsFile("c_932.nls", bytes));
  NlsCodePage page;
  ASSERT_TRUE(NlsParseCodePage(ByteSpan(bytes.data(), bytes.size()), &page));
  EXPECT_FALSE(NlsParseCodePage(ByteSpan(bytes.data(), bytes.size() - 2), &page));
  std::string lead = bytes;
  // The offset of lead byte 0x81 pointed past the table of pairs.
  size_t at = 2 * (13 + 1 + 256 + 1 + 1 + 0x81);
  lead[at] = '\xff';
  lead[at + 1] = '\xff';
  EXPECT_FALSE(NlsParseCodePage(ByteSpan(lead.data(), lead.size()), &page));
  EXPECT_FALSE(NlsParseCodePage(ByteSpan(bytes.data(), 26), &page));
  std::string utf8 = bytes;  // tables that claim to be UTF-8 (found by fuzzing)
  utf8[2] = '\xe9';
  utf8[3] = '\xfd';
  EXPECT_FALSE(NlsParseCodePage(ByteSpan(utf8.data(), utf8.size()), &page));
  ASSERT_TRUE(HostReadNlsFile("locale.nls", bytes));
  NlsLocaleTable table;
  EXPECT_TRUE(NlsParseLocaleTable(ByteSpan(bytes.data(), bytes.size()), &table));
  EXPECT_FALSE(NlsParseLocaleTable(ByteSpan(bytes.data(), 0x100), &table));
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
