// Loading, editing and writing out a profile file held for writing.
#include "platform/posix/profile_document.h"

#include <cstring>

#include "platform/posix/code_page.h"

namespace {

std::u16string Encoded(const ProfileDocument& doc, const std::string& ansi) {
  std::u16string wide;
  HostAnsiToWide(ansi.data(), ansi.size(), wide);
  size_t nul = wide.find(char16_t(0));
  if (nul != std::u16string::npos) wide.resize(nul);
  (void)doc;
  return wide;
}

size_t UnitSize(const ProfileDocument& doc) {
  return doc.encoding == ProfileEncoding::kUtf16Le ||
                 doc.encoding == ProfileEncoding::kUtf16Be
             ? 2
             : 1;
}

// The code unit at byte offset i (one byte, or two in UTF-16).
unsigned Unit(const ProfileDocument& doc, size_t i) {
  const unsigned char* b =
      reinterpret_cast<const unsigned char*>(doc.original.data());
  if (doc.encoding == ProfileEncoding::kUtf16Le) return b[i] | (b[i + 1] << 8);
  if (doc.encoding == ProfileEncoding::kUtf16Be) return (b[i] << 8) | b[i + 1];
  return b[i];
}

std::string EncodeText(const ProfileDocument& doc, const std::u16string& s) {
  std::string out;
  ProfileEncode(doc.encoding, s.data(), s.size(), out);
  return out;
}

int32_t AddLine(ProfileDocument& doc, int32_t after, std::string bytes) {
  ProfileDocLine& prev = doc.lines[after];
  // The last line may lack its line ending; it gets one before anything
  // follows it. The empty head line never has one.
  if (after != 0 && prev.eolLen == 0 && !prev.newEol) prev.newEol = true;
  doc.texts.push_back(std::move(bytes));
  ProfileDocLine line = {
      0, 0, 0, static_cast<int32_t>(doc.texts.size() - 1), true, prev.next};
  doc.lines.push_back(line);
  int32_t index = static_cast<int32_t>(doc.lines.size() - 1);
  doc.lines[after].next = index;
  if (doc.last == after) doc.last = index;
  return index;
}

std::u16string KeyLine(const std::u16string& key, const std::u16string& v) {
  return key + u"=" + v;
}

}  // namespace

void ProfileDocLoad(const std::string& bytes, ProfileDocument& doc) {
  doc = ProfileDocument();
  doc.original = bytes;
  doc.encoding = ProfileDetectEncoding(doc.original, &doc.markLen);
  // A UTF-16 file may end in an odd byte b, which reads as the unit 0x00bb.
  // Anything written after it would be out of step by one byte and read as
  // garbage, so a changed file holds that byte as the whole unit it reads
  // as (a file that does not change is never written).
  if (UnitSize(doc) == 2 && (doc.original.size() - doc.markLen) % 2 == 1) {
    size_t at = doc.encoding == ProfileEncoding::kUtf16Le
                    ? doc.original.size()
                    : doc.original.size() - 1;
    doc.original.insert(at, 1, '\0');
  }
  doc.lines.push_back({doc.markLen, 0, 0, -1, false, -1});
  doc.sections.push_back({0, {}});
  doc.sectionIndex.emplace(std::u16string(), 0);
  size_t unit = UnitSize(doc), n = doc.original.size(), pos = doc.markLen;
  std::string eol;
  std::u16string wide;
  while (pos < n) {
    size_t end = pos;
    while (end + unit <= n && Unit(doc, end) != '\n' && Unit(doc, end) != '\r')
      end += unit;
    if (end + unit > n) end = n;  // an odd byte stays in the last line
    size_t eolEnd = end;
    if (eolEnd < n) {
      bool cr = Unit(doc, eolEnd) == '\r';
      eolEnd += unit;
      if (cr && eolEnd + unit <= n && Unit(doc, eolEnd) == '\n') eolEnd += unit;
      if (eol.empty()) eol = doc.original.substr(end, eolEnd - end);
    }
    ProfileDocLine line = {pos, end - pos, eolEnd - end, -1, false, -1};
    doc.lines.push_back(line);
    int32_t index = static_cast<int32_t>(doc.lines.size() - 1);
    doc.lines[doc.last].next = index;
    doc.last = index;

    ProfileDecode(doc.encoding, doc.original.data() + pos, end - pos, wide);
    ProfileLineParts parts = ProfileParseLine(wide.data(), wide.size());
    if (parts.kind == ProfileLineKind::kSection) {
      doc.sections.push_back({index, {}});
      doc.sectionIndex.emplace(
          ProfileFoldName(wide.data() + parts.nameBegin, parts.nameLen),
          doc.sections.size() - 1);
    } else if (parts.kind == ProfileLineKind::kKey) {
      ProfileDocSection& s = doc.sections.back();
      s.anchor = index;
      ProfileDocKey key = {
          index, wide.substr(parts.nameBegin, parts.nameLen), parts.hasValue,
          parts.hasValue ? wide.substr(parts.valueBegin, parts.valueLen)
                         : std::u16string()};
      size_t nul = key.value.find(char16_t(0));
      if (nul != std::u16string::npos) key.value.resize(nul);
      s.keys.emplace(ProfileFoldName(key.name.data(), key.name.size()),
                     std::move(key));
    }
    pos = eolEnd;
  }
  doc.eol = eol.empty() ? EncodeText(doc, u"\r\n") : eol;
}

