// What a Unix locale name tells a Windows program: its ANSI code page and
// its language, from the language, country and modifier of the name.
#include "codepage/locale_names.h"

#include <cctype>
#include <cstring>

namespace {

struct LocaleId {
  const char* name;  // language, or language_COUNTRY, in lower case
  uint16_t langId;
};

// The LANGIDs of the Windows locales, as the Win32 documentation lists them;
// a bare language gives its default country.
const LocaleId kLocales[] = {
    {"af", 0x0436},    {"af_za", 0x0436}, {"ar", 0x0401},    {"ar_sa", 0x0401},
    {"ar_eg", 0x0c01}, {"ar_ae", 0x3801}, {"bg", 0x0402},    {"bg_bg", 0x0402},
    {"ca", 0x0403},    {"ca_es", 0x0403}, {"cs", 0x0405},    {"cs_cz", 0x0405},
    {"da", 0x0406},    {"da_dk", 0x0406}, {"de", 0x0407},    {"de_de", 0x0407},
    {"de_ch", 0x0807}, {"de_at", 0x0c07}, {"de_lu", 0x1007}, {"de_li", 0x1407},
    {"de_be", 0x0407}, {"el", 0x0408},    {"el_gr", 0x0408}, {"en", 0x0409},
    {"en_us", 0x0409}, {"en_gb", 0x0809}, {"en_au", 0x0c09}, {"en_ca", 0x1009},
    {"en_nz", 0x1409}, {"en_ie", 0x1809}, {"en_za", 0x1c09}, {"en_in", 0x4009},
    {"es", 0x0c0a},    {"es_es", 0x0c0a}, {"es_mx", 0x080a}, {"es_ar", 0x2c0a},
    {"et", 0x0425},    {"et_ee", 0x0425}, {"eu", 0x042d},    {"eu_es", 0x042d},
    {"fi", 0x040b},    {"fi_fi", 0x040b}, {"fr", 0x040c},    {"fr_fr", 0x040c},
    {"fr_be", 0x080c}, {"fr_ca", 0x0c0c}, {"fr_ch", 0x100c}, {"fr_lu", 0x140c},
    {"he", 0x040d},    {"he_il", 0x040d}, {"hr", 0x041a},    {"hr_hr", 0x041a},
    {"hu", 0x040e},    {"hu_hu", 0x040e}, {"id", 0x0421},    {"id_id", 0x0421},
    {"is", 0x040f},    {"is_is", 0x040f}, {"it", 0x0410},    {"it_it", 0x0410},
    {"it_ch", 0x0810}, {"ja", 0x0411},    {"ja_jp", 0x0411}, {"ko", 0x0412},
    {"ko_kr", 0x0412}, {"lt", 0x0427},    {"lt_lt", 0x0427}, {"lv", 0x0426},
    {"lv_lv", 0x0426}, {"nb", 0x0414},    {"nb_no", 0x0414}, {"nl", 0x0413},
    {"nl_nl", 0x0413}, {"nl_be", 0x0813}, {"nn", 0x0814},    {"nn_no", 0x0814},
    {"pl", 0x0415},    {"pl_pl", 0x0415}, {"pt", 0x0816},    {"pt_pt", 0x0816},
    {"pt_br", 0x0416}, {"ro", 0x0418},    {"ro_ro", 0x0418}, {"ru", 0x0419},
    {"ru_ru", 0x0419}, {"sk", 0x041b},    {"sk_sk", 0x041b}, {"sl", 0x0424},
    {"sl_si", 0x0424}, {"sr", 0x281a},    {"sr_rs", 0x281a}, {"sv", 0x041d},
    {"sv_se", 0x041d}, {"sv_fi", 0x081d}, {"th", 0x041e},    {"th_th", 0x041e},
    {"tr", 0x041f},    {"tr_tr", 0x041f}, {"uk", 0x0422},    {"uk_ua", 0x0422},
    {"vi", 0x042a},    {"vi_vn", 0x042a}, {"zh", 0x0804},    {"zh_cn", 0x0804},
    {"zh_sg", 0x1004}, {"zh_tw", 0x0404}, {"zh_hk", 0x0c04}, {"zh_mo", 0x1404},
};

// Locales whose "@latin" form is a script of its own.
const LocaleId kLatinLocales[] = {
    {"sr", 0x241a}, {"sr_rs", 0x241a}, {"uz", 0x0443}, {"uz_uz", 0x0443}};

// Whether two texts are equal with ASCII letters folded.
bool SameIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b)
    if (tolower(static_cast<unsigned char>(*a)) !=
        tolower(static_cast<unsigned char>(*b)))
      return false;
  return *a == *b;
}

}  // namespace

uint32_t CodePageForLocaleName(const char* name) {
  if (name == nullptr) return 1252;
  char lang[8] = {0};
  char country[8] = {0};
  size_t i = 0, k = 0;
  while (name[i] && name[i] != '_' && name[i] != '.' && name[i] != '@' &&
         k + 1 < sizeof lang)
    lang[k++] =
        static_cast<char>(tolower(static_cast<unsigned char>(name[i++])));
  if (name[i] == '_') {
    ++i;
    k = 0;
    while (name[i] && name[i] != '.' && name[i] != '@' &&
           k + 1 < sizeof country)
      country[k++] =
          static_cast<char>(toupper(static_cast<unsigned char>(name[i++])));
  }
  if (strcmp(lang, "ja") == 0) return 932;
  if (strcmp(lang, "ko") == 0) return 949;
  if (strcmp(lang, "zh") == 0) {
    if (strcmp(country, "TW") == 0 || strcmp(country, "HK") == 0 ||
        strcmp(country, "MO") == 0)
      return 950;
    return 936;
  }
  return 1252;
}

uint16_t LangIdForLocaleName(const char* name) {
  if (name == nullptr) return 0;
  // "language[_COUNTRY][.codeset][@modifier]", lower-cased; '-' counts as '_'.
  char key[16] = {0};
  size_t k = 0;
  const char* p = name;
  for (; *p != '\0' && *p != '.' && *p != '@'; ++p) {
    if (k + 1 >= sizeof key) return 0;
    char c = *p == '-' ? '_' : *p;
    key[k++] = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  }
  const char* modifier = strchr(p, '@');
  bool latin = modifier != nullptr && SameIgnoringCase(modifier + 1, "latin");
  if (latin) {
    for (const LocaleId& l : kLatinLocales) {
      if (strcmp(l.name, key) == 0) return l.langId;
    }
  }
  for (const LocaleId& l : kLocales) {
    if (strcmp(l.name, key) == 0) return l.langId;
  }
  return 0;
}
