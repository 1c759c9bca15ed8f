// Encodings, blanks, names and lines of profile files.
#include "platform/posix/profile_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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
  // Read in place, into room for the size the file had when opened; a
  // file that grows meanwhile is read on to its end.
  if (static_cast<uint64_t>(st.st_size) > kProfileMaxBytes) {
    close(fd);
    return false;
  }
  size_t used = 0;
  bytes.resize(static_cast<size_t>(st.st_size) + 1);
  for (;;) {
    if (used == bytes.size()) {
      if (bytes.size() > kProfileMaxBytes) {
        close(fd);
        bytes.clear();
        return false;
      }
      bytes.resize(bytes.size() * 2);
    }
    ssize_t got = read(fd, &bytes[used], bytes.size() - used);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      close(fd);
      bytes.clear();
      return false;
    }
    if (got == 0) break;
    used += static_cast<size_t>(got);
  }
  close(fd);
  if (used > kProfileMaxBytes) {
    bytes.clear();
    return false;
  }
  bytes.resize(used);
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

bool ProfileSameName(const char16_t* a, size_t aLen, const char16_t* b,
                     size_t bLen) {
  if (aLen != bLen) return false;
  for (size_t i = 0; i < aLen; ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char16_t>(x + ('a' - 'A'));
    if (y >= 'A' && y <= 'Z') y = static_cast<char16_t>(y + ('a' - 'A'));
    if (x != y) return false;
  }
  return true;
}

uint32_t ProfileNameHash(const char16_t* name, size_t len, uint32_t seed) {
  uint32_t h = 2166136261u ^ seed;
  for (size_t i = 0; i < len; ++i) {
    char16_t c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char16_t>(c + ('a' - 'A'));
    h = (h ^ c) * 16777619u;
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
