// The lexical layer of Wine's registry files, shared by the index (which
// must step over hex data that runs on to the next line) and the value
// reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Splits text into lines as Wine's loader reads them: at '\n', with one '\r'
// before it dropped. Returns false at the limit.
inline bool RegNextLine(const char*& cursor, const char* limit,
                        const char** begin, const char** end) {
  if (cursor >= limit) return false;
  const char* b = cursor;
  const char* nl = static_cast<const char*>(
      __builtin_memchr(b, '\n', static_cast<size_t>(limit - b)));
  const char* e = nl != nullptr ? nl : limit;
  cursor = nl != nullptr ? nl + 1 : limit;
  if (e > b && e[-1] == '\r') --e;
  *begin = b;
  *end = e;
  return true;
}

inline bool RegIsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

inline const char* RegSkipSpaces(const char* p, const char* end) {
  while (p < end && RegIsSpace(*p)) ++p;
  return p;
}

// strtoul(p, &end, 16) on the bytes before `e`: blanks, a sign and a "0x"
// are accepted, an overflow gives the largest value, no digits give 0 with
// *endOut = p.
uint64_t RegStrToULHex(const char* p, const char* e, const char** endOut);

bool RegStartsWith(const char* p, const char* e, const char* tag);

// How the data after a tag are written.
enum RegParseKind { kRegString, kRegDword, kRegHex };

// The data tag at `p`: its type, how to parse what follows, and where that
// starts; null when the tag is unknown.
const char* RegParseTag(const char* p, const char* e, uint32_t* type,
                        RegParseKind* kind);

// Hex data from `p`, continued on the following lines after a backslash;
// the bytes go to `out` unless it is null. Advances `cursor` past the lines
// used. Returns false for malformed data.
bool RegParseHexLines(const char* p, const char* e, const char*& cursor,
                      const char* limit, std::vector<unsigned char>* out);

// Steps `cursor` over the continuation lines of hex data from `p` (the data
// after the name of a value line ending at `e`); returns the new cursor.
const char* RegSkipHexData(const char* p, const char* e, const char* cursor,
                           const char* limit);

// The same for a whole value line from its first non-blank byte `s`: only
// hex data ("hex:" or "hex(N):") can go on to the next line.
const char* RegSkipContinuation(const char* s, const char* e,
                                const char* cursor, const char* limit);
