// The lead-byte table of the ANSI code page, fixed when the process starts.
#include <cstring>

#include "pathtext/pathtext.h"
#include "platform/platform.h"

static unsigned char g_leadBytes[256];

uint32_t InitPathText() { return PlatformLoadLeadBytes(g_leadBytes); }

void SetLeadByteTable(const unsigned char table[256]) {
  memcpy(g_leadBytes, table, sizeof g_leadBytes);
}

bool IsLeadByte(unsigned char b) { return g_leadBytes[b] != 0; }
