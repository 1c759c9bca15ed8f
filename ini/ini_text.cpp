// Encodings, blanks, names and lines of profile files.
#include "ini/ini_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "unicode/ascii_fold.h"
#include "unicode/utf16.h"
#include "unicode/utf8.h"

namespace {

bool IsBlank(char16_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x1A;
}

// Where [begin, end) of `text` lies without its leading and trailing blanks:
// its start and length.
void Trim(const char16_t* text, size_t begin, size_t end, size_t* trimmedBegin,
          size_t* trimmedLen) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  *trimmedBegin = begin;
  *trimmedLen = end - begin;
}

}  // namespace

ProfileEncoding ProfileDetectEncoding(const std::string& bytes,
                                      size_t* markLen) {
  const struct {
    const char* mark;
    ProfileEncoding enc;
  } kMarks[] = {{"\xEF\xBB\xBF", ProfileEncoding::kUtf8},
                {"\xFF\xFE", ProfileEncoding::kUtf16Le},
                {"\xFE\xFF", ProfileEncoding::kUtf16Be}};
  for (const auto& m : kMarks) {
    *markLen = strlen(m.mark);
    if (bytes.compare(0, *markLen, m.mark) == 0) return m.enc;
  }
  *markLen = 0;
  return ProfileEncoding::kAnsi;
}

void ProfileDecode(ProfileEncoding enc, const AnsiCodec& ansi, const char* text,
                   size_t len, std::u16string& out) {
  out.clear();
  switch (enc) {
    case ProfileEncoding::kAnsi:
      ansi.ToWide(text, len, out);
      return;
    case ProfileEncoding::kUtf8:
      Utf8ToWide(text, len, out);
      return;
    case ProfileEncoding::kUtf16Le:
    case ProfileEncoding::kUtf16Be: {
      // Lone surrogates stay as they are and become '?' in the code page.
      Utf16Unpack(ByteSpan(text, len),
                  enc == ProfileEncoding::kUtf16Le ? ByteOrder::kLittle
                                                   : ByteOrder::kBig,
                  out);
      if (len % 2 == 1)
        out.push_back(static_cast<unsigned char>(text[len - 1]));
      return;
    }
  }
}

void ProfileEncode(ProfileEncoding enc, const AnsiCodec& ansi,
                   const char16_t* text, size_t len, std::string& out) {
  out.clear();
  switch (enc) {
    case ProfileEncoding::kAnsi:
      ansi.FromWide(text, len, out);
      return;
    case ProfileEncoding::kUtf8:
      WideToUtf8(text, len, out);
      return;
    case ProfileEncoding::kUtf16Le:
    case ProfileEncoding::kUtf16Be:
      Utf16Pack(text, len,
                enc == ProfileEncoding::kUtf16Le ? ByteOrder::kLittle
                                                 : ByteOrder::kBig,
                out);
      return;
  }
}

std::u16string ProfileWiden(const AnsiCodec& ansi, const char* text) {
  std::u16string wide;
  ansi.ToWide(text, strlen(text), wide);
  wide.resize(std::min(wide.size(), wide.find(char16_t(0))));
  return wide;
}

void ProfileTrim(std::u16string& text) {
  size_t b, n;
  Trim(text.data(), 0, text.size(), &b, &n);
  text = text.substr(b, n);
}

bool ProfileSameName(const char16_t* a, size_t aLen, const char16_t* b,
                     size_t bLen) {
  if (aLen != bLen) return false;
  for (size_t i = 0; i < aLen; ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

uint32_t ProfileNameHash(const char16_t* name, size_t len, uint32_t seed) {
  uint32_t h = 2166136261u ^ seed;
  for (size_t i = 0; i < len; ++i) {
    h = (h ^ AsciiLower(name[i])) * 16777619u;
  }
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h & 0x7FFFFFFFu;
}

ProfileLineParts ProfileParseLine(const char16_t* line, size_t len) {
  ProfileLineParts parts = {ProfileLineKind::kBlank, 0, 0, false, 0, 0};
  size_t b, n;
  Trim(line, 0, len, &b, &n);
  if (n == 0) return parts;
  size_t e = b + n;
  if (line[b] == '[') {
    size_t close = e;
    while (close > b + 1 && line[close - 1] != ']') --close;
    if (close > b + 1) {
      // The name runs from after '[' to the last ']', trimmed.
      parts.kind = ProfileLineKind::kSection;
      Trim(line, b + 1, close - 1, &parts.nameBegin, &parts.nameLen);
      return parts;
    }
  }
  parts.kind = ProfileLineKind::kKey;
  size_t eq = b;
  while (eq < e && line[eq] != '=') ++eq;
  Trim(line, b, eq, &parts.nameBegin, &parts.nameLen);
  parts.hasValue = eq < e;
  if (parts.hasValue) Trim(line, eq + 1, e, &parts.valueBegin, &parts.valueLen);
  return parts;
}
