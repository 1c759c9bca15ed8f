// Turns one search entry into a directory and a version.
#pragma once

#include <cstdint>

#include "pathtext/pathtext.h"

// What one entry produces. Owned by the driver, cleared before each entry.
struct ProbeResult {
  char foundDir[kPathBufferSize];  // the reported directory, or empty
  char versionText[32];            // decimal major version, or empty
};

// Reads the registry value that regKey names (ROOT\KEY PATH\VALUE NAME) as a
// directory, tests for fileName there and, when it exists, reads its major
// version. Sets only what it finds; the rest stays as the caller cleared it.
void ProbeInstallLocation(const char* regKey, const char* fileName,
                          ProbeResult* result);

// The file version's most significant 32 bits (major << 16 | minor) of the
// file at path, or 0 when it has no usable version information.
uint32_t ReadMajorVersion(const char* path);
