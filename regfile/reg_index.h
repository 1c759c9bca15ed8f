// One Wine registry file (system.reg, user.reg or userdef.reg) held in memory
// and indexed by key. The index is built in one pass over the bytes: each
// key is its parent's key plus one name, found through a flat hash table of
// (parent, folded name); a key's name stays in the file's escaped text and is
// decoded again only to confirm a hash match. Values are decoded only when a
// key is queried (see reg_value.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

// The lines after one key header, up to the next header.
struct RegBlock {
  uint32_t begin;
  uint32_t end;
  int32_t previous;  // the key's block before this one, or -1
};

struct RegKey {
  int32_t parent;      // -1 for the root
  uint32_t nameBegin;  // the name's escaped bytes in the text
  uint32_t nameEnd;
  int32_t lastBlock;  // a key may be written more than once; -1 for a key
                      // present only as a prefix
};

// A slot of the open-addressed table: 0 when free, else the key's number
// shifted left by kRegTagBits over that many bits of the key's hash (the
// hash's low bits place the slot).
const int kRegTagBits = 6;

// Releases a file's bytes: through `release` (the loader that mapped them
// knows how), or with delete[] when it is null.
struct RegTextRelease {
  void (*release)(const char* text, size_t size) = nullptr;
  size_t size = 0;
  void operator()(const char* text) const {
    if (release != nullptr)
      release(text, size);
    else
      delete[] text;
  }
};
using RegText = std::unique_ptr<const char[], RegTextRelease>;

// Memory for the index's arrays: operator new when both are null, else the
// loader's own functions (the Linux host places large arrays in huge pages).
// Each array keeps the memory it was made with.
struct RegArrayMemory {
  void* (*allocate)(size_t bytes) = nullptr;
  void (*release)(void* p, size_t bytes) = nullptr;
};

template <typename T>
struct RegArrayAllocator {
  using value_type = T;
  using propagate_on_container_move_assignment = std::true_type;
  RegArrayMemory memory;
  RegArrayAllocator(const RegArrayMemory& m = {}) : memory(m) {}
  template <typename U>
  RegArrayAllocator(const RegArrayAllocator<U>& other) : memory(other.memory) {}
  T* allocate(size_t n) {
    void* p = memory.allocate ? memory.allocate(n * sizeof(T))
                              : ::operator new(n * sizeof(T));
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t n) {
    memory.release ? memory.release(p, n * sizeof(T)) : ::operator delete(p);
  }
  template <typename U>
  bool operator==(const RegArrayAllocator<U>& other) const {
    return memory.release == other.memory.release;
  }
};

template <typename T>
using RegArray = std::vector<T, RegArrayAllocator<T>>;

// The architecture a file's "#arch=" option names; Wine takes a system.reg
// without one for a 32-bit prefix.
enum class RegArch { kNone, kWin32, kWin64 };

// A key with a child named Wow6432Node, the parent not so named itself: the
// keys whose lookups Wine redirects for a 32-bit program.
struct RegWow6432Node {
  int32_t parent;
  int32_t child;
};

struct RegHive {
  explicit RegHive(const RegArrayMemory& arrays = {})
      : keys(arrays), slots(arrays), blocks(arrays), wow6432nodes(arrays) {}
  bool loaded = false;
  RegArch arch = RegArch::kNone;
  RegText text;
  RegArray<RegKey> keys;     // keys[0] is the root
  RegArray<uint32_t> slots;  // a power of two, at most 70% full
  RegArray<RegBlock> blocks;
  std::u16string user;  // folded account named by the header, if any
  RegArray<RegWow6432Node> wow6432nodes;  // sorted by parent
};

// Keys are numbered below this bound (a slot holds the number beside its
// tag); a file with more keys is indexed up to it.
const int32_t kRegMaxKeys = (1 << (32 - kRegTagBits)) - 1;

// Indexes `size` bytes of a registry file. Text without the "WINE REGISTRY
// Version 2" first line leaves the hive not loaded.
// Within a key's block the index skips from one header to the next where it
// safely can; `everyLine` reads every line instead, the slower reference
// that gives the same index. The hive's arrays take their memory from
// `arrays`.
void RegIndexHive(RegText text, size_t size, RegHive& hive,
                  bool everyLine = false, RegArrayMemory arrays = {});

// The child of `parent` with this folded name (no '\', not empty), or -1.
int32_t RegFindChild(const RegHive& hive, int32_t parent, const char16_t* name,
                     size_t length);

// The Wow6432Node child that redirects lookups through `key`, or -1.
int32_t RegFindWow6432Node(const RegHive& hive, int32_t key);

// Whether a folded name is Wow6432Node.
bool RegIsWow6432NodeName(const std::u16string& folded);
