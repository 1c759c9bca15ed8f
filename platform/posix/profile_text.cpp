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

void ProfileDecode(ProfileEncoding enc, const char* text, size_t len,
                   std::u16string& out) {
  out.clear();
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  switch (enc) {
    case ProfileEncoding::kAnsi:
      HostAnsiToWide(text, len, out);
      return;
    case ProfileEncoding::kUtf8:
      HostUtf8ToWide(text, len, out);
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
