// The registry values the lookups read, imported into the lab prefix from
// UTF-16LE .reg files: the common values into both views, then the values
// that differ for a 32-bit reader into the 32-bit view only.
#pragma once

#include <string>

// The value data that the lookups and the search-list corpus rely on.
std::string Long518Value();  // "C:\lab\" and x's: 518 bytes, still offered
std::string Long300Value();  // 300 bytes: read, but longer than a path
std::string LongListValue();  // a list of directories longer than a path

// Imports the values and restarts the server so that the registry files on
// disk hold them (the host build reads those files).
bool InstallLabRegistry(std::string* error);
