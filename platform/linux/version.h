// The host's version probe on Unix files: what the Platform* version calls
// do once the DOS path is resolved.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

// The version resource located for the last file asked, with the file's
// identity, and the block the platform fills from it with its root already
// queried: the size call locates, fills and queries, and the read call of
// the same file copies the block.
struct HostVersionState {
  bool valid = false;
  std::string path;
  struct stat identity = {};         // device, inode, size, modification time
  std::vector<unsigned char> bytes;  // the resource
  std::vector<unsigned char> block;  // filled and queried
  uint32_t dataLen = 0;              // resource bytes in the block
  uint32_t rootOffset = 0;           // the root record in the block
  uint32_t rootLen = 0;
};

// The block size the platform reports for the file, 0 when it has no usable
// version information. Opens without blocking and reads only regular files;
// reads the headers, the resource directory and the resource, never the
// rest of the file.
uint32_t HostVersionInfoSize(const char* unixPath);

// The file's block as the platform fills it, its root queried: the one the
// size call located when it is the same file, without opening it again.
// Null when the file has no usable version information.
const HostVersionState* HostVersionInfoRead(const char* unixPath);
