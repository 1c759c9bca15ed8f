#include "platform/posix/registry_value.h"

#include <cstring>

#include "platform/posix/registry_escape.h"
#include "platform/posix/registry_fold.h"

namespace {

enum ParseKind { kParseString, kParseDword, kParseHex };

// strtoul(p, &end, 16) on the bytes before `e`: blanks, a sign and a "0x"
// are accepted, an overflow gives the largest value, no digits give 0 with
// *endOut = p.
uint64_t StrToULHex(const char* p, const char* e, const char** endOut) {
  const char* q = RegSkipSpaces(p, e);
  bool negative = false;
  if (q < e && (*q == '+' || *q == '-')) negative = *q++ == '-';
  if (e - q > 2 && q[0] == '0' && (q[1] == 'x' || q[1] == 'X') &&
      RegHexDigit(q[2]) >= 0)
    q += 2;
  uint64_t value = 0;
  bool overflow = false;
  const char* digits = q;
  int d;
  while (q < e && (d = RegHexDigit(*q)) >= 0) {
    if (value > (UINT64_MAX >> 4)) overflow = true;
    value = (value << 4) | static_cast<uint64_t>(d);
    ++q;
  }
  if (q == digits) {
    if (endOut != nullptr) *endOut = p;
    return 0;
  }
  if (endOut != nullptr) *endOut = q;
  if (overflow) return UINT64_MAX;
  return negative ? static_cast<uint64_t>(0) - value : value;
}

bool StartsWith(const char* p, const char* e, const char* tag) {
  size_t n = strlen(tag);
  return static_cast<size_t>(e - p) >= n && memcmp(p, tag, n) == 0;
}

// The value's name and where its data start (after '=' and blanks), or null
// for a malformed name.
const char* ParseName(const char* s, const char* e, std::u16string* name) {
  const char* p;
  if (*s == '@') {
    p = s + 1;
  } else {
    size_t n = RegUnescape(s + 1, e, '"', name);
    if (n == 0) return nullptr;
    p = s + 1 + n;
  }
  p = RegSkipSpaces(p, e);
  if (p == e || *p != '=') return nullptr;
  return RegSkipSpaces(p + 1, e);
}

// The data tag: its type, how to parse what follows, and where that starts;
// null when the tag is unknown.
const char* ParseTag(const char* p, const char* e, uint32_t* type,
                     ParseKind* kind) {
  static const struct {
    const char* tag;
    uint32_t type;
    ParseKind kind;
  } kTags[] = {
      {"\"", 1, kParseString},        {"str:\"", 1, kParseString},
      {"str(2):\"", 2, kParseString}, {"str(7):\"", 7, kParseString},
      {"hex:", 3, kParseHex},         {"dword:", 4, kParseDword},
  };
  for (const auto& t : kTags) {
    if (StartsWith(p, e, t.tag)) {
      *type = t.type;
      *kind = t.kind;
      return p + strlen(t.tag);
    }
  }
  if (!StartsWith(p, e, "hex(")) return nullptr;
  const char* end;
  *type = static_cast<uint32_t>(StrToULHex(p + 4, e, &end));
  // No digits leave `end` at the digits' place: the type is then 0.
  if (!StartsWith(end, e, "):")) return nullptr;
  *kind = kParseHex;
  return end + 2;
}

// Parses a comma-separated list of hex bytes on one line. Returns where the
// list stops, or null for a byte above 0xFF.
const char* ParseHexList(const char* p, const char* e,
                         std::vector<unsigned char>* out) {
  // Most bytes are two digits and a comma, as Wine writes them; the loop
  // below gives the same result for them, and takes every other form.
  const char* start = p;
  while (e - p >= 3 && p[2] == ',' && RegHexDigit(p[0]) >= 0 &&
         RegHexDigit(p[1]) >= 0) {
    if (out != nullptr)
      out->push_back(static_cast<unsigned char>(RegHexDigit(p[0]) * 16 +
                                                RegHexDigit(p[1])));
    p += 3;
  }
  if (p != start) p = RegSkipSpaces(p, e);
  while (p < e && RegHexDigit(*p) >= 0) {
    const char* end;
    uint64_t value = StrToULHex(p, e, &end);
    if (value > 0xFF) return nullptr;
    if (out != nullptr) out->push_back(static_cast<unsigned char>(value));
    p = RegSkipSpaces(end, e);
    if (p < e && *p == ',') ++p;
    p = RegSkipSpaces(p, e);
  }
  return p;
}

// Hex data from `p`, continued on the following lines after a backslash.
// Advances `cursor` past the lines used. Returns false for malformed data.
bool ParseHexLines(const char* p, const char* e, const char*& cursor,
                   const char* limit, std::vector<unsigned char>* out) {
  for (;;) {
    p = ParseHexList(p, e, out);
    if (p == nullptr) return false;
    p = RegSkipSpaces(p, e);
    if (p == e) return true;
    if (*p != '\\') return false;
    const char* b;
    if (!RegNextLine(cursor, limit, &b, &e)) return false;
    p = RegSkipSpaces(b, e);
  }
}

void AppendUtf16(const std::u16string& units, std::vector<unsigned char>& out) {
  out.reserve(units.size() * 2 + 2);
  for (char16_t u : units) {
    out.push_back(static_cast<unsigned char>(u & 0xFF));
    out.push_back(static_cast<unsigned char>(u >> 8));
  }
  out.push_back(0);
  out.push_back(0);
}

// Decodes the data of a value line; false for malformed data.
bool ParseData(const char* p, const char* e, const char*& cursor,
               const char* limit, RegValue* out) {
  uint32_t type;
  ParseKind kind;
  p = ParseTag(p, e, &type, &kind);
  if (p == nullptr) return false;
  out->type = type;
  out->data.clear();
  switch (kind) {
    case kParseString: {
      std::u16string units;
      if (RegUnescape(p, e, '"', &units) == 0) return false;
      AppendUtf16(units, out->data);
      return true;
    }
    case kParseDword: {
      uint32_t dw = static_cast<uint32_t>(StrToULHex(p, e, nullptr));
      for (int i = 0; i < 4; ++i)
        out->data.push_back(static_cast<unsigned char>(dw >> (8 * i)));
      return true;
    }
    case kParseHex:
      return ParseHexLines(p, e, cursor, limit, &out->data);
  }
  return false;
}

const char* SkipHexData(const char* p, const char* e, const char* cursor,
                        const char* limit) {
  // Only data holding a backslash can go on to the next line.
  if (memchr(p, '\\', static_cast<size_t>(e - p)) == nullptr) return cursor;
  uint32_t type;
  ParseKind kind;
  p = ParseTag(p, e, &type, &kind);
  if (p == nullptr || kind != kParseHex) return cursor;
  ParseHexLines(p, e, cursor, limit, nullptr);
  return cursor;
}

}  // namespace

