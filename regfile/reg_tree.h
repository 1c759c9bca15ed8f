// The registry of a Wine prefix as one tree over its registry files, and the
// lookups RegOpenKeyA and RegQueryValueExA make in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "regfile/reg_index.h"
#include "regfile/reg_value.h"

// The places of the tree: the three files, and the keys above them that
// hold no values.
enum : int {
  kRegMachine = 0,  // system.reg: \Registry\Machine
  kRegUser = 1,     // user.reg: \Registry\User\<its account>
  kRegDefault = 2,  // userdef.reg: \Registry\User\.Default
  kRegUsers = 3,    // \Registry\User: the accounts
  kRegRoot = 4,     // \Registry: Machine and User
  kRegEmpty = 5,    // a predefined key whose path is missing
};

struct RegLocation {
  int node;
  int32_t key;  // the key in the node's hive
};

enum class RegRoot {
  kClassesRoot,
  kCurrentUser,
  kLocalMachine,
  kUsers,
  kCurrentConfig
};
const int kRegRootCount = 5;

struct RegTree {
  RegHive hives[3];  // by node: kRegMachine, kRegUser, kRegDefault
  // Set by RegTreeSettle: whether lookups take Wine's 32-bit view, the
  // shared key Software\Classes\Wow6432Node of system.reg (-1 when
  // missing), and where each predefined key leads.
  bool wow64 = false;
  int32_t shared = -1;
  bool rootRead[kRegRootCount] = {};
  RegLocation roots[kRegRootCount] = {};
};

// The program the lookups answer for. Wine gives a 32-bit program in a
// 64-bit prefix (system.reg says "#arch=win64") the 32-bit view of the
// registry; a 64-bit program, and any program in a 32-bit prefix (a
// system.reg with "#arch=win32" or none), sees the keys as stored.
enum class RegProgram { k64Bit, k32Bit };

// Chooses the view for the hives read and places the predefined keys in it;
// called once the hives are indexed.
void RegTreeSettle(RegTree& reg, RegProgram program);

// Where a predefined key leads; false when its file was not read.
bool RegTreeRoot(const RegTree& reg, RegRoot root, RegLocation* out);

// The key `path` names below `at`: elements separated by '\', empty ones
// vanishing, names compared folded, links followed; in the 32-bit view,
// redirected through Wow6432Node keys as Wine's server redirects them.
// False when missing.
bool RegTreeOpen(const RegTree& reg, RegLocation at, const char16_t* path,
                 size_t len, RegLocation* out);

// Whether `at` is a place of this tree.
bool RegTreeHas(const RegTree& reg, RegLocation at);

// The value of that name (compared folded) at `at`; false when missing.
bool RegTreeFindValue(const RegTree& reg, RegLocation at,
                      const std::u16string& name, RegValue* out);
