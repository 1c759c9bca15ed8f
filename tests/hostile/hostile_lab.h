// The hostile part of the lab: registry values of every type and of sizes
// around the read limits, and the probed files that are cut short, huge,
// unreadable or not files at all, under C:\hostile.
#pragma once

#include <string>
#include <vector>

// Where the hostile registry values live (HKLM, both views).
extern const char kHostileKey[];

// The names of the values under kHostileKey that hold data of odd types and
// sizes; the lookups through them must only not misbehave.
const std::vector<std::string>& OddValueNames();

// Values whose data holds a line break: their directory must come out empty.
const std::vector<std::string>& LineBreakValueNames();

// Names of the probed files in C:\hostile (value "Dir" points there).
const std::vector<std::string>& HostileFileNames();

// Creates C:\hostile and imports the values into both registry views, then
// restarts the server so that the registry files on disk hold them.
bool InstallHostileLab(std::string* error);
