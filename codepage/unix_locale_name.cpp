// The Unix locale and character set names the platform recognises, and the
// locale Wine chooses from them.
#include "codepage/unix_locale_name.h"

#include <cstdint>
#include <cstring>

#include "codepage/nls_code_page.h"
#include "unicode/ascii_fold.h"

namespace {

struct Modifier {
  const char* name;
  const char* script;
};

const Modifier kScripts[] = {
    {"arabic", "-Arab"},   {"chakma", "-Cakm"},     {"cherokee", "-Cher"},
    {"cyrillic", "-Cyrl"}, {"devanagari", "-Deva"}, {"gurmukhi", "-Guru"},
    {"javanese", "-Java"}, {"latin", "-Latn"},      {"mongolian", "-Mong"},
    {"syriac", "-Syrc"},   {"tifinagh", "-Tfng"},   {"tibetan", "-Tibt"},
    {"vai", "-Vaii"},      {"yi", "-Yiii"}};

struct Charset {
  const char* name;  // upper case, letters and digits only, sorted
  uint32_t codePage;
};

const Charset kCharsets[] = {
    {"ANSIX341968", 20127}, {"BIG5", 950},       {"BIG5HKSCS", 950},
    {"CP1250", 1250},       {"CP1251", 1251},    {"CP1252", 1252},
    {"CP1253", 1253},       {"CP1254", 1254},    {"CP1255", 1255},
    {"CP1256", 1256},       {"CP1257", 1257},    {"CP1258", 1258},
    {"CP932", 932},         {"CP936", 936},      {"CP949", 949},
    {"CP950", 950},         {"EUCJP", 20932},    {"EUCKR", 949},
    {"GB18030", 936},       {"GB2312", 936},     {"GBK", 936},
    {"IBM037", 37},         {"IBM1026", 1026},   {"IBM424", 20424},
    {"IBM437", 437},        {"IBM500", 500},     {"IBM850", 850},
    {"IBM852", 852},        {"IBM855", 855},     {"IBM857", 857},
    {"IBM860", 860},        {"IBM861", 861},     {"IBM862", 862},
    {"IBM863", 863},        {"IBM864", 864},     {"IBM865", 865},
    {"IBM866", 866},        {"IBM869", 869},     {"IBM874", 874},
    {"IBM875", 875},        {"ISO88591", 28591}, {"ISO885913", 28603},
    {"ISO885915", 28605},   {"ISO88592", 28592}, {"ISO88593", 28593},
    {"ISO88594", 28594},    {"ISO88595", 28595}, {"ISO88596", 28596},
    {"ISO88597", 28597},    {"ISO88598", 28598}, {"ISO88599", 28599},
    {"KOI8R", 20866},       {"KOI8U", 21866},    {"SJIS", 932},
    {"TIS620", 28601},      {"UTF8", kCodePageUtf8}};

// Appends `text` to `out` (capacity kLocaleNameCapacity); false when it
// does not fit.
bool Append(char* out, const char* text) {
  size_t have = strlen(out);
  size_t add = strlen(text);
  if (have + add >= kLocaleNameCapacity) return false;
  memcpy(out + have, text, add + 1);
  return true;
}

}  // namespace

bool UnixToWindowsLocaleName(const char* unixName, const char* lcAll,
                             char out[kLocaleNameCapacity]) {
  if (unixName == nullptr || unixName[0] == '\0' ||
      strcmp(unixName, "C") == 0) {
    unixName = lcAll;
    if (unixName == nullptr || unixName[0] == '\0') return false;
  }
  char buffer[kLocaleNameCapacity] = "";
  if (!Append(buffer, unixName)) return false;
  out[0] = '\0';
  char* p = strpbrk(buffer, "_.@");
  if (p == nullptr) {
    bool plain = strcmp(buffer, "POSIX") == 0 || strcmp(buffer, "C") == 0;
    return Append(out, plain ? "en-US" : buffer);
  }
  const char* country = nullptr;
  const char* modifier = nullptr;
  if (*p == '_') {
    *p++ = '\0';
    country = p;
    p = strpbrk(p, ".@");
  }
  if (p != nullptr && *p == '.') {
    *p++ = '\0';  // the charset says nothing of the locale
    p = strchr(p, '@');
  }
  if (p != nullptr) {
    *p++ = '\0';
    modifier = p;
  }
  if (!Append(out, buffer)) return false;
  const char* extra = nullptr;
  if (modifier != nullptr) {
    for (const Modifier& m : kScripts) {
      if (strcmp(modifier, m.name) == 0 && !Append(out, m.script)) return false;
    }
    if (strcmp(modifier, "saaho") == 0) {
      out[0] = '\0';
      Append(out, "ssy");
    } else if (strcmp(modifier, "valencia") == 0) {
      extra = "-valencia";
    }
  }
  if (country != nullptr && !(Append(out, "-") && Append(out, country)))
    return false;
  return extra == nullptr || Append(out, extra);
}

uint32_t UnixCharsetCodePage(const char* charset) {
  if (charset == nullptr) return 0;
  char name[16];
  size_t j = 0;
  for (size_t i = 0; charset[i] != '\0' && j + 1 < sizeof name; ++i) {
    char c = AsciiUpper(charset[i]);
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) name[j++] = c;
  }
  name[j] = '\0';
  for (const Charset& c : kCharsets) {
    if (strcmp(c.name, name) == 0) return c.codePage;
  }
  return 0;
}

WineLocaleChoice WineChooseLocale(const char* charset, const char* system,
                                  const char* user, const char* lcAll,
                                  const NlsLocaleTable* table) {
  uint32_t unixPage = UnixCharsetCodePage(charset);
  WineLocaleChoice choice = {0, 0, 1252, unixPage ? unixPage : kCodePageUtf8};
  // A name that cannot be made is looked up as the empty name.
  char systemName[kLocaleNameCapacity];
  char userName[kLocaleNameCapacity];
  if (!UnixToWindowsLocaleName(system, lcAll, systemName)) systemName[0] = '\0';
  if (!UnixToWindowsLocaleName(user, lcAll, userName)) userName[0] = '\0';
  uint16_t record = 0;
  if (table != nullptr && NlsFindLocaleName(*table, systemName, &record)) {
    uint16_t lang = NlsDefaultLanguage(*table, record);
    if (lang != kLocaleCustomUnspecified) choice.systemLcid = lang;
  }
  if (table != nullptr && NlsFindLocaleName(*table, userName, &record))
    choice.userLcid = NlsDefaultLanguage(*table, record);
  // Names Wine does not know give US English.
  if (choice.systemLcid == 0) choice.systemLcid = kLangEnglishUs;
  if (choice.userLcid == 0) choice.userLcid = choice.systemLcid;
  if (table != nullptr &&
      NlsFindLocaleId(*table, choice.systemLcid, &record)) {
    uint16_t acp = NlsDefaultAnsiCodePage(*table, record);
    if (acp != 0) choice.ansiCodePage = acp;
  }
  return choice;
}
