// The text layer of profile (INI) files as the platform reads them: encoding
// detection and conversion, blanks, name comparison, where lines end and the
// form of one line. Both the reader and the writer use it, so they agree on
// what a line means.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codepage/ansi_codec.h"

enum class ProfileEncoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

// The largest file either side handles: offsets within a file are kept in
// 32 bits. A larger search list reads as none, and a larger variables file
// is never rewritten.
const uint64_t kProfileMaxBytes = 0x7FFFFFF0u;

// The encoding a file's first bytes announce, and the length of the mark.
// A UTF-16 file without a mark is ANSI, as the platform reads it.
ProfileEncoding ProfileDetectEncoding(const std::string& bytes,
                                      size_t* markLen);

// Bytes in `enc` to UTF-16, as the platform decodes them: in UTF-16 an odd
// last byte b reads as the unit 0x00bb.
void ProfileDecode(ProfileEncoding enc, const AnsiCodec& ansi, const char* text,
                   size_t len, std::u16string& out);

// UTF-16 to bytes in `enc`; ANSI uses the code page's best fit.
void ProfileEncode(ProfileEncoding enc, const AnsiCodec& ansi,
                   const char16_t* text, size_t len, std::string& out);

// An argument of a profile call, converted with `ansi` and cut at its first
// NUL.
std::u16string ProfileWiden(const AnsiCodec& ansi, const char* text);

// Removes leading and trailing blanks: tab, LF, VT, FF, CR, space and
// Ctrl-Z.
void ProfileTrim(std::u16string& text);

// Names are compared with ASCII letters folded to lower case (the platform
// folds no other letters): whether two names are equal so, and a 31-bit
// hash of a name in that form (`seed` tells apart names of different
// scopes).
bool ProfileSameName(const char16_t* a, size_t aLen, const char16_t* b,
                     size_t bLen);
uint32_t ProfileNameHash(const char16_t* name, size_t len, uint32_t seed);

// Where one line of a file's text ends: its content at `end`, then its
// ending (CR, LF, CRLF or none), and the next line from `next`.
const uint8_t kProfileEolCr = 1;
const uint8_t kProfileEolLf = 2;
struct ProfileLineSpan {
  size_t end, next;
  uint8_t eol;
};

// The line break a code unit is: kProfileEolCr, kProfileEolLf, or 0.
inline uint8_t ProfileBreak(unsigned unit) {
  return unit == '\r' ? kProfileEolCr : unit == '\n' ? kProfileEolLf : 0;
}

// The line from `pos` of a text of `n` bytes whose units are `step` bytes
// wide, where `breakAt(offset)` tells the line break the unit at that
// offset is (ProfileBreak; 0 for a unit that ends no line). A last partial
// unit stays in the line.
template <typename BreakAt>
ProfileLineSpan ProfileLineAt(BreakAt breakAt, size_t pos, size_t n,
                              size_t step) {
  ProfileLineSpan line = {n, n, 0};
  size_t end = pos;
  while (end + step <= n && breakAt(end) == 0) end += step;
  if (end + step > n) return line;
  line.end = end;
  line.eol = breakAt(end);
  end += step;
  if (line.eol == kProfileEolCr && end + step <= n &&
      breakAt(end) == kProfileEolLf) {
    end += step;
    line.eol |= kProfileEolLf;
  }
  line.next = end;
  return line;
}

// An upper bound of the number of lines from `pos` on: the line breaks plus
// one, so that arrays of lines can be sized once.
template <typename BreakAt>
size_t ProfileMaxLines(BreakAt breakAt, size_t pos, size_t n, size_t step) {
  size_t breaks = 0;
  for (; pos + step <= n; pos += step) breaks += breakAt(pos) != 0;
  return breaks + 1;
}

// What one line of a profile file is, after its blanks are trimmed.
enum class ProfileLineKind { kBlank, kSection, kKey };

struct ProfileLineParts {
  ProfileLineKind kind;
  // kSection: the trimmed name between '[' and the last ']'. kKey: the
  // trimmed key name.
  size_t nameBegin, nameLen;
  // kKey only: whether the line has '=', and the trimmed value after it.
  bool hasValue;
  size_t valueBegin, valueLen;
};

// Parses one line (without its line ending) the way the platform does: a
// '[' line with a ']' in it is a header, any other non-blank line is a key,
// split at its first '='.
ProfileLineParts ProfileParseLine(const char16_t* line, size_t len);

// Tables of entry numbers (-1 for a free slot), open-addressed with linear
// probing, a power of two in size and at most three quarters full: the
// reader and the writer find sections and keys through them. A name is
// added only when the table does not hold it yet, so its chain has one
// entry of that name.

// The first entry on `hash`'s chain that `matches(entry)` accepts, or -1.
template <typename Matches>
int32_t ProfileSlotFind(const std::vector<int32_t>& slots, uint32_t hash,
                        Matches matches) {
  if (slots.empty()) return -1;
  size_t mask = slots.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    int32_t entry = slots[i];
    if (entry < 0 || matches(entry)) return entry;
  }
}

// Adds `entry` with `hash`; `entries` is the number of entries there are
// (held or not), `hashOf(e)` the hash of entry e, used when the table grows.
template <typename HashOf>
void ProfileSlotAdd(std::vector<int32_t>& slots, size_t entries, uint32_t hash,
                    int32_t entry, HashOf hashOf) {
  if (entries * 4 > slots.size() * 3) {
    std::vector<int32_t> old;
    old.swap(slots);
    slots.assign(old.empty() ? 64 : old.size() * 2, -1);
    for (int32_t e : old)
      if (e >= 0) ProfileSlotAdd(slots, 0, hashOf(e), e, hashOf);
  }
  size_t mask = slots.size() - 1;
  size_t i = hash & mask;
  while (slots[i] >= 0) i = (i + 1) & mask;
  slots[i] = entry;
}
