// The host's version probe on Unix files: what the Platform* version calls
// do once the DOS path is resolved.
#pragma once

#include <cstdint>

// The version resource located for the last file asked.
struct HostVersionState {};

// The block size the platform reports for the file, 0 when it has no usable
// version information. Opens without blocking and reads only regular files.
uint32_t HostVersionInfoSize(const char* unixPath);

// Fills a zeroed block of `size` bytes as the platform does; `dataLen`
// receives the number of bytes that came from the file.
bool HostVersionInfoRead(const char* unixPath, uint32_t size, void* block,
                         uint32_t* dataLen);

// Bytes read from files by the two calls above since the process started
// (tests check that a large file costs no more than a small one).
uint64_t HostVersionBytesRead();

// Forgets the located resource kept between the two calls.
void HostForgetVersionCache();
