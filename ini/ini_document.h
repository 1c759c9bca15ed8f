// A profile file held for writing: its original bytes, split into lines, and
// the lines the writes of this run added or replaced. Every byte that no
// write touched is written back exactly as it was read.
//
// The document keeps no decoded copy of the file: sections and keys are
// found through flat hash tables of line numbers, and a line is decoded
// again only to confirm a match or to read its value, so what a line or a
// key adds to the document does not grow with its length.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codepage/ansi_codec.h"
#include "ini/ini_text.h"

struct ProfileDocLine {
  // Offsets are 32-bit: see kProfileMaxBytes.
  uint32_t begin, len;  // content: in `original`, or in `added` if kLineAdded
  int32_t next;         // the following line, -1 at the end
  // The line's own ending as read (kProfileEolCr, kProfileEolLf, both or
  // neither), and these:
  uint8_t flags;
};
const uint8_t kLineAdded = 4;   // the content is this run's, in `added`
const uint8_t kLineNewEol = 8;  // ends in the document's line ending

struct ProfileDocKey {
  int32_t line;
  int32_t section;
  uint32_t hash;  // of the folded name and the section
};

struct ProfileDocSection {
  int32_t header;  // the header line; -1 for the unnamed section on top
  int32_t anchor;  // new keys go after this line (the last key line)
  uint32_t hash;   // of the folded name
};

struct ProfileDocument {
  AnsiCodec ansi = {};  // how ANSI text and arguments convert
  std::string original;
  ProfileEncoding encoding = ProfileEncoding::kAnsi;
  size_t markLen = 0;
  std::string eol;     // encoded: the file's first line ending, or CRLF
  std::string cr, lf;  // the two line-ending units, encoded
  std::string added;   // the encoded text of added and replaced lines
  std::vector<ProfileDocLine> lines;  // lines[0] is an empty head
  int32_t last = 0;                   // the last line
  std::vector<ProfileDocKey> keys;
  std::vector<int32_t> keySlots;  // -1 or a key; first of a name wins
  std::vector<ProfileDocSection> sections;
  std::vector<int32_t> sectionSlots;  // -1 or a section; first wins
  bool changed = false;
  bool endsInLeadByte = false;  // ANSI: the last byte is a lone lead byte
  // The file is there but could not be read, or it is too large for the
  // document's offsets, or this run's text outgrew them: it is never
  // written, since replacing it would lose whatever it holds.
  bool unreadable = false;
};

// Splits and indexes `bytes` (empty for a file that does not exist); ANSI
// text converts with `ansi`.
void ProfileDocLoad(std::string bytes, const AnsiCodec& ansi,
                    ProfileDocument& doc);

// Sets key=value in the first section of that name, as the platform's
// writer does; `changed` is set only when a value really changes.
void ProfileDocSet(ProfileDocument& doc, std::u16string section,
                   std::u16string key, std::u16string value);

// Sets in `to`, in the order of `from`'s lines, every key line that the
// writes to `from` added or replaced, in the section of the header above
// it: the writes of a run applied again to another version of the file.
void ProfileDocReapply(const ProfileDocument& from, ProfileDocument& to);

// The whole file as it is to be written.
std::string ProfileDocBytes(const ProfileDocument& doc);
