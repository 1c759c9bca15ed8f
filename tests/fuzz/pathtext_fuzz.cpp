// Path text operations over arbitrary bytes in code pages 1252 and 932:
// every result stays terminated within its capacity (the guard bytes after
// it are untouched), holds whole characters only, and searches never stop on
// a trail byte.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "pathtext/pathtext.h"
#include "platform/platform.h"
#include "platform/linux/code_page.h"

namespace {

const size_t kGuard = 16;
const unsigned char kGuardByte = 0xA5;

// A destination of `capacity` bytes followed by guard bytes.
struct Guarded {
  unsigned char bytes[kPathBufferSize + 8 + kGuard];
  size_t capacity;
  explicit Guarded(size_t cap) : capacity(cap) {
    memset(bytes, 0x5A, capacity);
    memset(bytes + capacity, kGuardByte, kGuard);
  }
  char* text() { return reinterpret_cast<char*>(bytes); }
};

// Checks the guard and the terminator; returns the text's length.
size_t CheckBounds(Guarded& g) {
  for (size_t i = 0; i < kGuard; ++i)
    if (g.bytes[g.capacity + i] != kGuardByte) FuzzFail("wrote past capacity");
  if (g.capacity == 0) return 0;
  size_t len = strnlen(g.text(), g.capacity);
  if (len >= g.capacity) FuzzFail("result not terminated within capacity");
  return len;
}

// The character boundaries of text: boundary[i] is true when a character
// starts at i. A lead byte followed by the terminator is a character of its
// own.
std::string Boundaries(const std::string& text) {
  std::string at(text.size() + 1, 0);
  size_t i = 0;
  while (i < text.size()) {
    at[i] = 1;
    bool pair =
        IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
    i += pair ? 2 : 1;
  }
  at[text.size()] = 1;
  return at;
}

// The length of the whole characters of `text`: all of it but a lone lead
// byte at its end (which an append writes over).
size_t WholeLength(const std::string& text) {
  size_t keep = text.size();
  std::string at = Boundaries(text);
  if (keep > 0 && at[keep - 1] &&
      IsLeadByte(static_cast<unsigned char>(text[keep - 1])))
    --keep;
  return keep;
}

// A text holds whole characters only: no lone lead byte is its last byte.
void CheckWhole(const char* text, size_t len) {
  if (WholeLength(std::string(text, len)) != len)
    FuzzFail("result ends with half a character");
}

// What a bounded copy of whole characters of src may store: a prefix that
// ends on a boundary, no longer than limit, and as long as the next whole
// character allows.
void CheckCopied(const std::string& src, const char* got, size_t len,
                 size_t limit) {
  if (len > limit) FuzzFail("stored more than the limit");
  if (src.compare(0, len, got, len) != 0) FuzzFail("stored other bytes");
  std::string at = Boundaries(src);
  if (len > src.size() || !at[len]) FuzzFail("cut inside a character");
  CheckWhole(got, len);
  if (len < src.size()) {
    bool pair = IsLeadByte(static_cast<unsigned char>(src[len]));
    bool lone = pair && len + 1 >= src.size();
    size_t next = pair ? 2 : 1;
    if (!lone && len + next <= limit) FuzzFail("stopped before the limit");
  }
}

void CheckCopy(const std::string& src, size_t capacity, size_t n) {
  Guarded g(capacity);
  CopyBytes(g.text(), capacity, src.c_str(), n);
  size_t len = CheckBounds(g);
  if (capacity == 0) return;
  size_t limit = n < capacity - 1 ? n : capacity - 1;
  CheckCopied(src, g.text(), len, limit);
}

void CheckAppend(const std::string& head, const std::string& tail,
                 size_t capacity, size_t n) {
  Guarded g(capacity);
  if (capacity == 0) {
    AppendBytes(g.text(), 0, tail.c_str(), n);
    CheckBounds(g);
    return;
  }
  // The first text is laid in raw, so it may end with a lone lead byte.
  size_t headLen = std::min(head.size(), capacity - 1);
  memcpy(g.text(), head.data(), headLen);
  g.text()[headLen] = '\0';
  std::string before(g.text());
  AppendBytes(g.text(), capacity, tail.c_str(), n);
  size_t len = CheckBounds(g);
  size_t keep = WholeLength(before);
  if (len < keep || memcmp(g.text(), before.data(), keep) != 0)
    FuzzFail("append changed the text before it");
  size_t room = capacity - 1 - keep;
  size_t limit = n < room ? n : room;
  CheckCopied(tail, g.text() + keep, len - keep, limit);
}

void CheckTrailingBackslash(const std::string& text, size_t capacity) {
  if (capacity == 0) return;
  Guarded g(capacity);
  CopyBytes(g.text(), capacity, text.c_str(), kPathBufferSize);
  std::string before(g.text());
  EnsureTrailingBackslash(g.text(), capacity);
  size_t len = CheckBounds(g);
  if (!before.empty() && before.back() == '\\') {
    if (before != g.text()) FuzzFail("a final backslash was not kept as is");
    return;
  }
  size_t keep = WholeLength(before);
  if (len < keep || memcmp(g.text(), before.data(), keep) != 0)
    FuzzFail("trailing backslash changed the text");
  bool room = keep + 1 < capacity;
  if (len != keep + (room ? 1 : 0)) FuzzFail("wrong length after backslash");
  if (room && g.text()[len - 1] != '\\')
    FuzzFail("no trailing backslash although there was room");
}

void CheckSplit(const std::string& path, size_t driveCap, size_t dirCap) {
  Guarded drive(driveCap), dir(dirCap);
  SplitPath(path.c_str(), drive.text(), driveCap, dir.text(), dirCap);
  size_t driveLen = CheckBounds(drive);
  size_t dirLen = CheckBounds(dir);
  bool hasDrive = path.size() >= 2 && path[1] == ':';
  std::string rest = hasDrive ? path.substr(2) : path;
  if (driveCap > 0 &&
      driveLen != (hasDrive ? std::min<size_t>(2, driveCap - 1) : 0))
    FuzzFail("drive part has the wrong length");
  if (dirCap == 0) return;
  std::string at = Boundaries(rest);
  if (rest.compare(0, dirLen, dir.text(), dirLen) != 0 || !at[dirLen])
    FuzzFail("directory part is not a whole-character prefix");
  CheckWhole(dir.text(), dirLen);
  // An uncut directory part ends with a separator that is a character of its
  // own, and no later separator character exists.
  size_t lastSep = 0;
  for (size_t i = 0; i < rest.size(); ++i)
    if (at[i] && (rest[i] == '\\' || rest[i] == '/')) lastSep = i + 1;
  size_t limit = std::min<size_t>(255, dirCap - 1);
  if (lastSep <= limit && dirLen != lastSep)
    FuzzFail("directory part does not end at the last separator");
  if (dirLen > lastSep) FuzzFail("directory part runs past the separator");
}

void CheckFind(const std::string& text, char c) {
  std::string at = Boundaries(text);
  long first = -1, last = -1;
  for (size_t i = 0; i < text.size(); ++i) {
    // Only single-byte characters match: never a trail byte, nor the lead
    // byte of a pair.
    bool pair =
        IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
    if (at[i] && !pair && text[i] == c) {
      if (first < 0) first = static_cast<long>(i);
      last = static_cast<long>(i);
    }
  }
  if (FindFirstChar(text.c_str(), c) != first) FuzzFail("FindFirstChar");
  if (FindLastChar(text.c_str(), c) != last) FuzzFail("FindLastChar");
}

// Whether every double-byte character of the text has an upper-case form.
// One that the code page does not define never compares equal, not even to
// itself, so such a text is no name that could match.
bool AllPairsMap(const std::string& text) {
  std::string at = Boundaries(text);
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (at[i] && IsLeadByte(static_cast<unsigned char>(text[i])) &&
        PlatformUpperDoubleByte(static_cast<unsigned char>(text[i]),
                                static_cast<unsigned char>(text[i + 1])) == 0)
      return false;
  }
  return true;
}

