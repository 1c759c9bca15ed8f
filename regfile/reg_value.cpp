#include "regfile/reg_value.h"

#include <cstdint>

#include "regfile/reg_escape.h"
#include "unicode/upper_case.h"
#include "regfile/reg_lexer.h"
#include "unicode/utf16.h"

namespace {
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

// Decodes the data of a value line; false for malformed data.
bool ParseData(const char* p, const char* e, const char*& cursor,
               const char* limit, RegValue* out) {
  uint32_t type;
  RegParseKind kind;
  p = RegParseTag(p, e, &type, &kind);
  if (p == nullptr) return false;
  out->type = type;
  out->data.clear();
  switch (kind) {
    case kRegString: {
      std::u16string units;
      if (RegUnescape(p, e, '"', &units) == 0) return false;
      units.push_back(0);  // stored with a terminator
      Utf16Pack(units.data(), units.size(), ByteOrder::kLittle, out->data);
      return true;
    }
    case kRegDword: {
      uint32_t dw = static_cast<uint32_t>(RegStrToULHex(p, e, nullptr));
      for (int i = 0; i < 4; ++i)
        out->data.push_back(static_cast<unsigned char>(dw >> (8 * i)));
      return true;
    }
    case kRegHex:
      return RegParseHexLines(p, e, cursor, limit, &out->data);
  }
  return false;
}

// Visits each non-blank line of a key's blocks, from its first non-blank
// byte, newest block first, and stops after the block in which `visit`
// returns true; the visitor moves `cursor` past a value's continuation lines.
template <typename Visit>
bool VisitKeyLines(const RegHive& hive, int32_t key, Visit visit) {
  if (!hive.loaded || key < 0 || static_cast<size_t>(key) >= hive.keys.size())
    return false;
  const char* base = hive.text.get();
  bool done = false;
  for (int32_t bi = hive.keys[key].lastBlock; bi >= 0 && !done;
       bi = hive.blocks[bi].previous) {
    const char* cursor = base + hive.blocks[bi].begin;
    const char* limit = base + hive.blocks[bi].end;
    const char *b, *e;
    while (RegNextLine(cursor, limit, &b, &e)) {
      const char* s = RegSkipSpaces(b, e);
      if (s != e && visit(s, e, cursor, limit)) done = true;
    }
  }
  return done;
}

}  // namespace

// The newest block that defines the name holds the answer: its last line
// that does.
bool RegFindValue(const RegHive& hive, int32_t key,
                  const std::u16string& foldedName, RegValue* out) {
  std::u16string name;
  return VisitKeyLines(hive, key, [&](const char* s, const char* e,
                                      const char*& cursor, const char* limit) {
    if (*s != '"' && *s != '@') return false;
    name.clear();
    const char* p = ParseName(s, e, &name);
    if (p == nullptr) return false;
    UpperCaseText(name);
    if (name != foldedName) {
      cursor = RegSkipHexData(p, e, cursor, limit);
      return false;
    }
    if (!ParseData(p, e, cursor, limit, out)) {
      out->type = 0;
      out->data.clear();
    }
    return true;
  });
}

bool RegIsLink(const RegHive& hive, int32_t key) {
  return VisitKeyLines(hive, key, [](const char* s, const char* e,
                                     const char*& cursor, const char* limit) {
    if (*s == '#') return RegStartsWith(s, e, "#link");
    if (*s == '"' || *s == '@')
      cursor = RegSkipContinuation(s, e, cursor, limit);
    return false;
  });
}
