// A profile (INI) file held for lookups, as GetPrivateProfileStringA reads it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codepage/ansi_codec.h"
#include "ini/ini_text.h"

const uint32_t kNoValue = 0xFFFFFFFFu;  // a key line without '='

// Offsets and lengths in units of the file's text (see kProfileMaxBytes).
struct IndexedKey {
  uint32_t nameBegin, nameLen;
  uint32_t valueBegin, valueLen;  // valueLen is kNoValue without '='
};

struct IndexedSection {
  uint32_t nameBegin, nameLen;
  uint32_t firstKey, endKey;  // range in IndexedProfile::keys
  uint32_t hash;              // of the folded name
};

// A file read for lookups. In code page 1252 the file's own bytes
// are kept, one unit each, and decoded as they are used; any other text is
// decoded once, whole, as the platform decodes it.
struct IndexedProfile {
  bool exists = false;
  AnsiCodec ansi = {};  // the ANSI code page it was read in
  bool bytewise = false;
  std::string bytes;    // bytewise
  std::u16string text;  // otherwise
  std::vector<IndexedKey> keys;
  std::vector<IndexedSection> sections;
  std::vector<int32_t> slots;  // the first section of each folded name
};

// Indexes the bytes of a file that exists; ANSI text converts with `ansi`.
void IndexProfile(std::string bytes, const AnsiCodec& ansi, IndexedProfile& p);

// What GetPrivateProfileStringA gives for `key` in `section` into a buffer of
// `size` units (size > 0), before the result is converted back: the value
// with one pair of matching quotes removed and cut as the platform cuts it,
// or the default with its trailing spaces trimmed, but never its first
// character (Wine's PROFILE_GetPrivateProfileString does so before it looks
// the key up).
std::u16string ProfileLookup(const IndexedProfile& p, std::u16string section,
                             std::u16string key, std::u16string def,
                             uint32_t size);

// How many bytes of the ANSI result fit in `limit` bytes: GetPrivateProfileStringA
// converts its result into the caller's buffer, and a double-byte character
// that would not fit whole is left out (with its lead byte).
size_t ProfileAnsiCut(const AnsiCodec& ansi, const std::string& text,
                      size_t limit);
