// Encodings, blanks, names and lines of profile files.
#include "platform/posix/profile_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/code_page.h"

bool ProfileLoadFile(const char* path, std::string& bytes) {
  bytes.clear();
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  char chunk[65536];
  for (;;) {
    ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0) {
      close(fd);
      bytes.clear();
      return false;
    }
    if (got == 0) break;
    bytes.append(chunk, static_cast<size_t>(got));
  }
  close(fd);
  return true;
}

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

// The range the byte after a UTF-8 lead byte must fall in for the sequence
// to be neither overlong, a surrogate nor beyond U+10FFFF.
static void SecondByteRange(unsigned char lead, unsigned char* lo,
                            unsigned char* hi) {
  *lo = 0x80;
  *hi = 0xBF;
  if (lead == 0xE0) *lo = 0xA0;
  if (lead == 0xED) *hi = 0x9F;
  if (lead == 0xF0) *lo = 0x90;
  if (lead == 0xF4) *hi = 0x8F;
}

// UTF-8 as the platform decodes a file with a UTF-8 mark. Measured under
// Wine 8 (one '?' per U+FFFD after conversion to 1252): a lead byte outside
// C2..F4 or a stray continuation byte is one U+FFFD each; a lead byte whose
// next byte is a continuation byte outside the lead's range (E0 80, ED A0,
// F0 8F, F4 90) is one U+FFFD for the two bytes, and the continuation bytes
// after them one each (ED A0 80 -> 2, F0 80 80 80 -> 3); a sequence cut short
// is one U+FFFD for what it had (E0 A0 then '>' -> 1).
static void DecodeUtf8(const unsigned char* s, size_t len,
                       std::u16string& out) {
  size_t i = 0;
  while (i < len) {
    unsigned char b = s[i];
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    size_t need;
    uint32_t cp;
    if (b >= 0xC2 && b <= 0xDF) {
      need = 1;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      need = 2;
      cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      need = 3;
      cp = b & 0x07;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    if (i + 1 >= len || (s[i + 1] & 0xC0) != 0x80) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    unsigned char lo, hi;
    SecondByteRange(b, &lo, &hi);
    if (s[i + 1] < lo || s[i + 1] > hi) {
      out.push_back(0xFFFD);
      i += 2;
      continue;
    }
    size_t j = 1;
    while (j <= need && i + j < len && (s[i + j] & 0xC0) == 0x80) {
      cp = (cp << 6) | (s[i + j] & 0x3F);
      ++j;
    }
    if (j <= need) {
      out.push_back(0xFFFD);
      i += j;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 | (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 | (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += need + 1;
  }
}

void ProfileDecode(ProfileEncoding enc, const char* text, size_t len,
                   std::u16string& out) {
  out.clear();
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  switch (enc) {
    case ProfileEncoding::kAnsi:
      HostAnsiToWide(text, len, out);
      return;
    case ProfileEncoding::kUtf8:
      out.reserve(len);
      DecodeUtf8(s, len, out);
      return;
    case ProfileEncoding::kUtf16Le:
    case ProfileEncoding::kUtf16Be: {
      bool le = enc == ProfileEncoding::kUtf16Le;
      out.reserve(len / 2 + 1);
      size_t i = 0;
      for (; i + 1 < len; i += 2)
        out.push_back(static_cast<char16_t>(le ? s[i] | (s[i + 1] << 8)
                                               : (s[i] << 8) | s[i + 1]));
      // Measured under Wine 8: an odd last byte b is read as the unit
      // 0x00bb in either byte order ("a=xy" plus 'A' gives "xyA"). Lone
      // surrogates stay as they are and become '?' in the code page.
      if (i < len) out.push_back(s[i]);
      return;
    }
  }
}

void ProfileEncode(ProfileEncoding enc, const char16_t* text, size_t len,
                   std::string& out) {
  out.clear();
  switch (enc) {
    case ProfileEncoding::kAnsi:
      HostWideToAnsi(text, len, out);
      return;
    case ProfileEncoding::kUtf8:
      HostWideToUtf8(text, len, out);
      return;
    case ProfileEncoding::kUtf16Le:
    case ProfileEncoding::kUtf16Be: {
      bool le = enc == ProfileEncoding::kUtf16Le;
      out.reserve(len * 2);
      for (size_t i = 0; i < len; ++i) {
        char lowByte = static_cast<char>(text[i] & 0xFF);
        char highByte = static_cast<char>(text[i] >> 8);
        out.push_back(le ? lowByte : highByte);
        out.push_back(le ? highByte : lowByte);
      }
      return;
    }
  }
}

bool ProfileIsBlank(char16_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x1A;
}

void ProfileTrim(std::u16string& text) {
  size_t b = 0, e = text.size();
  while (b < e && ProfileIsBlank(text[b])) ++b;
  while (e > b && ProfileIsBlank(text[e - 1])) --e;
  text = text.substr(b, e - b);
}

std::u16string ProfileFoldName(const char16_t* name, size_t len) {
  std::u16string folded(name, len);
  for (char16_t& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char16_t>(c + ('a' - 'A'));
  return folded;
}

ProfileLineParts ProfileParseLine(const char16_t* line, size_t len) {
  ProfileLineParts parts = {ProfileLineKind::kBlank, 0, 0, false, 0, 0};
  size_t b = 0, e = len;
  while (b < e && ProfileIsBlank(line[b])) ++b;
  while (e > b && ProfileIsBlank(line[e - 1])) --e;
  if (b == e) return parts;
  if (line[b] == '[') {
    size_t close = e;
    while (close > b + 1 && line[close - 1] != ']') --close;
    if (close > b + 1) {
      // The name runs from after '[' to the last ']', trimmed (measured
      // under Wine 8: "[ Lead]" and "[Trail ]" are "Lead" and "Trail").
      size_t nb = b + 1, ne = close - 1;
      while (nb < ne && ProfileIsBlank(line[nb])) ++nb;
      while (ne > nb && ProfileIsBlank(line[ne - 1])) --ne;
      parts.kind = ProfileLineKind::kSection;
      parts.nameBegin = nb;
      parts.nameLen = ne - nb;
      return parts;
    }
  }
  parts.kind = ProfileLineKind::kKey;
  size_t eq = b;
  while (eq < e && line[eq] != '=') ++eq;
  size_t ne = eq;
  while (ne > b && ProfileIsBlank(line[ne - 1])) --ne;
  parts.nameBegin = b;
  parts.nameLen = ne - b;
  if (eq < e) {
    size_t vb = eq + 1;
    while (vb < e && ProfileIsBlank(line[vb])) ++vb;
    parts.hasValue = true;
    parts.valueBegin = vb;
    parts.valueLen = e - vb;
  }
  return parts;
}
