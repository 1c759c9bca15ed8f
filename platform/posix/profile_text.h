// The text layer of profile (INI) files as the platform reads them: encoding
// detection and conversion, blanks, name comparison and the form of one line.
// Both the reader and the writer use it, so they agree on what a line means.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class ProfileEncoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

// Reads a regular file whole. False when it cannot be opened or read, or
// is larger than kProfileMaxBytes: neither file of a run is ever that
// large, and offsets within them are kept in 32 bits.
const uint64_t kProfileMaxBytes = 0x7FFFFFF0u;
bool ProfileLoadFile(const char* path, std::string& bytes);

// The encoding a file's first bytes announce, and the length of the mark.
// A UTF-16 file without a mark is ANSI, as the platform reads it.
ProfileEncoding ProfileDetectEncoding(const std::string& bytes,
                                      size_t* markLen);

// Bytes in `enc` to UTF-16, as the platform decodes them (see the .cpp for
// the measured treatment of invalid input).
void ProfileDecode(ProfileEncoding enc, const char* text, size_t len,
                   std::u16string& out);

// UTF-16 to bytes in `enc`; ANSI uses the code page's best fit.
void ProfileEncode(ProfileEncoding enc, const char16_t* text, size_t len,
                   std::string& out);

// The blanks trimmed around names and values: tab, LF, VT, FF, CR, space and
// Ctrl-Z.
bool ProfileIsBlank(char16_t c);

// Removes leading and trailing blanks.
void ProfileTrim(std::u16string& text);

// Names are compared with ASCII letters folded to lower case (the platform
// folds no other letters): whether two names are equal so, and a 31-bit
// hash of a name in that form (`seed` tells apart names of different
// scopes).
bool ProfileSameName(const char16_t* a, size_t aLen, const char16_t* b,
                     size_t bLen);
uint32_t ProfileNameHash(const char16_t* name, size_t len, uint32_t seed);

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
