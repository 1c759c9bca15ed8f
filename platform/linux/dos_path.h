// DOS paths, as registry values hold them, resolved on the host as Wine
// resolves them for GetFileAttributesA: drive letters through the prefix's
// dosdevices/, each component matched without regard to case.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// What a DOS path names on the host.
enum class DosPathKind { kMissing, kFile, kDirectory, kDevice };

// What a run has read of the file system to resolve paths. A run is a
// snapshot: each directory is listed at most once, the drives are read
// once per prefix, the directories a walk passed are taken again by the
// next walk that passes them, and the path asked last is answered as before when it is
// asked again in the same code page, view and prefix (a found file's path
// is asked by the file test and by both version calls of one entry).
struct HostPathState {
  // Directory listings in readdir order, by Unix directory.
  std::map<std::string, std::vector<std::string>> listings;
  // The last walk's root and the directories it passed: each name asked
  // and the Unix directory it led to.
  std::string walkRoot;
  std::vector<std::pair<std::u16string, std::string>> walkDirs;
  // The canonical Unix directories of the drives a-z (empty: no drive),
  // and the prefix they were read from; at first none, as for no prefix.
  std::string driveRoots[26];
  std::string rootsPrefix;
  // The last path asked that needed no working directory, and its answer.
  bool lastKnown = false;
  std::string lastAsked;
  uint32_t lastPage = 0;
  bool lastRedirect32 = false;
  std::string lastPrefix;
  DosPathKind lastKind = DosPathKind::kMissing;
  std::string lastUnixPath;
};

// Resolves an ANSI DOS path. When it names something that GetFileAttributesA
// would report, returns its kind and, for files and directories, the Unix
// path in `unixPath`; kMissing otherwise. kDevice is a DOS device name
// (NUL, CON, ...), which exists in every directory and has no Unix path.
// `redirect32`: the program sees what Wine gives a 32-bit program in a
// 64-bit prefix (the file-system redirection).
DosPathKind HostResolveDosPath(const char *dosPath, bool redirect32,
                               std::string &unixPath);

// A Unix path as Wine shows it to a program: on the drive whose root holds
// it deepest, with backslashes. Empty when no drive holds it.
std::u16string HostDosFormOf(const std::string &unixPath);
