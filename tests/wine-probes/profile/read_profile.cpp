// Reads keys with GetPrivateProfileStringA and prints what came back.
// Usage: read_profile.exe OUT INI (SECTION KEY SIZE)...
// Each argument may carry \xHH escapes. Each query prints one line to OUT:
// "rc=N" and the hex bytes of the buffer up to and including [rc] (the buffer
// is filled with 0xEE first, so stale bytes show as ee).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

static std::string Unescape(const char* s) {
  std::string out;
  for (size_t i = 0; s[i]; ++i) {
    if (s[i] == '\\' && s[i + 1] == 'x' && s[i + 2] && s[i + 3]) {
      char hex[3] = {s[i + 2], s[i + 3], 0};
      out += static_cast<char>(strtol(hex, nullptr, 16));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  FILE* out = fopen(argv[1], "wb");
  if (!out) return 3;
  static char buf[1 << 21];
  for (int i = 3; i + 2 < argc; i += 3) {
    std::string sec = Unescape(argv[i]), key = Unescape(argv[i + 1]);
    unsigned n = static_cast<unsigned>(atoi(argv[i + 2]));
    memset(buf, 0xEE, sizeof buf);
    DWORD rc =
        GetPrivateProfileStringA(sec.c_str(), key.c_str(), "", buf, n, argv[2]);
    fprintf(out, "rc=%lu", static_cast<unsigned long>(rc));
    unsigned show = rc + 1 < 64 ? rc + 1 : 64;
    for (unsigned j = 0; j < show && j < n; ++j)
      fprintf(out, " %02x", static_cast<unsigned char>(buf[j]));
    fprintf(out, "\n");
  }
  fclose(out);
  return 0;
}
