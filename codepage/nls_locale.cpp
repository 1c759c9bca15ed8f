// locale.nls: a file header whose fifth word is the offset of the locale
// tables; there, a header with the two sorted indexes (by LCID and by name),
// the array of locale records and the strings, each a length and UTF-16
// units.
#include "codepage/nls_locale.h"

#include <cstdint>

#include "unicode/ascii_fold.h"

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
    if (i < length && !ReadLe16(t.table, base + 2 + 2 * i, &unit))
      unit = 0;  // a string running off the table ends there
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
  const ByteSpan& h = t->table;
  return ReadLe16(h, kLcidCount, &t->lcidCount) &&
         ReadLe16(h, kLocaleCount, &t->localeCount) &&
         ReadLe16(h, kLocaleSize, &t->localeSize) &&
         ReadLe32(h, kLocalesOffset, &t->localesOffset) &&
         ReadLe16(h, kLcnameCount, &t->lcnameCount) &&
         ReadLe32(h, kLcidsOffset, &t->lcidsOffset) &&
         ReadLe32(h, kLcnamesOffset, &t->lcnamesOffset) &&
         ReadLe32(h, kStringsOffset, &t->stringsOffset) &&
         t->localeSize >= kDefaultAnsiCodePage + 2 &&
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
    uint16_t at = 0;
    if (!ReadLe16(t.table, entry, &at)) return false;
    int res = CompareName(t, name, at);
    if (res < 0) {
      hi = mid - 1;
    } else if (res > 0) {
      lo = mid + 1;
    } else {
      return ReadLe16(t.table, entry + 2, record) && *record < t.localeCount;
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
    uint32_t id = 0;
    if (!ReadLe32(t.table, entry, &id)) return false;
    if (lcid < id) {
      hi = mid - 1;
    } else if (lcid > id) {
      lo = mid + 1;
    } else {
      return ReadLe16(t.table, entry + 4, record) && *record < t.localeCount;
    }
  }
  return false;
}

static uint16_t RecordField(const NlsLocaleTable& t, uint16_t record,
                            uint64_t field) {
  uint16_t value = 0;
  if (record >= t.localeCount ||
      !ReadLe16(t.table,
                t.localesOffset + uint64_t{t.localeSize} * record + field,
                &value))
    return 0;
  return value;
}

uint16_t NlsDefaultLanguage(const NlsLocaleTable& t, uint16_t record) {
  return RecordField(t, record, kDefaultLanguage);
}

uint16_t NlsDefaultAnsiCodePage(const NlsLocaleTable& t, uint16_t record) {
  return RecordField(t, record, kDefaultAnsiCodePage);
}
