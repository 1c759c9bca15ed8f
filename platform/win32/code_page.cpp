// The system's ANSI code page: its lead bytes and its upper-case mapping of
// double-byte characters.
#include <windows.h>

#include "platform/platform.h"

uint32_t PlatformLoadLeadBytes(unsigned char table[256]) {
  UINT acp = GetACP();
  for (int b = 0; b < 256; ++b) {
    table[b] = IsDBCSLeadByteEx(acp, static_cast<BYTE>(b)) ? 1 : 0;
  }
  return acp;
}

uint32_t PlatformUpperDoubleByte(unsigned char lead, unsigned char trail) {
  char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  WCHAR wide[2] = {0, 0};
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes, 2, wide, 2) != 1)
    return 0;
  CharUpperBuffW(wide, 1);
  return wide[0];
}
