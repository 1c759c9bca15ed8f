// Queries registry values the way instprobe does and prints what Wine gives.
// Usage: query.exe QUERIES OUTPUT. Each line of QUERIES is
// "ROOT KEYHEX NAMEHEX" (root in hex; key path and value name as hex of
// their ANSI bytes, "-" for empty). Each output line is
// "open=RC query=RC type=T size=S data=HEX" with the whole 520-byte buffer,
// which starts filled with 0xAA so untouched bytes show.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

static std::string FromHex(const char* s) {
  std::string out;
  if (strcmp(s, "-") == 0) return out;
  for (size_t i = 0; s[i] && s[i + 1]; i += 2) {
    unsigned v = 0;
    sscanf(s + i, "%2x", &v);
    out.push_back(static_cast<char>(v));
  }
  return out;
}

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  FILE* in = fopen(argv[1], "r");
  FILE* out = fopen(argv[2], "wb");
  if (!in || !out) return 3;
  char line[8192];
  while (fgets(line, sizeof line, in)) {
    char rootText[32], keyHex[4096], nameHex[4096];
    if (sscanf(line, "%31s %4095s %4095s", rootText, keyHex, nameHex) != 3)
      continue;
    unsigned long root = strtoul(rootText, nullptr, 16);
    std::string key = FromHex(keyHex), name = FromHex(nameHex);
    HKEY rootKey = reinterpret_cast<HKEY>(
        static_cast<intptr_t>(static_cast<int32_t>(root)));
    HKEY opened = nullptr;
    LONG openRc = RegOpenKeyA(rootKey, key.c_str(), &opened);
    LONG queryRc = -1;
    DWORD type = 0, size = 519;
    unsigned char data[520];
    memset(data, 0xAA, sizeof data);
    if (openRc == 0) {
      queryRc =
          RegQueryValueExA(opened, name.c_str(), nullptr, &type, data, &size);
      RegCloseKey(opened);
    }
    fprintf(out, "open=%ld query=%ld type=%lu size=%lu data=", openRc, queryRc,
            type, size);
    for (unsigned char b : data) fprintf(out, "%02x", b);
    fprintf(out, "\n");
  }
  fclose(out);
  return 0;
}
