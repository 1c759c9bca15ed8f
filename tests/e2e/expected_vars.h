// Search lists built from entries, and the variables file that Wine's
// profile writer makes from a run's entries.
#pragma once

#include <string>
#include <vector>

struct ListEntry {
  std::string regKey;
  std::string fileName;
  std::string varName;
};

// [FILE<first>], [FILE<first+1>], ... one per entry, CRLF lines.
std::string SearchListText(const std::vector<ListEntry>& entries,
                           int firstNumber = 0);

// One written entry: the version text and the reported directory.
struct VarEntry {
  std::string varName;
  std::string version;
  std::string dir;
};

// The root key's value for a directory: its drive and a backslash, or a
// lone backslash when it has no drive.
std::string RootOf(const std::string& dir);

// The file after writing the entries in order into a missing file (or into
// a file that the earlier entries of the list wrote): sections PrgStart and
// PrivatPath, new keys at the end of their section, a repeated key replaced
// in place, CRLF after every line. Empty when there are no entries.
std::string ExpectedVarsFile(const std::vector<VarEntry>& entries);
