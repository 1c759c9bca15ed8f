// One Wine registry file (system.reg, user.reg or userdef.reg) held in memory
// and indexed by key: every key header is decoded into a folded path that
// maps to the byte ranges of the key's blocks. Values are decoded only when a
// key is queried (see registry_value.h).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// The lines after one key header, up to the next header.
struct RegBlock {
  uint32_t begin;
  uint32_t end;
  int32_t next;  // the key's next block (a key may be written twice), or -1
};

struct RegKey {
  const std::u16string* path;  // folded, '\'-separated, "" for the root
  int32_t firstBlock;          // -1 for a key present only as a prefix
  int32_t lastBlock;
};

struct RegHive {
  bool loaded = false;
  std::string text;
  std::unordered_map<std::u16string, int32_t> index;  // folded path -> key
  std::vector<RegKey> keys;                           // keys[0] is the root
  std::vector<RegBlock> blocks;
  std::u16string user;  // folded account named by the header, if any
};

// Reads and indexes the file. A missing or unreadable file, or one without
// the "WINE REGISTRY Version 2" first line, leaves the hive not loaded.
void RegLoadHive(const std::string& path, RegHive& hive);

// Indexes text already in memory (the loader's second half).
void RegIndexHive(std::string text, RegHive& hive);

// The key with this folded path, or -1.
int32_t RegFindKey(const RegHive& hive, const std::u16string& foldedPath);

// Splits text into lines as Wine's loader reads them: at '\n', with one '\r'
// before it dropped. Returns false at the limit.
inline bool RegNextLine(const char*& cursor, const char* limit,
                        const char** begin, const char** end) {
  if (cursor >= limit) return false;
  const char* b = cursor;
  const char* nl = static_cast<const char*>(
      __builtin_memchr(b, '\n', static_cast<size_t>(limit - b)));
  const char* e = nl != nullptr ? nl : limit;
  cursor = nl != nullptr ? nl + 1 : limit;
  if (e > b && e[-1] == '\r') --e;
  *begin = b;
  *end = e;
  return true;
}

inline bool RegIsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

inline const char* RegSkipSpaces(const char* p, const char* end) {
  while (p < end && RegIsSpace(*p)) ++p;
  return p;
}
