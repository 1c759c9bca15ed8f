// DOS paths, as registry values hold them, resolved on the host as Wine
// resolves them for GetFileAttributesA: drive letters through the prefix's
// dosdevices/, each component matched without regard to case.
#pragma once

#include <string>

// The directory listings and drive mappings read so far.
struct HostPathState {};

// What a DOS path names on the host.
enum class DosPathKind { kMissing, kFile, kDirectory, kDevice };

// Resolves an ANSI DOS path. When it names something that GetFileAttributesA
// would report, returns its kind and, for files and directories, the Unix
// path in `unixPath`; kMissing otherwise. kDevice is a DOS device name
// (NUL, CON, ...), which exists in every directory and has no Unix path.
DosPathKind HostResolveDosPath(const char *dosPath, std::string &unixPath);

// A Unix path as Wine shows it to a program: on the drive whose root holds
// it deepest, with backslashes. Empty when no drive holds it.
std::u16string HostDosFormOf(const std::string &unixPath);

// Forgets the directory listings and drive mappings read so far. A run reads
// each directory at most once; tests that change the tree call this.
void HostForgetDirectoryListings();
