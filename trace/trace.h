// The opt-in trace of a run: one line per event, in UTF-8, written through
// the seam. Every caller checks TraceOn() before it formats anything, so a
// run without the trace formats nothing.
#pragma once

#include <cstdint>

#include "platform/platform.h"

extern bool g_traceOn;

inline bool TraceOn() { return g_traceOn; }

// Opens the trace when INSTPROBE_TRACE asks for one and writes its first
// line: the two files.
void TraceStart(const char* listPath, const char* varsPath);

// The section whose events follow; each of their lines begins "[FILEn] ".
// An empty name ends the prefix.
void TraceSection(const char* section);

// One event of the current section, formatted as printf does into a fixed
// line buffer (a longer line is cut).
void TraceEvent(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

// ANSI text for an event: quoted unless `quoted` is false, as UTF-8, with control characters shown
// as <0D>, <0A> and so on, so that a line break cannot end the line. The
// result lives in one of four slots (0-3) until that slot is used again.
const char* TraceText(int slot, const char* ansi, bool quoted = true);

// The name of a registry value type (REG_SZ, ...), or "type N".
const char* TraceTypeName(uint32_t type, char* buf, uint32_t size);

// The last line: what the commit did, and writes the trace out.
void TraceFinish(PlatformCommit outcome, long error);
