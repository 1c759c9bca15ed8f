// The files the lookups find: C:\lab\... in the prefix, holding the version
// fixtures under the names the registry values point at.
#pragma once

#include <string>

// Directory components whose paths with "\editor.exe" come to exactly 259
// bytes (C:\lab\ + 241 bytes) and to 260 bytes (242 bytes).
std::string FitsExactlyDirName();
std::string CutByOneDirName();

// Creates the lab tree. Fails when a fixture was not built.
bool InstallLabFiles(std::string* error);
