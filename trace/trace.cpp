// Formatting of trace lines into fixed buffers; no allocation.
#include "trace/trace.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

bool g_traceOn = false;

namespace {

// A line holds a few texts of up to 519 ANSI bytes, three UTF-8 bytes each
// at most, or four where a control character is shown.
char g_line[8192];
char g_section[24];
char g_slots[4][2200];
char g_utf8[1600];

// The UTF-8 text in g_utf8, quoted when asked, with control characters
// shown as <0D>, in the slot.
const char* QuoteUtf8(int slot, bool quoted) {
  char* out = g_slots[slot & 3];
  const size_t capacity = sizeof g_slots[0];
  size_t at = 0;
  if (quoted) out[at++] = '"';
  for (const char* p = g_utf8; *p != '\0' && at + 6 < capacity; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c < 0x20 || c == 0x7F)
      at += static_cast<size_t>(snprintf(out + at, capacity - at, "<%02X>", c));
    else
      out[at++] = *p;
  }
  if (quoted) out[at++] = '"';
  out[at] = '\0';
  return out;
}

}  // namespace

void TraceStart(const char* listPath, const char* varsPath) {
  bool listFound = false;
  g_traceOn = PlatformTraceOpen(listPath, varsPath, &listFound);
  if (!g_traceOn) return;
  PlatformDosPathUtf8(listPath, g_utf8, sizeof g_utf8);
  const char* list = QuoteUtf8(0, true);
  PlatformDosPathUtf8(varsPath, g_utf8, sizeof g_utf8);
  TraceEvent("start: search list %s%s, variables file %s", list,
             listFound ? "" : " (not found)", QuoteUtf8(1, true));
}

void TraceSection(const char* section) {
  if (section[0] == '\0')
    g_section[0] = '\0';
  else
    snprintf(g_section, sizeof g_section, "[%s] ", section);
}

void TraceEvent(const char* format, ...) {
  int used = snprintf(g_line, sizeof g_line, "%s", g_section);
  va_list args;
  va_start(args, format);
  int more = vsnprintf(g_line + used, sizeof g_line - used, format, args);
  va_end(args);
  uint32_t len = static_cast<uint32_t>(used);
  if (more > 0) len += static_cast<uint32_t>(more);
  if (len >= sizeof g_line) len = sizeof g_line - 1;
  PlatformTraceLine(g_line, len);
}

const char* TraceText(int slot, const char* ansi, bool quoted) {
  PlatformAnsiToUtf8(ansi, g_utf8, sizeof g_utf8);
  return QuoteUtf8(slot, quoted);
}

const char* TraceTypeName(uint32_t type, char* buf, uint32_t size) {
  static const char* const kNames[] = {
      "REG_NONE",  "REG_SZ",   "REG_EXPAND_SZ",        "REG_BINARY",
      "REG_DWORD", "REG_DWORD_BIG_ENDIAN", "REG_LINK", "REG_MULTI_SZ"};
  if (type < sizeof kNames / sizeof kNames[0]) return kNames[type];
  snprintf(buf, size, "type %u", type);
  return buf;
}

void TraceFinish(PlatformCommit outcome, long error) {
  TraceSection("");
  switch (outcome) {
    case kCommitNothing:
      TraceEvent("commit: nothing to write, no entry was written");
      break;
    case kCommitUnchanged:
      TraceEvent("commit: unchanged, every key already held its value");
      break;
    case kCommitWritten:
      TraceEvent("commit: written");
      break;
    case kCommitReadOnly:
      TraceEvent("commit: the variables file is read-only and was left alone");
      break;
    case kCommitUnreadable:
      TraceEvent(
          "commit: the variables file cannot be read and was left alone");
      break;
    case kCommitBusy:
      TraceEvent(
          "commit: busy, another run or program held the variables file: the "
          "old file was kept, platform error %ld",
          error);
      break;
    case kCommitFailed:
      TraceEvent("commit: failed, platform error %ld", error);
      break;
  }
  PlatformTraceClose();
}
