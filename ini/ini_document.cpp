// Loading, editing and writing out a profile file held for writing.
#include "ini/ini_document.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "unicode/utf16.h"

namespace {

// The code unit at byte offset i (one byte, or two in UTF-16).
unsigned Unit(const ProfileDocument& doc, size_t i) {
  ByteSpan bytes(doc.original.data(), doc.original.size());
  if (doc.encoding == ProfileEncoding::kUtf16Le)
    return Utf16UnitAt(bytes, i, ByteOrder::kLittle);
  if (doc.encoding == ProfileEncoding::kUtf16Be)
    return Utf16UnitAt(bytes, i, ByteOrder::kBig);
  return bytes.Has(i, 1) ? bytes.data[i] : 0;
}

std::string EncodeText(const ProfileDocument& doc, const std::u16string& s) {
  std::string out;
  ProfileEncode(doc.encoding, doc.ansi, s.data(), s.size(), out);
  return out;
}

const char* LineBytes(const ProfileDocument& doc, const ProfileDocLine& line) {
  const std::string& text =
      (line.flags & kLineAdded) != 0 ? doc.added : doc.original;
  return text.data() + line.begin;
}

// The encoded line ending a line is written with (empty for none): the
// document's for a line marked so, otherwise the one it was read with.
std::string Ending(const ProfileDocument& doc, const ProfileDocLine& line) {
  if ((line.flags & kLineNewEol) != 0) return doc.eol;
  std::string out;
  if ((line.flags & kProfileEolCr) != 0) out += doc.cr;
  if ((line.flags & kProfileEolLf) != 0) out += doc.lf;
  return out;
}

// Decodes line i's content into `wide` and parses it.
ProfileLineParts ParseDocLine(const ProfileDocument& doc, int32_t i,
                              std::u16string& wide) {
  const ProfileDocLine& line = doc.lines[i];
  ProfileDecode(doc.encoding, doc.ansi, LineBytes(doc, line), line.len, wide);
  return ProfileParseLine(wide.data(), wide.size());
}

uint32_t KeyHash(int32_t section, const char16_t* name, size_t len) {
  return ProfileNameHash(name, len, static_cast<uint32_t>(section) + 1u);
}

// The first section named `name` (compared with ASCII letters folded).
int32_t FindSection(const ProfileDocument& doc, const char16_t* name,
                    size_t len, uint32_t hash, std::u16string& scratch) {
  return ProfileSlotFind(doc.sectionSlots, hash, [&](int32_t s) {
    const ProfileDocSection& sec = doc.sections[s];
    if (sec.hash != hash) return false;
    if (sec.header < 0) return len == 0;
    ProfileLineParts parts = ParseDocLine(doc, sec.header, scratch);
    return ProfileSameName(scratch.data() + parts.nameBegin, parts.nameLen,
                           name, len);
  });
}

// The first key of section `s` named `name`; `parts` and `scratch` are
// left holding its line.
int32_t FindKey(const ProfileDocument& doc, int32_t s, const char16_t* name,
                size_t len, uint32_t hash, std::u16string& scratch,
                ProfileLineParts* parts) {
  return ProfileSlotFind(doc.keySlots, hash, [&](int32_t k) {
    const ProfileDocKey& key = doc.keys[k];
    if (key.hash != hash || key.section != s) return false;
    *parts = ParseDocLine(doc, key.line, scratch);
    return ProfileSameName(scratch.data() + parts->nameBegin, parts->nameLen,
                           name, len);
  });
}

// Adds the last section or key to its table (the caller has found no
// earlier one of its name).
template <typename Entry>
void Insert(std::vector<int32_t>& slots, const std::vector<Entry>& entries) {
  ProfileSlotAdd(slots, entries.size(), entries.back().hash,
                 static_cast<int32_t>(entries.size() - 1),
                 [&](int32_t e) { return entries[e].hash; });
}

// Stores this run's text of a line; false, and the document is never
// written, when it no longer fits the document's offsets.
bool StoreText(ProfileDocument& doc, const std::string& bytes,
               ProfileDocLine& line) {
  if (doc.added.size() + bytes.size() > kProfileMaxBytes) {
    doc.unreadable = true;
    return false;
  }
  line.begin = static_cast<uint32_t>(doc.added.size());
  line.len = static_cast<uint32_t>(bytes.size());
  line.flags |= kLineAdded;
  doc.added += bytes;
  return true;
}

// Adds a line after `after`; -1, and the document is never written, when it
// is full.
int32_t AddLine(ProfileDocument& doc, int32_t after, const std::string& bytes) {
  if (doc.lines.size() >= static_cast<size_t>(INT32_MAX) - 1) {
    doc.unreadable = true;
    return -1;
  }
  ProfileDocLine line = {0, 0, doc.lines[after].next, kLineNewEol};
  if (!StoreText(doc, bytes, line)) return -1;
  ProfileDocLine& prev = doc.lines[after];
  // The last line may lack its line ending; it gets one before anything
  // follows it. The empty head line never has one.
  if (after != 0 && (prev.flags & (kProfileEolCr | kProfileEolLf)) == 0)
    prev.flags |= kLineNewEol;
  doc.lines.push_back(line);
  int32_t index = static_cast<int32_t>(doc.lines.size() - 1);
  doc.lines[after].next = index;
  if (doc.last == after) doc.last = index;
  return index;
}

}  // namespace

