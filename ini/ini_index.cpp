// Sections are found once (the first of a name wins, in any case) through a
// hash table, and a lookup scans only that one section's keys.
#include "ini/ini_index.h"

#include <algorithm>
#include <cstdint>

namespace {

// Units [begin, begin + len) of the text.
void Units(const IndexedProfile& p, size_t begin, size_t len,
           std::u16string& out) {
  if (p.bytewise)
    p.ansi.ToWide(p.bytes.data() + begin, len, out);
  else
    out.assign(p.text, begin, len);
}

int32_t FindSection(const IndexedProfile& p, const std::u16string& name,
                    uint32_t hash, std::u16string& scratch) {
  return ProfileSlotFind(p.slots, hash, [&](int32_t s) {
    const IndexedSection& sec = p.sections[s];
    if (sec.hash != hash) return false;
    Units(p, sec.nameBegin, sec.nameLen, scratch);
    return ProfileSameName(scratch.data(), scratch.size(), name.data(),
                           name.size());
  });
}

// Adds the last section to the table unless an earlier one has its name.
void IndexSection(IndexedProfile& p, std::u16string& name,
                  std::u16string& scratch) {
  IndexedSection& sec = p.sections.back();
  sec.hash = ProfileNameHash(name.data(), name.size(), 0);
  if (FindSection(p, name, sec.hash, scratch) >= 0) return;
  ProfileSlotAdd(p.slots, p.sections.size(), sec.hash,
                 static_cast<int32_t>(p.sections.size() - 1),
                 [&](int32_t s) { return p.sections[s].hash; });
}

// The value as the platform copies it into a buffer of `size` units: one
// pair of matching quotes is removed, and when the buffer is at least as
// long as the text after the opening quote, the last unit copied is dropped
// (so "double" with size 7 gives "doubl", and a quoted value of 259 units
// with size 260 gives 258).
std::u16string CopyEntry(const std::u16string& value, uint32_t size) {
  bool quoted = value.size() > 1 && (value[0] == '"' || value[0] == '\'') &&
                value.back() == value[0];
  std::u16string out = value.substr(quoted ? 1 : 0, size - 1);
  if (quoted && size >= value.size() - 1 && !out.empty()) out.pop_back();
  return out;
}

const IndexedKey* FindKey(const IndexedProfile& p, const std::u16string& sec,
                          const std::u16string& key) {
  std::u16string scratch;
  int32_t s =
      FindSection(p, sec, ProfileNameHash(sec.data(), sec.size(), 0), scratch);
  if (s < 0) return nullptr;
  const IndexedSection& section = p.sections[s];
  for (size_t i = section.firstKey; i < section.endKey; ++i) {
    const IndexedKey& k = p.keys[i];
    if (k.nameLen != key.size()) continue;
    Units(p, k.nameBegin, k.nameLen, scratch);
    if (ProfileSameName(scratch.data(), scratch.size(), key.data(), key.size()))
      return &k;
  }
  return nullptr;
}

}  // namespace

void IndexProfile(std::string bytes, const AnsiCodec& ansi, IndexedProfile& p) {
  p = IndexedProfile();
  p.exists = true;
  p.ansi = ansi;
  size_t markLen;
  ProfileEncoding enc = ProfileDetectEncoding(bytes, &markLen);
  p.bytewise = enc == ProfileEncoding::kAnsi && ansi.codePage == 1252;
  if (p.bytewise) {
    p.bytes.swap(bytes);
  } else {
    ProfileDecode(enc, ansi, bytes.data() + markLen, bytes.size() - markLen,
                  p.text);
    std::string().swap(bytes);
  }
  size_t n = p.bytewise ? p.bytes.size() : p.text.size();
  auto breakAt = [&p](size_t i) {
    return ProfileBreak(p.bytewise ? static_cast<unsigned char>(p.bytes[i])
                                   : p.text[i]);
  };
  p.keys.reserve(ProfileMaxLines(breakAt, 0, n, 1));
  std::u16string line, name, scratch;
  // The unnamed section before the first header always exists, so a later
  // "[]" is a duplicate of it and is never searched.
  p.sections.push_back({0, 0, 0, 0, 0});
  IndexSection(p, name, scratch);
  size_t pos = 0;
  while (pos < n) {
    ProfileLineSpan span = ProfileLineAt(breakAt, pos, n, 1);
    Units(p, pos, span.end - pos, line);
    ProfileLineParts parts = ProfileParseLine(line.data(), line.size());
    uint32_t keyCount = static_cast<uint32_t>(p.keys.size());
    if (parts.kind == ProfileLineKind::kSection) {
      p.sections.back().endKey = keyCount;
      p.sections.push_back({static_cast<uint32_t>(pos + parts.nameBegin),
                            static_cast<uint32_t>(parts.nameLen), keyCount,
                            keyCount, 0});
      name.assign(line, parts.nameBegin, parts.nameLen);
      IndexSection(p, name, scratch);
    } else if (parts.kind == ProfileLineKind::kKey) {
      p.keys.push_back(
          {static_cast<uint32_t>(pos + parts.nameBegin),
           static_cast<uint32_t>(parts.nameLen),
           static_cast<uint32_t>(pos + parts.valueBegin),
           parts.hasValue ? static_cast<uint32_t>(parts.valueLen) : kNoValue});
    }
    pos = span.next;
  }
  p.sections.back().endKey = static_cast<uint32_t>(p.keys.size());
}

std::u16string ProfileLookup(const IndexedProfile& p, std::u16string section,
                             std::u16string key, std::u16string def,
                             uint32_t size) {
  while (def.size() > 1 && def.back() == ' ') def.pop_back();
  if (!p.exists) {
    // No file: the default is copied as it is, without quote removal.
    return def.substr(0, size - 1);
  }
  ProfileTrim(section);
  ProfileTrim(key);
  const IndexedKey* k = FindKey(p, section, key);
  // A key line without '=' hides later lines of that name and gives the
  // default.
  std::u16string value = def;
  if (k && k->valueLen != kNoValue) {
    // A value ends at its first NUL.
    Units(p, k->valueBegin, k->valueLen, value);
    value.resize(std::min(value.size(), value.find(char16_t(0))));
  }
  return CopyEntry(value, size);
}

size_t ProfileAnsiCut(const AnsiCodec& ansi, const std::string& text,
                      size_t limit) {
  size_t n = 0;
  while (n < text.size() && n < limit) {
    bool pair = ansi.IsLeadByte(static_cast<unsigned char>(text[n])) &&
                n + 1 < text.size();
    if (n + 1 + pair > limit) break;
    n += 1 + pair;
  }
  return n;
}