const char* RegSkipContinuation(const char* s, const char* e,
                                const char* cursor, const char* limit) {
  // The name ends where ParseName's decoding would stop; only hex data
  // ("hex:" or "hex(N):") can go on to the next line.
  const char* p = s + 1;
  if (*s == '"') {
    p = RegFindUnescaped(p, e, '"');
    if (p == nullptr) return cursor;
    ++p;
  }
  p = RegSkipSpaces(p, e);
  if (p == e || *p != '=') return cursor;
  p = RegSkipSpaces(p + 1, e);
  if (e - p < 4 || memcmp(p, "hex", 3) != 0 || (p[3] != ':' && p[3] != '('))
    return cursor;
  return SkipHexData(p, e, cursor, limit);
}

bool RegFindValue(const RegHive& hive, int32_t key,
                  const std::u16string& foldedName, RegValue* out) {
  if (!hive.loaded || key < 0 || static_cast<size_t>(key) >= hive.keys.size())
    return false;
  const char* base = hive.text.get();
  bool found = false;
  std::u16string name;
  // The newest block that defines the name holds the answer: its last line
  // that does.
  for (int32_t bi = hive.keys[key].lastBlock; bi >= 0 && !found;
       bi = hive.blocks[bi].previous) {
    const char* cursor = base + hive.blocks[bi].begin;
    const char* limit = base + hive.blocks[bi].end;
    const char *b, *e;
    while (RegNextLine(cursor, limit, &b, &e)) {
      const char* s = RegSkipSpaces(b, e);
      if (s == e || (*s != '"' && *s != '@')) continue;
      name.clear();
      const char* p = ParseName(s, e, &name);
      if (p == nullptr) continue;
      RegFoldName(name);
      if (name != foldedName) {
        cursor = SkipHexData(p, e, cursor, limit);
        continue;
      }
      found = true;
      if (!ParseData(p, e, cursor, limit, out)) {
        out->type = 0;
        out->data.clear();
      }
    }
  }
  return found;
}

bool RegIsLink(const RegHive& hive, int32_t key) {
  if (!hive.loaded || key < 0 || static_cast<size_t>(key) >= hive.keys.size())
    return false;
  const char* base = hive.text.get();
  for (int32_t bi = hive.keys[key].lastBlock; bi >= 0;
       bi = hive.blocks[bi].previous) {
    const char* cursor = base + hive.blocks[bi].begin;
    const char* limit = base + hive.blocks[bi].end;
    const char *b, *e;
    while (RegNextLine(cursor, limit, &b, &e)) {
      const char* s = RegSkipSpaces(b, e);
      if (s == e) continue;
      if (*s == '#' && StartsWith(s, e, "#link")) return true;
      if (*s == '"' || *s == '@')
        cursor = RegSkipContinuation(s, e, cursor, limit);
    }
  }
  return false;
}