void ProfileDocSet(ProfileDocument& doc, const char* section, const char* key,
                   const char* value) {
  std::u16string secW = Encoded(doc, section), keyW = Encoded(doc, key),
                 valW = Encoded(doc, value);
  ProfileTrim(secW);
  ProfileTrim(keyW);
  ProfileTrim(valW);
  std::u16string folded = ProfileFoldName(secW.data(), secW.size());
  auto found = doc.sectionIndex.find(folded);
  size_t si;
  if (found != doc.sectionIndex.end()) {
    si = found->second;
  } else {
    int32_t header =
        AddLine(doc, doc.last, EncodeText(doc, u"[" + secW + u"]"));
    doc.sections.push_back({header, {}});
    si = doc.sections.size() - 1;
    doc.sectionIndex.emplace(folded, si);
  }
  ProfileDocSection& s = doc.sections[si];
  std::u16string keyFolded = ProfileFoldName(keyW.data(), keyW.size());
  auto k = s.keys.find(keyFolded);
  if (k != s.keys.end()) {
    ProfileDocKey& existing = k->second;
    if (existing.hasValue && existing.value == valW) return;
    existing.hasValue = true;
    existing.value = valW;
    ProfileDocLine& line = doc.lines[existing.line];
    std::string bytes = EncodeText(doc, KeyLine(existing.name, valW));
    if (line.text >= 0) {
      doc.texts[line.text] = std::move(bytes);
    } else {
      doc.texts.push_back(std::move(bytes));
      line.text = static_cast<int32_t>(doc.texts.size() - 1);
    }
  } else {
    int32_t index =
        AddLine(doc, s.anchor, EncodeText(doc, KeyLine(keyW, valW)));
    s.anchor = index;
    s.keys.emplace(keyFolded, ProfileDocKey{index, keyW, true, valW});
  }
  doc.changed = true;
}

// Whether the output of line i (if any) starts with `prefix`: the line
// writes its text first, or, when that is empty, its line ending.
static bool LineStartsWith(const ProfileDocument& doc, int32_t i,
                           const std::string& prefix) {
  if (i < 0) return false;
  const ProfileDocLine& line = doc.lines[i];
  const std::string* bytes = &doc.original;
  size_t at = line.begin, len = line.len;
  if (line.text >= 0) {
    bytes = &doc.texts[line.text];
    at = 0;
    len = bytes->size();
  }
  if (len == 0) {
    if (line.newEol) {
      bytes = &doc.eol;
      at = 0;
      len = doc.eol.size();
    } else {
      bytes = &doc.original;
      at = line.begin + line.len;
      len = line.eolLen;
    }
  }
  return len >= prefix.size() && bytes->compare(at, prefix.size(), prefix) == 0;
}

std::string ProfileDocBytes(const ProfileDocument& doc) {
  std::string out = doc.original.substr(0, doc.markLen);
  const std::string cr = EncodeText(doc, u"\r"), lf = EncodeText(doc, u"\n");
  for (int32_t i = doc.lines[0].next; i >= 0; i = doc.lines[i].next) {
    const ProfileDocLine& line = doc.lines[i];
    if (line.text >= 0)
      out += doc.texts[line.text];
    else
      out.append(doc.original, line.begin, line.len);
    if (line.newEol) {
      out += doc.eol;
      // A lone CR before a line that starts with LF would read as one CRLF
      // and swallow that line: the added ending takes the LF as well.
      if (doc.eol == cr && LineStartsWith(doc, line.next, lf)) out += lf;
    } else {
      out.append(doc.original, line.begin + line.len, line.eolLen);
    }
  }
  return out;
}