void CheckEquals(const std::string& a, const std::string& b) {
  if (EqualsIgnoreCase(a.c_str(), b.c_str()) !=
      EqualsIgnoreCase(b.c_str(), a.c_str()))
    FuzzFail("comparison is not symmetric");
  if (!AllPairsMap(a)) return;
  if (!EqualsIgnoreCase(a.c_str(), a.c_str())) FuzzFail("not equal to itself");
  // Swapping the case of single-byte ASCII letters (never of a trail byte,
  // which would make another character) keeps the texts equal.
  std::string swapped = a;
  std::string at = Boundaries(a);
  for (size_t i = 0; i < a.size(); ++i) {
    if (!at[i]) continue;
    char ch = a[i];
    if (ch >= 'a' && ch <= 'z') swapped[i] = static_cast<char>(ch - 32);
    if (ch >= 'A' && ch <= 'Z') swapped[i] = static_cast<char>(ch + 32);
  }
  if (!EqualsIgnoreCase(a.c_str(), swapped.c_str()))
    FuzzFail("ASCII case swap compares unequal");
}

// A zero-terminated text from the input: bytes up to the first NUL.
std::string Text(FuzzedDataProvider& in, size_t maxLen) {
  std::string s = in.ConsumeRandomLengthString(maxLen);
  return s.substr(0, s.find('\0'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  HostSelectCodePage(in.ConsumeBool() ? 932 : 1252);
  InitPathText();
  size_t capacity = in.ConsumeIntegralInRange<size_t>(0, kPathBufferSize);
  size_t n = in.ConsumeIntegralInRange<size_t>(0, kPathBufferSize + 4);
  size_t small = in.ConsumeIntegralInRange<size_t>(0, 4);
  char c = static_cast<char>(in.ConsumeIntegral<uint8_t>());
  std::string a = Text(in, kPathBufferSize + 40);
  std::string b = Text(in, kPathBufferSize + 40);

  CheckCopy(a, capacity, n);
  CheckAppend(a, b, capacity, n);
  CheckAppend(a, b, capacity, small);
  CheckTrailingBackslash(a, capacity);
  CheckSplit(a, small, capacity);
  CheckSplit(a, 3, kPathBufferSize);
  CheckFind(a, c);
  CheckFind(a, '\\');
  CheckEquals(a, b);
  return 0;
}
