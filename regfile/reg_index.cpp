#include "regfile/reg_index.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "regfile/reg_escape.h"
#include "regfile/reg_lexer.h"
#include "unicode/ascii_fold.h"
#include "unicode/upper_case.h"

namespace {

const char kSignature[] = "WINE REGISTRY Version 2";
const char kRelative[] = ";; All keys relative to ";

// Separators remembered from the previous key header: the next header
// usually repeats most of its path, and its keys up to a shared separator
// are already in the index.
const int kMaxCheckpoints = 256;

struct Checkpoint {
  uint32_t offset;  // just past the separator, from the path's first byte
  int32_t key;      // the key that the path names up to there
};

// The hash of a name under its parent, fed one folded unit at a time: four
// units, the first in the low 16 bits, are mixed in at once.
struct NameHash {
  uint64_t h;
  uint64_t word;
  uint32_t count;
};

inline void HashStart(NameHash& n, int32_t parent) {
  n.h = (static_cast<uint64_t>(static_cast<uint32_t>(parent)) + 1) *
        0x9E3779B97F4A7C15ull;
  n.word = 0;
  n.count = 0;
}

inline void HashMix(NameHash& n, uint64_t word) {
  n.h = (n.h ^ word) * 0xFF51AFD7ED558CCDull;
  n.h ^= n.h >> 32;
}

inline void HashAdd(NameHash& n, char16_t unit) {
  n.word |= static_cast<uint64_t>(unit) << (16 * (n.count & 3));
  if ((++n.count & 3) == 0) {
    HashMix(n, n.word);
    n.word = 0;
  }
}

inline uint32_t HashEnd(const NameHash& n) {
  uint64_t h = (n.h ^ n.word ^ (static_cast<uint64_t>(n.count) << 40)) *
               0xC4CEB9FE1A85EC53ull;
  return static_cast<uint32_t>(h >> 32);
}

// Four plain ASCII bytes (no backslash) as the folded units HashAdd would
// take one by one; false for any other bytes.
inline bool FoldFourAscii(const char* p, uint64_t* word) {
  uint32_t v = static_cast<uint32_t>(static_cast<unsigned char>(p[0])) |
               static_cast<uint32_t>(static_cast<unsigned char>(p[1])) << 8 |
               static_cast<uint32_t>(static_cast<unsigned char>(p[2])) << 16 |
               static_cast<uint32_t>(static_cast<unsigned char>(p[3])) << 24;
  uint32_t slash = v ^ 0x5C5C5C5Cu;
  if (((v | ((slash - 0x01010101u) & ~slash)) & 0x80808080u) != 0) return false;
  // Bytes from 'a' (0x61) to 'z' (0x7A) lose 0x20; no byte carries into the
  // next since all are below 0x80.
  uint32_t lower = (v + 0x1F1F1F1Fu) & ~(v + 0x05050505u) & 0x80808080u;
  v -= lower >> 2;
  *word = static_cast<uint64_t>(v & 0xFFu) |
          static_cast<uint64_t>(v & 0xFF00u) << 8 |
          static_cast<uint64_t>(v & 0xFF0000u) << 16 |
          static_cast<uint64_t>(v & 0xFF000000u) << 24;
  return true;
}

// The next folded unit of an escaped name; every escape before `end` is
// whole (see RegFindUnescaped), so the decoder never stops short.
inline char16_t NextFoldedUnit(const char*& p, const char* end) {
  unsigned char c = static_cast<unsigned char>(*p);
  if (c >= 0x80) {
    // Widened as a signed char: U+FF80-U+FFFF, which fold to themselves.
    ++p;
    return static_cast<char16_t>(0xFF00 | c);
  }
  if (c != '\\') {
    ++p;
    return AsciiUpper(static_cast<char16_t>(c));
  }
  char16_t unit = 0;
  RegUnescapeUnit(p, end, &unit);
  return UpperCaseUnit(unit);
}

// The number of leading bytes that a and b share, up to n.
size_t CommonPrefix(const char* a, const char* b, size_t n) {
  size_t i = 0;
  while (i + 8 <= n && memcmp(a + i, b + i, 8) == 0) i += 8;
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// Whether two escaped names decode to the same folded units.
bool SameName(const char* a, const char* aEnd, const char* b,
              const char* bEnd) {
  if (aEnd - a == bEnd - b && memcmp(a, b, static_cast<size_t>(aEnd - a)) == 0)
    return true;
  while (a < aEnd && b < bEnd) {
    if (NextFoldedUnit(a, aEnd) != NextFoldedUnit(b, bEnd)) return false;
  }
  return a == aEnd && b == bEnd;
}

bool SameName(const char* a, const char* aEnd, const char16_t* units,
              size_t length) {
  size_t i = 0;
  while (a < aEnd && i < length) {
    if (NextFoldedUnit(a, aEnd) != units[i++]) return false;
  }
  return a == aEnd && i == length;
}

// The hash of a key's name as RegFindChild computes it.
uint32_t KeyHash(const RegHive& hive, const RegKey& k) {
  const char* p = hive.text.get() + k.nameBegin;
  const char* end = hive.text.get() + k.nameEnd;
  NameHash n;
  HashStart(n, k.parent);
  while (p < end) HashAdd(n, NextFoldedUnit(p, end));
  return HashEnd(n);
}

inline uint32_t SlotTag(uint32_t hash) {
  return (hash >> (32 - kRegTagBits)) & ((1u << kRegTagBits) - 1);
}

void Rehash(RegHive& hive, size_t capacity) {
  hive.slots.assign(capacity, 0);
  size_t mask = capacity - 1;
  for (size_t k = 1; k < hive.keys.size(); ++k) {
    uint32_t hash = KeyHash(hive, hive.keys[k]);
    size_t i = hash & mask;
    while (hive.slots[i] != 0) i = (i + 1) & mask;
    hive.slots[i] = static_cast<uint32_t>(k) << kRegTagBits | SlotTag(hash);
  }
}

const char16_t kWow6432Node[] = u"WOW6432NODE";
const size_t kWow6432NodeLength = 11;

// Whether an escaped name is Wow6432Node.
bool IsWow6432Node(const char* name, const char* nameEnd) {
  return nameEnd - name >= static_cast<ptrdiff_t>(kWow6432NodeLength) &&
         SameName(name, nameEnd, kWow6432Node, kWow6432NodeLength);
}

// The key for the name under `parent`, added when missing; -1 when the
// index is full. A key is confirmed by its parent and its decoded name, so
// equal hashes never join two keys.
int32_t FindOrAddKey(RegHive& hive, int32_t parent, const char* name,
                     const char* nameEnd, uint32_t hash) {
  const char* base = hive.text.get();
  size_t mask = hive.slots.size() - 1;
  uint32_t tag = SlotTag(hash);
  size_t i = hash & mask;
  for (;; i = (i + 1) & mask) {
    uint32_t slot = hive.slots[i];
    if (slot == 0) break;
    if ((slot & ((1u << kRegTagBits) - 1)) != tag) continue;
    int32_t key = static_cast<int32_t>(slot >> kRegTagBits);
    const RegKey& k = hive.keys[key];
    if (k.parent == parent &&
        SameName(base + k.nameBegin, base + k.nameEnd, name, nameEnd))
      return key;
  }
  if (hive.keys.size() >= static_cast<size_t>(kRegMaxKeys)) return -1;
  int32_t key = static_cast<int32_t>(hive.keys.size());
  hive.keys.push_back(RegKey{parent, static_cast<uint32_t>(name - base),
                             static_cast<uint32_t>(nameEnd - base), -1});
  hive.slots[i] = static_cast<uint32_t>(key) << kRegTagBits | tag;
  // Wine remembers a Wow6432Node child on its parent when the key is made,
  // unless the parent is a Wow6432Node itself.
  const RegKey& up = hive.keys[parent];
  if (IsWow6432Node(name, nameEnd) &&
      !IsWow6432Node(base + up.nameBegin, base + up.nameEnd))
    hive.wow6432nodes.push_back(RegWow6432Node{parent, key});
  if (hive.keys.size() * 10 > hive.slots.size() * 7)
    Rehash(hive, hive.slots.size() * 2);
  return key;
}

// What the previous key header left for the next one.
struct PathMemory {
  const char* path = nullptr;  // the last path indexed, or null
  size_t length = 0;
  int32_t key = 0;  // the key it named
  Checkpoint cps[kMaxCheckpoints];
  int count = 0;
};

// The last element of a key path, looked up only when the next header is
// reached: its slot is prefetched meanwhile, so the table's cache miss
// overlaps the scan of the key's values.
struct PendingKey {
  bool waiting = false;
  int32_t parent = 0;
  const char* name = nullptr;
  const char* nameEnd = nullptr;
  uint32_t hash = 0;
  int32_t block = -1;  // the block that the header opened
};

// Drops the previous path, so that the next header is walked from the root.
void ClearPreviousPath(PathMemory& memory) {
  memory.path = nullptr;
  memory.count = 0;
}

// Gives the pending key its number and its block.
void Settle(RegHive& hive, PendingKey& pending, PathMemory& memory) {
  if (!pending.waiting) return;
  pending.waiting = false;
  int32_t key = FindOrAddKey(hive, pending.parent, pending.name,
                             pending.nameEnd, pending.hash);
  if (key < 0) {
    // The index is full: the block belongs to no key.
    ClearPreviousPath(memory);
    return;
  }
  RegKey& k = hive.keys[key];
  hive.blocks[pending.block].previous = k.lastBlock;
  k.lastBlock = pending.block;
  memory.key = key;
}

// Indexes the key path from `path` to its closing bracket and every key
// above it. The path's elements are separated by '\' units, empty ones
// vanish. The walk starts after the last separator of the previous path
// whose bytes this path repeats, or after the whole previous path when this
// one goes on below it. Only two-byte "\\" separators are remembered: the
// extent of any other escape depends on the byte after it. The key's own
// element is left in `pending` (its parent and hash known), to be settled
// later; a path that ends in a separator names its parent at once, in
// memory.key. Returns false when the index is full.
bool IndexPath(RegHive& hive, const char* path, const char* close,
               PathMemory& memory, PendingKey* pending) {
  size_t length = static_cast<size_t>(close - path);
  size_t shared = 0;
  int n = 0;
  if (memory.path != nullptr) {
    shared = CommonPrefix(path, memory.path, std::min(length, memory.length));
    n = memory.count;
  }
  Checkpoint* cps = memory.cps;
  while (n > 0 && cps[n - 1].offset > shared) --n;
  int32_t parent = n > 0 ? cps[n - 1].key : 0;
  size_t start = n > 0 ? cps[n - 1].offset : 0;
  if (memory.path != nullptr && shared == memory.length &&
      length >= shared + 2 && path[shared] == '\\' &&
      path[shared + 1] == '\\') {
    parent = memory.key;
    start = shared + 2;
    if (n < kMaxCheckpoints)
      cps[n++] = Checkpoint{static_cast<uint32_t>(start), parent};
  }
  const char* p = path + start;
  const char* name = p;
  NameHash hash;
  HashStart(hash, parent);
  while (p < close) {
    uint64_t four;
    if ((hash.count & 3) == 0 && close - p >= 4 && FoldFourAscii(p, &four)) {
      HashMix(hash, four);
      hash.count += 4;
      p += 4;
      continue;
    }
    const char* at = p;
    char16_t unit = NextFoldedUnit(p, close);
    if (unit != u'\\') {
      HashAdd(hash, unit);
      continue;
    }
    if (hash.count > 0) {
      parent = FindOrAddKey(hive, parent, name, at, HashEnd(hash));
      if (parent < 0) break;
      HashStart(hash, parent);
    }
    name = p;
    if (p - at == 2 && at[1] == '\\' && n < kMaxCheckpoints)
      cps[n++] = Checkpoint{static_cast<uint32_t>(p - path), parent};
  }
  if (parent < 0) {
    ClearPreviousPath(memory);
    return false;
  }
  memory.path = path;
  memory.length = length;
  memory.key = parent;
  memory.count = n;
  if (hash.count > 0) {
    // The key itself is the element after the last separator.
    pending->waiting = true;
    pending->parent = parent;
    pending->name = name;
    pending->nameEnd = close;
    pending->hash = HashEnd(hash);
    __builtin_prefetch(&hive.slots[pending->hash & (hive.slots.size() - 1)]);
  }
  return true;
}

// The account of user.reg's header ";; All keys relative to
// REGISTRY\\User\\S-...", folded; empty for any other header.
std::u16string HeaderUser(const char* b, const char* e) {
  size_t n = sizeof kRelative - 1;
  if (static_cast<size_t>(e - b) < n || memcmp(b, kRelative, n) != 0) return {};
  // The path is escaped as key names are; elements are separated by "\\".
  std::u16string path;
  bool separated = false;  // whether the path ends with a separator
  for (const char* p = b + n; p < e; ++p) {
    separated = p + 1 < e && p[0] == '\\' && p[1] == '\\';
    path.push_back(separated ? u'\\'
                             : UpperCaseUnit(static_cast<unsigned char>(*p)));
    p += separated;
  }
  if (!separated) path.push_back(u'\\');
  const std::u16string prefix = u"REGISTRY\\USER\\";
  if (path.size() <= prefix.size() + 1 ||
      path.compare(0, prefix.size(), prefix) != 0)
    return {};
  std::u16string user =
      path.substr(prefix.size(), path.size() - prefix.size() - 1);
  if (user.find(u'\\') != std::u16string::npos) return {};
  return user;
}

// Inside a key's block only header lines matter to the index (values are
// decoded when a key is queried), so the scan can go from one '[' that
// begins a line to the next, provided the line before that '[' cannot be
// wrapped hex data going on into it. A line without a backslash never goes
// on; when the line before holds one, the block is read line by line from
// `from` instead. Returns where to read on: the start of the next header
// line, `from` when unsure, or `limit` when no header follows.
const char* NextHeaderLine(const char* from, const char* limit) {
  const char* c = from;
  for (;;) {
    c = static_cast<const char*>(
        memchr(c, '[', static_cast<size_t>(limit - c)));
    if (c == nullptr) return limit;
    const char* line = c;
    while (line > from && line[-1] != '\n' && RegIsSpace(line[-1])) --line;
    if (line == from) return from;  // the header right after the last one
    if (line[-1] == '\n') break;
    ++c;  // a '[' inside a line
  }
  const char* line = c;
  while (line[-1] != '\n') --line;
  const char* before = line - 1;
  while (before > from && before[-1] != '\n') --before;
  if (memchr(before, '\\', static_cast<size_t>(line - before)) != nullptr)
    return from;
  return line;
}

}  // namespace

void RegIndexHive(RegText text, size_t size, RegHive& hive, bool everyLine,
                  RegArrayMemory arrays) {
  hive = RegHive(arrays);
  hive.text = std::move(text);
  const char* base = hive.text.get();
  const char* limit = base + size;
  const char* cursor = base;
  const char *b, *e;
  if (base == nullptr || !RegNextLine(cursor, limit, &b, &e) ||
      static_cast<size_t>(e - b) != sizeof kSignature - 1 ||
      memcmp(b, kSignature, sizeof kSignature - 1) != 0)
    return;
  hive.loaded = true;
  // Room for a key every 128 bytes, more than Wine's own files hold, so
  // that the arrays seldom grow while the file is read.
  size_t expected = size / 128 + 16;
  hive.keys.reserve(expected);
  hive.blocks.reserve(expected);
  size_t capacity = 64;
  while (capacity < expected) capacity *= 2;
  hive.keys.push_back(RegKey{-1, 0, 0, -1});
  Rehash(hive, capacity);

  PathMemory memory;
  PendingKey pending;

  int32_t open = -1;  // the block being filled, or -1 after a bad key line
  bool firstLine = true;
  while (RegNextLine(cursor, limit, &b, &e)) {
    if (firstLine) {
      hive.user = HeaderUser(b, e);
      firstLine = false;
    }
    const char* s = RegSkipSpaces(b, e);
    if (s == e) continue;
    if (*s == '[') {
      uint32_t lineStart = static_cast<uint32_t>(b - base);
      if (open >= 0) hive.blocks[open].end = lineStart;
      open = -1;
      Settle(hive, pending, memory);
      const char* close = RegFindUnescaped(s + 1, e, ']');
      if (close == nullptr) continue;
      if (!IndexPath(hive, s + 1, close, memory, &pending)) continue;
      open = static_cast<int32_t>(hive.blocks.size());
      hive.blocks.push_back(RegBlock{static_cast<uint32_t>(cursor - base),
                                     static_cast<uint32_t>(size), -1});
      if (pending.waiting) {
        pending.block = open;
      } else {
        RegKey& k = hive.keys[memory.key];
        hive.blocks[open].previous = k.lastBlock;
        k.lastBlock = open;
      }
      if (!everyLine) cursor = NextHeaderLine(cursor, limit);
    } else if ((*s == '"' || *s == '@') && open >= 0) {
      // A hex value wrapped over several lines: its continuation lines are
      // data, whatever they start with.
      cursor = RegSkipContinuation(s, e, cursor, limit);
    } else if (*s == '#' && open < 0) {
      // The only global option: an unknown architecture stops the load.
      static const char kArch[] = "#arch=";
      size_t n = sizeof kArch - 1;
      if (static_cast<size_t>(e - s) >= n && memcmp(s, kArch, n) == 0) {
        std::string arch(s + n, e);
        if (arch != "win32" && arch != "win64") break;
        hive.arch = arch == "win64" ? RegArch::kWin64 : RegArch::kWin32;
      }
    }
  }
  Settle(hive, pending, memory);
  std::sort(hive.wow6432nodes.begin(), hive.wow6432nodes.end(),
            [](const RegWow6432Node& a, const RegWow6432Node& b) {
              return a.parent < b.parent;
            });
}

int32_t RegFindChild(const RegHive& hive, int32_t parent, const char16_t* name,
                     size_t length) {
  if (!hive.loaded || hive.slots.empty() || length == 0) return -1;
  NameHash n;
  HashStart(n, parent);
  for (size_t i = 0; i < length; ++i) HashAdd(n, name[i]);
  uint32_t hash = HashEnd(n);
  const char* base = hive.text.get();
  size_t mask = hive.slots.size() - 1;
  uint32_t tag = SlotTag(hash);
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    uint32_t slot = hive.slots[i];
    if (slot == 0) return -1;
    if ((slot & ((1u << kRegTagBits) - 1)) != tag) continue;
    int32_t key = static_cast<int32_t>(slot >> kRegTagBits);
    const RegKey& k = hive.keys[key];
    if (k.parent == parent &&
        SameName(base + k.nameBegin, base + k.nameEnd, name, length))
      return key;
  }
}

int32_t RegFindWow6432Node(const RegHive& hive, int32_t key) {
  // Few keys have a Wow6432Node child: a binary search of the sorted list.
  const auto& nodes = hive.wow6432nodes;
  auto at = std::lower_bound(
      nodes.begin(), nodes.end(), key,
      [](const RegWow6432Node& n, int32_t k) { return n.parent < k; });
  return at != nodes.end() && at->parent == key ? at->child : -1;
}

bool RegIsWow6432NodeName(const std::u16string& folded) {
  return folded == kWow6432Node;
}
