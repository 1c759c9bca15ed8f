#include "regfile/reg_lexer.h"

#include <cstdint>
#include <cstring>

#include "regfile/reg_escape.h"

uint64_t RegStrToULHex(const char* p, const char* e, const char** endOut) {
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

bool RegStartsWith(const char* p, const char* e, const char* tag) {
  size_t n = strlen(tag);
  return static_cast<size_t>(e - p) >= n && memcmp(p, tag, n) == 0;
}

const char* RegParseTag(const char* p, const char* e, uint32_t* type,
                        RegParseKind* kind) {
  static const struct {
    const char* tag;
    uint32_t type;
    RegParseKind kind;
  } kTags[] = {
      {"\"", 1, kRegString},        {"str:\"", 1, kRegString},
      {"str(2):\"", 2, kRegString}, {"str(7):\"", 7, kRegString},
      {"hex:", 3, kRegHex},         {"dword:", 4, kRegDword},
  };
  for (const auto& t : kTags) {
    if (RegStartsWith(p, e, t.tag)) {
      *type = t.type;
      *kind = t.kind;
      return p + strlen(t.tag);
    }
  }
  if (!RegStartsWith(p, e, "hex(")) return nullptr;
  const char* end;
  *type = static_cast<uint32_t>(RegStrToULHex(p + 4, e, &end));
  // No digits leave `end` at the digits' place: the type is then 0.
  if (!RegStartsWith(end, e, "):")) return nullptr;
  *kind = kRegHex;
  return end + 2;
}

namespace {

// Parses a comma-separated list of hex bytes on one line. Returns where the
// list stops, or null for a byte above 0xFF.
const char* RegParseHexList(const char* p, const char* e,
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
    uint64_t value = RegStrToULHex(p, e, &end);
    if (value > 0xFF) return nullptr;
    if (out != nullptr) out->push_back(static_cast<unsigned char>(value));
    p = RegSkipSpaces(end, e);
    if (p < e && *p == ',') ++p;
    p = RegSkipSpaces(p, e);
  }
  return p;
}

}  // namespace

bool RegParseHexLines(const char* p, const char* e, const char*& cursor,
                      const char* limit, std::vector<unsigned char>* out) {
  for (;;) {
    p = RegParseHexList(p, e, out);
    if (p == nullptr) return false;
    p = RegSkipSpaces(p, e);
    if (p == e) return true;
    if (*p != '\\') return false;
    const char* b;
    if (!RegNextLine(cursor, limit, &b, &e)) return false;
    p = RegSkipSpaces(b, e);
  }
}

const char* RegSkipHexData(const char* p, const char* e, const char* cursor,
                           const char* limit) {
  // Only data holding a backslash can go on to the next line.
  if (memchr(p, '\\', static_cast<size_t>(e - p)) == nullptr) return cursor;
  uint32_t type;
  RegParseKind kind;
  p = RegParseTag(p, e, &type, &kind);
  if (p == nullptr || kind != kRegHex) return cursor;
  RegParseHexLines(p, e, cursor, limit, nullptr);
  return cursor;
}

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
  return RegSkipHexData(p, e, cursor, limit);
}