void ProfileDocLoad(std::string bytes, const AnsiCodec& ansi,
                    ProfileDocument& doc) {
  doc = ProfileDocument();
  doc.ansi = ansi;
  if (bytes.size() > kProfileMaxBytes) {
    doc.unreadable = true;
    return;
  }
  doc.original = std::move(bytes);
  doc.encoding = ProfileDetectEncoding(doc.original, &doc.markLen);
  size_t unit = doc.encoding == ProfileEncoding::kUtf16Le ||
                        doc.encoding == ProfileEncoding::kUtf16Be
                    ? 2
                    : 1;
  // A UTF-16 file may end in an odd byte b, which reads as the unit 0x00bb.
  // Anything written after it would be out of step by one byte and read as
  // garbage, so a changed file holds that byte as the whole unit it reads
  // as (a file that does not change is never written).
  if (unit == 2 && (doc.original.size() - doc.markLen) % 2 == 1) {
    size_t at = doc.encoding == ProfileEncoding::kUtf16Le
                    ? doc.original.size()
                    : doc.original.size() - 1;
    doc.original.insert(at, 1, '\0');
  }
  doc.cr = EncodeText(doc, u"\r");
  doc.lf = EncodeText(doc, u"\n");
  size_t n = doc.original.size(), pos = doc.markLen;
  // The platform decodes a file before it splits it into lines, and in a
  // double-byte code page a lead byte takes the next byte, a line break
  // among them (not a zero byte): such a byte ends no line here either.
  std::vector<bool> trail;
  if (doc.encoding == ProfileEncoding::kAnsi) {
    for (size_t i = pos; i < n; ++i) {
      if (!doc.ansi.IsLeadByte(static_cast<unsigned char>(doc.original[i])))
        continue;
      if (i + 1 == n) {
        doc.endsInLeadByte = true;
      } else if (doc.original[i + 1] != 0) {
        if (trail.empty()) trail.assign(n, false);
        trail[++i] = true;
      }
    }
  }
  auto breakAt = [&doc, &trail](size_t i) -> uint8_t {
    bool isTrail = !trail.empty() && trail[i];
    return isTrail ? 0 : ProfileBreak(Unit(doc, i));
  };
  // Room for every line at once: growing by doubling would hold the old
  // and the new array together for a moment, and leave up to half unused.
  size_t lines = ProfileMaxLines(breakAt, pos, n, unit);
  doc.lines.reserve(lines + 1);
  doc.keys.reserve(lines);
  doc.lines.push_back({static_cast<uint32_t>(doc.markLen), 0, -1, 0});
  doc.sections.push_back({-1, 0, ProfileNameHash(nullptr, 0, 0)});
  Insert(doc.sectionSlots, doc.sections);
  std::string eol;
  std::u16string wide, scratch;
  while (pos < n) {
    ProfileLineSpan span = ProfileLineAt(breakAt, pos, n, unit);
    if (span.eol != 0 && eol.empty())
      eol = doc.original.substr(span.end, span.next - span.end);
    doc.lines.push_back({static_cast<uint32_t>(pos),
                         static_cast<uint32_t>(span.end - pos), -1, span.eol});
    int32_t index = static_cast<int32_t>(doc.lines.size() - 1);
    doc.lines[doc.last].next = index;
    doc.last = index;

    ProfileLineParts parts = ParseDocLine(doc, index, wide);
    const char16_t* name = wide.data() + parts.nameBegin;
    if (parts.kind == ProfileLineKind::kSection) {
      uint32_t hash = ProfileNameHash(name, parts.nameLen, 0);
      bool first = FindSection(doc, name, parts.nameLen, hash, scratch) < 0;
      doc.sections.push_back({index, index, hash});
      if (first) Insert(doc.sectionSlots, doc.sections);
    } else if (parts.kind == ProfileLineKind::kKey) {
      int32_t s = static_cast<int32_t>(doc.sections.size() - 1);
      doc.sections[s].anchor = index;
      uint32_t hash = KeyHash(s, name, parts.nameLen);
      ProfileLineParts found;
      if (FindKey(doc, s, name, parts.nameLen, hash, scratch, &found) < 0) {
        doc.keys.push_back({index, s, hash});
        Insert(doc.keySlots, doc.keys);
      }
    }
    pos = span.next;
  }
  doc.eol = eol.empty() ? EncodeText(doc, u"\r\n") : eol;
}

