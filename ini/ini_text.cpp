// Encodings, blanks, names and lines of profile files.
#include "ini/ini_text.h"

#include <cstdint>
#include <cstring>

#include "unicode/ascii_fold.h"
#include "unicode/utf16.h"
#include "unicode/utf8.h"

ProfileEncoding ProfileDetectEncoding(const std::string& bytes,
                                      size_t* markLen) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t n = bytes.size();
  if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    *markLen = 3;
    return ProfileEncoding::kUtf8;
  }
  if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    *markLen = 2;
    return ProfileEncoding::kUtf16Le;
  }
  if (n >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
    *markLen = 2;
    return ProfileEncoding::kUtf16Be;
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
  size_t nul = wide.find(char16_t(0));
  if (nul != std::u16string::npos) wide.resize(nul);
  return wide;
}

bool ProfileIsBlank(char16_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x1A;
}

void ProfileTrimSpan(const char16_t* text, size_t* begin, size_t* end) {
  while (*begin < *end && ProfileIsBlank(text[*begin])) ++*begin;
  while (*end > *begin && ProfileIsBlank(text[*end - 1])) --*end;
}

void ProfileTrim(std::u16string& text) {
  size_t b = 0, e = text.size();
  ProfileTrimSpan(text.data(), &b, &e);
  text = text.substr(b, e - b);
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
  size_t b = 0, e = len;
  ProfileTrimSpan(line, &b, &e);
  if (b == e) return parts;
  if (line[b] == '[') {
    size_t close = e;
    while (close > b + 1 && line[close - 1] != ']') --close;
    if (close > b + 1) {
      // The name runs from after '[' to the last ']', trimmed.
      size_t nb = b + 1, ne = close - 1;
      ProfileTrimSpan(line, &nb, &ne);
      parts.kind = ProfileLineKind::kSection;
      parts.nameBegin = nb;
      parts.nameLen = ne - nb;
      return parts;
    }
  }
  parts.kind = ProfileLineKind::kKey;
  size_t eq = b;
  while (eq < e && line[eq] != '=') ++eq;
  size_t nb = b, ne = eq;
  ProfileTrimSpan(line, &nb, &ne);
  parts.nameBegin = nb;
  parts.nameLen = ne - nb;
  if (eq < e) {
    size_t vb = eq + 1, ve = e;
    ProfileTrimSpan(line, &vb, &ve);
    parts.hasValue = true;
    parts.valueBegin = vb;
    parts.valueLen = ve - vb;
  }
  return parts;
}
