// The host's trace: the seam's trace calls, and what the platform adds to
// the trace itself.
#pragma once

#include <cstddef>

// Where the trace goes (-1: no trace) and the lines not yet written.
struct HostTraceState {
  int fd = -1;
  size_t used = 0;
  char buffer[1 << 16];
};

// Whether INSTPROBE_TRACE opened a trace for this run.
bool HostTracing();
