// The host's trace: the seam's trace calls, and what the platform adds to
// the trace itself.
#pragma once

// Where the trace goes and the lines not yet written.
struct HostTraceState {};

// Whether INSTPROBE_TRACE opened a trace for this run.
bool HostTracing();
