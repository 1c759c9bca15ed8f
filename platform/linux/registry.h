// The host registry: the Wine prefix's registry files read for the current
// context, and the keys the program has open.
#pragma once

#include <vector>

#include "regfile/reg_tree.h"

// The files read, in the program's view and in the other program's (read
// only for the trace), and the open keys: a handle is its place in `open`
// plus one; a closed key's place is free again.
struct HostRegistryState {
  bool read = false;
  bool otherRead = false;
  RegTree tree;
  RegTree other;
  std::vector<RegLocation> open;  // a free place has node -1
};

// Whether this program sees what Wine gives a 32-bit program in a 64-bit
// prefix: the registry's 32-bit view and the file-system redirection. True
// for instprobe32 when the prefix's system.reg says "#arch=win64"; reads the
// registry files when they are not read yet.
bool HostSeesWow64();
