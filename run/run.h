// Run control: the walk over the search list and the variables-file writer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "probe/probe.h"

// Capacities of the search entry's texts and the limits they are read with.
const size_t kRegKeyBufferSize = 264;
const uint32_t kRegKeyReadLimit = 260;
const size_t kFileNameBufferSize = 260;
const uint32_t kFileNameReadLimit = 256;
const size_t kVarNameBufferSize = 110;
const uint32_t kVarNameReadLimit = 101;

// The three texts of one section of the search list.
struct SearchEntry {
  char regKey[kRegKeyBufferSize];
  char fileName[kFileNameBufferSize];
  char varName[kVarNameBufferSize];
};

// Reads "stpsrch.ini" beside the executable and writes "stvar.ini" beside
// it. Returns 0, the process's exit status, whatever happens.
int RunSearchList();

// Fills listPath and varsPath (kPathBufferSize bytes each) with the paths of
// "stpsrch.ini" and "stvar.ini" beside the executable. False when the
// executable's path is unknown, cut, or its directory too long for them.
bool FindFilesBesideExecutable(char* listPath, char* varsPath);

// Walks the search list at listPath and writes what each entry's probe
// found into the variables file at varsPath, then commits the files.
void RunSearchListFiles(const char* listPath, const char* varsPath);

// Writes the four keys of one entry. varName's buffer (kVarNameBufferSize)
// receives the suffixes in place; rootText is a free 264-byte buffer.
void WriteEntryVariables(const char* varsPath, char* varName,
                         const ProbeResult* result, char* rootText);
