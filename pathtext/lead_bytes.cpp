// The lead-byte table of the ANSI code page, fixed when the process starts.
#include "pathtext/pathtext.h"

#include <cstdint>

#include "platform/platform.h"

static unsigned char g_leadBytes[256];

uint32_t InitPathText() { return PlatformLoadLeadBytes(g_leadBytes); }

bool IsLeadByte(unsigned char b) { return g_leadBytes[b] != 0; }
