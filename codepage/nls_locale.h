// The platform's table of locales (locale.nls): names and LCIDs to locale
// records, and the two fields of a record the program needs.
#pragma once

#include <cstdint>

#include "bytes/byte_span.h"

struct NlsLocaleTable {
  ByteSpan table;  // from the header of the locales on
  uint32_t lcidsOffset = 0;
  uint32_t lcnamesOffset = 0;
  uint32_t localesOffset = 0;
  uint32_t stringsOffset = 0;
  uint16_t lcidCount = 0;
  uint16_t lcnameCount = 0;
  uint16_t localeCount = 0;
  uint16_t localeSize = 0;
};

// Reads the file's header; false when the tables it names do not lie inside
// the file. Lookups check every read again.
bool NlsParseLocaleTable(ByteSpan file, NlsLocaleTable* table);

// The record of a locale name, compared as the platform compares them: ASCII
// letters in either case, '_' the same as '-'. False when there is none.
bool NlsFindLocaleName(const NlsLocaleTable& table, const char* name,
                       uint16_t* record);
bool NlsFindLocaleId(const NlsLocaleTable& table, uint32_t lcid,
                     uint16_t* record);

// LOCALE_IDEFAULTLANGUAGE and LOCALE_IDEFAULTANSICODEPAGE of a record.
uint16_t NlsDefaultLanguage(const NlsLocaleTable& table, uint16_t record);
uint16_t NlsDefaultAnsiCodePage(const NlsLocaleTable& table, uint16_t record);

// The LCID the platform gives a locale it does not describe fully.
constexpr uint32_t kLocaleCustomUnspecified = 0x1000;
