// A profile file held for writing: its original bytes, split into lines, and
// the lines the writes of this run added or replaced. Every byte that no
// write touched is written back exactly as it was read.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/posix/profile_text.h"

struct ProfileDocLine {
  size_t begin, len, eolLen;  // content and line ending in `original`
  int32_t text;               // index in `texts` when replaced/added, else -1
  bool newEol;                // ends in the document's line ending
  int32_t next;               // the following line, -1 at the end
};

struct ProfileDocKey {
  int32_t line;
  std::u16string name;  // as spelled in the file
  bool hasValue;
  std::u16string value;
};

struct ProfileDocSection {
  int32_t anchor;  // new keys go after this line (the last key line)
  std::unordered_map<std::u16string, ProfileDocKey> keys;  // first wins
};

struct ProfileDocument {
  std::string original;
  ProfileEncoding encoding = ProfileEncoding::kAnsi;
  size_t markLen = 0;
  std::string eol;  // encoded: the file's first line ending, or CRLF
  std::vector<ProfileDocLine> lines;  // lines[0] is an empty head
  std::vector<std::string> texts;
  int32_t last = 0;  // the last line
  std::vector<ProfileDocSection> sections;
  std::unordered_map<std::u16string, size_t> sectionIndex;  // first wins
  bool changed = false;
  // The file is there but could not be read: it is never written, since
  // replacing it would lose whatever it holds.
  bool unreadable = false;
};

// Splits and indexes `bytes` (empty for a file that does not exist).
void ProfileDocLoad(const std::string& bytes, ProfileDocument& doc);

// Sets key=value in the first section of that name, as the platform's
// writer does; `changed` is set only when a value really changes.
void ProfileDocSet(ProfileDocument& doc, const char* section, const char* key,
                   const char* value);

// The whole file as it is to be written.
std::string ProfileDocBytes(const ProfileDocument& doc);
