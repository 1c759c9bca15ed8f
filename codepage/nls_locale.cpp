// locale.nls: a file header whose fifth word is the offset of the locale
// tables; there, a header with the two sorted indexes (by LCID and by name),
// the array of locale records and the strings, each a length and UTF-16
// units.
#include "codepage/nls_locale.h"

#include <cstdint>

namespace {

constexpr uint64_t kFileLocalesOffset = 0x10;
// The header of the locale tables.
constexpr uint64_t kLcidCount = 0x1e;
constexpr uint64_t kLocaleCount = 0x20;
constexpr uint64_t kLocaleSize = 0x22;
constexpr uint64_t kLocalesOffset = 0x24;
constexpr uint64_t kLcnameCount = 0x28;
constexpr uint64_t kLcidsOffset = 0x2c;
constexpr uint64_t kLcnamesOffset = 0x30;
constexpr uint64_t kStringsOffset = 0x40;
constexpr uint64_t kHeaderSize = 0x4c;
// An index entry: by LCID {UINT id, USHORT record, USHORT name}, by name
// {USHORT name, USHORT record, UINT id}.
constexpr uint64_t kIndexEntrySize = 8;
// Fields of a locale record.
constexpr uint64_t kDefaultLanguage = 0x6c;
constexpr uint64_t kDefaultAnsiCodePage = 0x6e;

char16_t AsciiUpper(char16_t c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - ('a' - 'A')) : c;
}

char16_t NameUnit(char16_t c) {
  c = AsciiUpper(c);
  return c == '_' ? u'-' : c;
}

// Compares `name` with the string at unit index `at` of the strings, as
// the platform does; a string running off the table ends there.
int CompareName(const NlsLocaleTable& t, const char* name, uint16_t at) {
  uint64_t base = uint64_t{t.stringsOffset} + 2 * uint64_t{at};
  uint16_t length = 0;
  if (!ReadLe16(t.table, base, &length)) return 1;
  for (uint64_t i = 0;; ++i) {
    char16_t a = NameUnit(static_cast<unsigned char>(name[i]));
    uint16_t unit = 0;
    if (i < length) ReadLe16(t.table, base + 2 + 2 * i, &unit);
    char16_t b = NameUnit(unit);
    if (a == 0 || a != b) return static_cast<int>(a) - static_cast<int>(b);
  }
}

}  // namespace

bool NlsParseLocaleTable(ByteSpan file, NlsLocaleTable* t) {
  uint32_t offset = 0;
  if (!ReadLe32(file, kFileLocalesOffset, &offset)) return false;
  t->table = file.From(offset);
  if (offset > file.size || !t->table.Has(0, kHeaderSize)) return false;
  t->lcidCount = Le16At(t->table, kLcidCount);
  t->localeCount = Le16At(t->table, kLocaleCount);
  t->localeSize = Le16At(t->table, kLocaleSize);
  t->localesOffset = Le32At(t->table, kLocalesOffset);
  t->lcnameCount = Le16At(t->table, kLcnameCount);
  t->lcidsOffset = Le32At(t->table, kLcidsOffset);
  t->lcnamesOffset = Le32At(t->table, kLcnamesOffset);
  t->stringsOffset = Le32At(t->table, kStringsOffset);
  return t->localeSize >= kDefaultAnsiCodePage + 2 &&
         t->table.Has(t->lcidsOffset, kIndexEntrySize * t->lcidCount) &&
         t->table.Has(t->lcnamesOffset, kIndexEntrySize * t->lcnameCount) &&
         t->table.Has(t->localesOffset,
                      uint64_t{t->localeSize} * t->localeCount) &&
         t->stringsOffset <= t->table.size;
}

bool NlsFindLocaleName(const NlsLocaleTable& t, const char* name,
                       uint16_t* record) {
  if (name == nullptr) return false;
  int lo = 0, hi = static_cast<int>(t.lcnameCount) - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    uint64_t entry = t.lcnamesOffset + kIndexEntrySize * uint64_t(mid);
    int res = CompareName(t, name, Le16At(t.table, entry));
    if (res < 0) {
      hi = mid - 1;
    } else if (res > 0) {
      lo = mid + 1;
    } else {
      *record = Le16At(t.table, entry + 2);
      return *record < t.localeCount;
    }
  }
  return false;
}

bool NlsFindLocaleId(const NlsLocaleTable& t, uint32_t lcid,
                     uint16_t* record) {
  int lo = 0, hi = static_cast<int>(t.lcidCount) - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    uint64_t entry = t.lcidsOffset + kIndexEntrySize * uint64_t(mid);
    uint32_t id = Le32At(t.table, entry);
    if (lcid < id) {
      hi = mid - 1;
    } else if (lcid > id) {
      lo = mid + 1;
    } else {
      *record = Le16At(t.table, entry + 4);
      return *record < t.localeCount;
    }
  }
  return false;
}

static uint16_t RecordField(const NlsLocaleTable& t, uint16_t record,
                            uint64_t field) {
  if (record >= t.localeCount) return 0;
  return Le16At(t.table, t.localesOffset +
                             uint64_t{t.localeSize} * record + field);
}

uint16_t NlsDefaultLanguage(const NlsLocaleTable& t, uint16_t record) {
  return RecordField(t, record, kDefaultLanguage);
}

uint16_t NlsDefaultAnsiCodePage(const NlsLocaleTable& t, uint16_t record) {
  return RecordField(t, record, kDefaultAnsiCodePage);
}
