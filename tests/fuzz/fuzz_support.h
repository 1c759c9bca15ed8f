// Small helpers the fuzz targets share: a scratch directory that lives as
// long as the process, whole-file writes and reads, and a failure report
// that stops the fuzzer with a message.
#pragma once

#include <cstddef>
#include <string>

// A fresh directory under $TMPDIR (or /tmp), removed when the process exits.
const std::string& FuzzScratchDir();

// Writes `len` bytes to path, replacing the file. Aborts on failure: a
// target that cannot lay out its input tests nothing.
void FuzzWriteFile(const std::string& path, const void* data, size_t len);

// Reads a whole file; false when it cannot be read.
bool FuzzReadFile(const std::string& path, std::string& out);

// Prints the message and aborts, which libFuzzer reports as a crash and
// saves the input that caused it.
[[noreturn]] void FuzzFail(const char* what);

// The environment variable that hands the scratch directory to a copy.
const char kFuzzScratchVariable[] = "INSTPROBE_FUZZ_SCRATCH";

// Runs a copy of the running program from <scratch>/bin in its place, once:
// a program that reads files beside itself then has a folder of its own.
// The copy adopts the scratch directory and removes it at exit.
void FuzzReexecFromScratch(char** argv);
