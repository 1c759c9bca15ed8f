// Temporary folders, whole files and the source tree, for every test program.
#pragma once

#include <string>
#include <vector>

// Makes a new folder /tmp/<stem>-XXXXXX; empty when it cannot.
std::string MakeTempDir(const std::string& stem);

// Removes a folder and everything in it, read-only folders included; quiet
// when it is already gone.
void RemoveTree(const std::string& path);

// One folder for the whole test program: made on first use, removed when
// the program exits.
const std::string& ProgramTempDir();

bool WriteBytes(const std::string& path, const std::string& bytes);
// False when the file cannot be opened (for example, it does not exist).
bool ReadBytes(const std::string& path, std::string* bytes);
// The file's bytes; empty when it cannot be read.
std::string FileBytes(const std::string& path);
// The lines of `text`, each without its '\n' (a '\r' before it stays).
std::vector<std::string> Lines(const std::string& text);
bool PathExists(const std::string& path);

// A file of the source tree, such as "tests/wine-probes/registry/query.cpp".
std::string SourcePath(const std::string& relative);
