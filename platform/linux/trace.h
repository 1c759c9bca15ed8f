// The host's trace: the seam's trace calls, and what the platform adds to
// the trace itself.
#pragma once

// Whether INSTPROBE_TRACE opened a trace for this run.
bool HostTracing();
