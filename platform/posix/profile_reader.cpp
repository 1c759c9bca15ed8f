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
#include "platform/posix/profile_host.h"
#include "platform/posix/code_page.h"
#include "platform/posix/profile_text.h"

namespace {

struct IndexedKey {
  size_t nameBegin, nameLen;
  bool hasValue;
  size_t valueBegin, valueLen;
};

struct IndexedSection {
  size_t firstKey, endKey;  // range in IndexedProfile::keys
};

struct IndexedProfile {
  bool exists = false;
  std::u16string text;  // the whole file, decoded
  std::vector<IndexedKey> keys;
  std::vector<IndexedSection> sections;
  std::unordered_map<std::u16string, size_t> firstSection;  // folded name
};

void IndexProfile(const std::string& bytes, IndexedProfile& p) {
  size_t markLen;
  ProfileEncoding enc = ProfileDetectEncoding(bytes, &markLen);
  ProfileDecode(enc, bytes.data() + markLen, bytes.size() - markLen, p.text);
  // The unnamed section before the first header always exists, so a later
  // "[]" is a duplicate of it and is never searched (measured under Wine 8).
  p.sections.push_back({0, 0});
  p.firstSection.emplace(std::u16string(), 0);
  const char16_t* t = p.text.data();
  size_t n = p.text.size(), pos = 0;
  while (pos < n) {
    size_t end = pos;
    while (end < n && t[end] != '\n' && t[end] != '\r') ++end;
    ProfileLineParts parts = ProfileParseLine(t + pos, end - pos);
    if (parts.kind == ProfileLineKind::kSection) {
      p.sections.back().endKey = p.keys.size();
      p.sections.push_back({p.keys.size(), p.keys.size()});
      p.firstSection.emplace(
          ProfileFoldName(t + pos + parts.nameBegin, parts.nameLen),
          p.sections.size() - 1);
    } else if (parts.kind == ProfileLineKind::kKey) {
      p.keys.push_back({pos + parts.nameBegin, parts.nameLen, parts.hasValue,
                        pos + parts.valueBegin, parts.valueLen});
    }
    pos = end;
    while (pos < n && (t[pos] == '\n' || t[pos] == '\r')) ++pos;
  }
  p.sections.back().endKey = p.keys.size();
}

std::unordered_map<std::string, std::unique_ptr<IndexedProfile>>& Cache() {
  static std::unordered_map<std::string, std::unique_ptr<IndexedProfile>> cache;
  return cache;
}

const IndexedProfile& LoadIndexed(const char* path) {
  std::unique_ptr<IndexedProfile>& slot = Cache()[path];
  if (!slot) {
    slot.reset(new IndexedProfile);
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
  auto found = p.firstSection.find(ProfileFoldName(sec.data(), sec.size()));
  if (found == p.firstSection.end()) return nullptr;
  const IndexedSection& s = p.sections[found->second];
  std::u16string folded = ProfileFoldName(key.data(), key.size());
  for (size_t i = s.firstKey; i < s.endKey; ++i) {
    const IndexedKey& k = p.keys[i];
    if (k.nameLen == folded.size() &&
        ProfileFoldName(p.text.data() + k.nameBegin, k.nameLen) == folded)
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
  std::u16string value =
      k && k->hasValue ? UpToNul(p.text.data() + k->valueBegin, k->valueLen)
                       : defW;
  return StoreAnsi(CopyEntry(value, size), buf, size);
}

void HostForgetProfiles() { Cache().clear(); }
