// Reading a whole file into memory.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <string>

// The system's file calls the host makes through its context, to write a
// file; the POSIX calls unless a test puts a faulty one in its context.
struct HostFileCalls {
  ssize_t (*write)(int fd, const void* data, size_t size) = ::write;
};

// Reads the regular file at `path` (or open as `fd`) whole, to its end even
// when it grows meanwhile. False, with `bytes` empty, when it cannot be
// opened or read, is not a regular file, or holds more than `maxBytes`.
bool ReadWholeFile(const char* path, uint64_t maxBytes, std::string& bytes);
bool ReadWholeFd(int fd, uint64_t maxBytes, std::string& bytes);