void ProfileDocSet(ProfileDocument& doc, std::u16string secW,
                   std::u16string keyW, std::u16string valW) {
  if (doc.unreadable) return;  // never written
  ProfileTrim(secW);
  ProfileTrim(keyW);
  ProfileTrim(valW);
  std::u16string scratch;
  uint32_t secHash = ProfileNameHash(secW.data(), secW.size(), 0);
  int32_t si = FindSection(doc, secW.data(), secW.size(), secHash, scratch);
  if (si < 0) {
    int32_t header =
        AddLine(doc, doc.last, EncodeText(doc, u"[" + secW + u"]"));
    if (header < 0) return;
    doc.sections.push_back({header, header, secHash});
    Insert(doc.sectionSlots, doc.sections);
    si = static_cast<int32_t>(doc.sections.size() - 1);
  }
  uint32_t keyHash = KeyHash(si, keyW.data(), keyW.size());
  ProfileLineParts parts;
  int32_t k =
      FindKey(doc, si, keyW.data(), keyW.size(), keyHash, scratch, &parts);
  if (k >= 0) {
    // A value ends at its first NUL.
    size_t end = std::min(parts.valueBegin + parts.valueLen,
                          scratch.find(char16_t(0), parts.valueBegin));
    if (parts.hasValue &&
        scratch.compare(parts.valueBegin, end - parts.valueBegin, valW) == 0)
      return;
    std::u16string text =
        scratch.substr(parts.nameBegin, parts.nameLen) + u"=" + valW;
    if (!StoreText(doc, EncodeText(doc, text), doc.lines[doc.keys[k].line]))
      return;
  } else {
    int32_t index = AddLine(doc, doc.sections[si].anchor,
                            EncodeText(doc, keyW + u"=" + valW));
    if (index < 0) return;
    doc.sections[si].anchor = index;
    doc.keys.push_back({index, si, keyHash});
    Insert(doc.keySlots, doc.keys);
  }
  doc.changed = true;
}

// Whether the output of line i (if any) starts with `prefix`: the line
// writes its text first, or, when that is empty, its line ending.
static bool LineStartsWith(const ProfileDocument& doc, int32_t i,
                           const std::string& prefix) {
  if (i < 0) return false;
  const ProfileDocLine& line = doc.lines[i];
  size_t n = std::min<size_t>(line.len, prefix.size());
  std::string head =
      line.len > 0 ? std::string(LineBytes(doc, line), n) : Ending(doc, line);
  return head.compare(0, prefix.size(), prefix) == 0;
}

std::string ProfileDocBytes(const ProfileDocument& doc) {
  std::string out = doc.original.substr(0, doc.markLen);
  out.reserve(doc.original.size() + doc.added.size() + 64);
  for (int32_t i = doc.lines[0].next; i >= 0; i = doc.lines[i].next) {
    const ProfileDocLine& line = doc.lines[i];
    out.append(LineBytes(doc, line), line.len);
    bool newEol = (line.flags & kLineNewEol) != 0;
    // A lead byte that ended the file would take the new line break as its
    // trail byte; a blank after it reads as the same character.
    if (newEol && doc.endsInLeadByte && (line.flags & kLineAdded) == 0 &&
        line.begin + line.len == doc.original.size())
      out += ' ';
    out += Ending(doc, line);
    // A lone CR before a line that starts with LF would read as one CRLF and
    // swallow that line: the added ending takes the LF as well.
    if (newEol && doc.eol == doc.cr && LineStartsWith(doc, line.next, doc.lf))
      out += doc.lf;
  }
  return out;
}

void ProfileDocReapply(const ProfileDocument& from, ProfileDocument& to) {
  std::u16string section, wide;
  for (int32_t i = from.lines[0].next; i >= 0; i = from.lines[i].next) {
    ProfileLineParts parts = ParseDocLine(from, i, wide);
    if (parts.kind == ProfileLineKind::kSection)
      section = wide.substr(parts.nameBegin, parts.nameLen);
    else if (parts.kind == ProfileLineKind::kKey &&
             (from.lines[i].flags & kLineAdded) != 0)
      ProfileDocSet(to, section, wide.substr(parts.nameBegin, parts.nameLen),
                    parts.hasValue
                        ? wide.substr(parts.valueBegin, parts.valueLen)
                        : std::u16string());
  }
}
