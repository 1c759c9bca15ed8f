// PlatformReadProfile: GetPrivateProfileStringA over our own reading of the
// file. Each file is read and indexed once per run: its sections are found
// once (the first of a name wins, in any case), so a lookup costs a hash
// probe plus a scan of that one section's keys.
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/code_page.h"
#include "platform/posix/profile_host.h"
#include "platform/posix/profile_text.h"

namespace {

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

// A file read for lookups. In a single-byte code page the file's own bytes
// are kept, one unit each, and decoded as they are used; any other text is
// decoded once, whole, as the platform decodes it.
struct IndexedProfile {
  bool exists = false;
  uint32_t codePage = 0;  // the ANSI code page it was read in
  bool bytewise = false;
  std::string bytes;    // bytewise
  std::u16string text;  // otherwise
  std::vector<IndexedKey> keys;
  std::vector<IndexedSection> sections;
  std::vector<int32_t> slots;  // the first section of each folded name
};

// Units [begin, begin + len) of the text.
void Units(const IndexedProfile& p, size_t begin, size_t len,
           std::u16string& out) {
  if (p.bytewise)
    HostAnsiToWide(p.bytes.data() + begin, len, out);
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

void IndexProfile(std::string& bytes, IndexedProfile& p) {
  size_t markLen;
  ProfileEncoding enc = ProfileDetectEncoding(bytes, &markLen);
  p.bytewise = enc == ProfileEncoding::kAnsi && HostAnsiCodePage() == 1252;
  size_t n;
  if (p.bytewise) {
    p.bytes.swap(bytes);
    n = p.bytes.size();
  } else {
    ProfileDecode(enc, bytes.data() + markLen, bytes.size() - markLen, p.text);
    std::string().swap(bytes);
    n = p.text.size();
  }
  size_t breaks = 0;
  for (size_t i = 0; i < n; ++i) {
    char16_t c =
        p.bytewise ? static_cast<unsigned char>(p.bytes[i]) : p.text[i];
    breaks += c == '\n' || c == '\r';
  }
  p.keys.reserve(breaks + 1);
  std::u16string line, name, scratch;
  // The unnamed section before the first header always exists, so a later
  // "[]" is a duplicate of it and is never searched (measured under Wine 8).
  p.sections.push_back({0, 0, 0, 0, 0});
  IndexSection(p, name, scratch);
  size_t pos = 0;
  while (pos < n) {
    size_t end = pos;
    if (p.bytewise) {
      const char* t = p.bytes.data();
      while (end < n && t[end] != '\n' && t[end] != '\r') ++end;
    } else {
      const char16_t* t = p.text.data();
      while (end < n && t[end] != '\n' && t[end] != '\r') ++end;
    }
    Units(p, pos, end - pos, line);
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
    pos = end;
    if (p.bytewise) {
      while (pos < n && (p.bytes[pos] == '\n' || p.bytes[pos] == '\r')) ++pos;
    } else {
      while (pos < n && (p.text[pos] == '\n' || p.text[pos] == '\r')) ++pos;
    }
  }
  p.sections.back().endKey = static_cast<uint32_t>(p.keys.size());
}

std::unordered_map<std::string, std::unique_ptr<IndexedProfile>>& Cache() {
  static std::unordered_map<std::string, std::unique_ptr<IndexedProfile>> cache;
  return cache;
}

const IndexedProfile& LoadIndexed(const char* path) {
  std::unique_ptr<IndexedProfile>& slot = Cache()[path];
  // Text kept as bytes is decoded in the code page it was read in.
  if (!slot || slot->codePage != HostAnsiCodePage()) {
    slot.reset(new IndexedProfile);
    slot->codePage = HostAnsiCodePage();
    std::string bytes;
    slot->exists = ProfileLoadFile(path, bytes);
    if (slot->exists) IndexProfile(bytes, *slot);
  }
  return *slot;
}

// The text up to its first NUL: a value ends there.
std::u16string UpToNul(const char16_t* text, size_t len) {
  size_t n = 0;
  while (n < len && text[n] != 0) ++n;
  return std::u16string(text, n);
}

std::u16string Widen(const char* ansi) {
  std::u16string wide;
  HostAnsiToWide(ansi, strlen(ansi), wide);
  return UpToNul(wide.data(), wide.size());
}

// The value as the platform copies it into a buffer of `size` units: one
// pair of matching quotes is removed, and when the buffer is at least as
// long as the text after the opening quote, the last unit copied is dropped
// (so "double" with size 7 gives "doubl", and a quoted value of 259 units
// with size 260 gives 258).
std::u16string CopyEntry(const std::u16string& value, uint32_t size) {
  size_t start = 0;
  bool quoted = false;
  if (value.size() > 1 && (value[0] == '"' || value[0] == '\'') &&
      value.back() == value[0]) {
    quoted = true;
    start = 1;
  }
  size_t rest = value.size() - start;
  std::u16string out = value.substr(start, size - 1 < rest ? size - 1 : rest);
  if (quoted && size >= rest && !out.empty()) out.pop_back();
  return out;
}

// Stores the UTF-16 result as ANSI, cut to size - 1 bytes. A cut that would
// split a double-byte character falls before it.
uint32_t StoreAnsi(const std::u16string& wide, char* buf, uint32_t size) {
  std::string ansi;
  HostWideToAnsi(wide.data(), wide.size(), ansi);
  size_t limit = size - 1, n = 0;
  while (n < ansi.size() && n < limit) {
    size_t step = HostIsLeadByte(static_cast<unsigned char>(ansi[n])) &&
                          n + 1 < ansi.size()
                      ? 2
                      : 1;
    if (n + step > limit) break;
    n += step;
  }
  memcpy(buf, ansi.data(), n);
  buf[n] = '\0';
  return static_cast<uint32_t>(n);
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

uint32_t PlatformReadProfile(const char* section, const char* key,
                             const char* def, char* buf, uint32_t size,
                             const char* path) {
  if (size == 0 || !buf) return 0;
  // Trailing spaces of the default go, but never its first character.
  std::u16string defW = def ? Widen(def) : std::u16string();
  while (defW.size() > 1 && defW.back() == ' ') defW.pop_back();
  if (!path || !section || !key) return StoreAnsi(std::u16string(), buf, size);

  const IndexedProfile& p = LoadIndexed(path);
  if (!p.exists) {
    // No file: the default is copied as it is, without quote removal.
    return StoreAnsi(defW.substr(0, size - 1), buf, size);
  }
  std::u16string secW = Widen(section), keyW = Widen(key);
  ProfileTrim(secW);
  ProfileTrim(keyW);
  const IndexedKey* k = FindKey(p, secW, keyW);
  // A key line without '=' hides later lines of that name and gives the
  // default (measured under Wine 8: "nv" then "nv=later" gives "").
  std::u16string value = defW;
  if (k && k->valueLen != kNoValue) {
    std::u16string units;
    Units(p, k->valueBegin, k->valueLen, units);
    value = UpToNul(units.data(), units.size());
  }
  return StoreAnsi(CopyEntry(value, size), buf, size);
}

void HostForgetProfiles() { Cache().clear(); }
