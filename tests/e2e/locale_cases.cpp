#include "tests/e2e/locale_cases.h"

#include <iconv.h>

static std::string Convert(const std::string& in, const char* from,
                           const char* to) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string();
  std::string out(in.size() * 4 + 8, '\0');
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  char* dst = &out[0];
  size_t room = out.size();
  while (left > 0 && iconv(cd, &src, &left, &dst, &room) == size_t(-1)) {
    ++src;  // a character the target lacks: skip its first byte and resync
    --left;
  }
  iconv_close(cd);
  out.resize(out.size() - room);
  return out;
}

std::string EncodeText(const std::string& utf8, const std::string& charset) {
  return Convert(utf8, "UTF-8", charset.c_str());
}

const std::vector<LocaleCase>& LocaleCases() {
  static const std::vector<LocaleCase> cases = {
      {"th", "LC_ALL=th_TH.UTF-8", "CP874", "โปรแกรม"},
      {"ja", "LC_ALL=ja_JP.UTF-8", "CP932", "表示プログラム"},
      {"zh_cn", "LC_ALL=zh_CN.UTF-8", "CP936", "程序文件"},
      {"ko", "LC_ALL=ko_KR.UTF-8", "CP949", "프로그램"},
      {"zh_tw", "LC_ALL=zh_TW.UTF-8", "CP950", "程式檔案"},
      {"pl", "LC_ALL=pl_PL.UTF-8", "CP1250", "Zażółć Ęą"},
      {"ru", "LC_ALL=ru_RU.UTF-8", "CP1251", "Программы"},
      {"el", "LC_ALL=el_GR.UTF-8", "CP1253", "Προγράμματα"},
      {"tr", "LC_ALL=tr_TR.UTF-8", "CP1254", "Programlar ışİğ"},
      {"he", "LC_ALL=he_IL.UTF-8", "CP1255", "תוכניות"},
      {"ar", "LC_ALL=ar_SA.UTF-8", "CP1256", "برامج"},
      {"lt", "LC_ALL=lt_LT.UTF-8", "CP1257", "Programos ąčė"},
      {"vi", "LC_ALL=vi_VN.UTF-8", "CP1258", "Chương trình"},
      {"hi", "LC_ALL=hi_IN.UTF-8", "UTF-8", "कार्यक्रम"},
      // Unix names in KOI8-R and in ASCII (the C locale): the lab's UTF-8
      // names of other letters cannot be spelt.
      {"ru_koi8", "LC_ALL=ru_RU.KOI8-R", "CP1251", "Программы"},
      {"c", "LC_ALL=C", "CP1252", "Programmé"},
      // Not installed for the C library: Wine reads $LC_ALL as it stands
      // (1251), but ignores $LANG (1252); either way Unix names are ASCII.
      {"lc_all_not_installed", "LC_ALL=uk_UA.UTF-8", "CP1251", "Програми"},
      {"lang_not_installed", "LANG=uk_UA.UTF-8", "CP1252", "Programmé"},
  };
  return cases;
}

std::string IntlKey(const LocaleCase& locale) {
  return "HKEY_LOCAL_MACHINE\\Software\\Lab\\Intl\\" + locale.name;
}
