#include "platform/posix/registry_hive.h"

#include <cstdio>
#include <cstring>

#include "platform/posix/registry_escape.h"
#include "platform/posix/registry_fold.h"
#include "platform/posix/registry_value.h"

namespace {

const char kSignature[] = "WINE REGISTRY Version 2";
const char kRelative[] = ";; All keys relative to ";

// Collapses empty path elements: "A\\\B\" -> "A\B".
void NormalizePath(std::u16string& path) {
  size_t out = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == u'\\' && (out == 0 || path[out - 1] == u'\\')) continue;
    path[out++] = path[i];
  }
  if (out > 0 && path[out - 1] == u'\\') --out;
  path.resize(out);
}

// The key for the path, created with every missing ancestor.
int32_t InternKey(RegHive& hive, std::u16string& path) {
  auto found = hive.index.find(path);
  if (found != hive.index.end()) return found->second;
  int32_t result = -1;
  // Insert the key, then its ancestors until one is already present (its own
  // ancestors were inserted with it).
  for (;;) {
    auto inserted =
        hive.index.emplace(path, static_cast<int32_t>(hive.keys.size()));
    if (!inserted.second) break;
    hive.keys.push_back(RegKey{&inserted.first->first, -1, -1});
    if (result < 0) result = inserted.first->second;
    size_t cut = path.rfind(u'\\');
    path.resize(cut == std::u16string::npos ? 0 : cut);
  }
  return result;
}

// The account of user.reg's header ";; All keys relative to
// REGISTRY\\User\\S-...", folded; empty for any other header.
std::u16string HeaderUser(const char* b, const char* e) {
  size_t n = sizeof kRelative - 1;
  if (static_cast<size_t>(e - b) < n || memcmp(b, kRelative, n) != 0) return {};
  std::u16string path;
  std::u16string part;
  const char* p = b + n;
  // The path is escaped as key names are; elements are separated by "\\".
  while (p < e) {
    const char* sep = p;
    while (sep + 1 < e && !(sep[0] == '\\' && sep[1] == '\\')) ++sep;
    if (sep + 1 >= e) sep = e;
    part.clear();
    for (const char* c = p; c < sep; ++c)
      part.push_back(static_cast<unsigned char>(*c));
    RegFoldName(part);
    path += part;
    path.push_back(u'\\');
    p = sep < e ? sep + 2 : e;
  }
  const std::u16string prefix = u"REGISTRY\\USER\\";
  if (path.size() <= prefix.size() + 1 ||
      path.compare(0, prefix.size(), prefix) != 0)
    return {};
  std::u16string user =
      path.substr(prefix.size(), path.size() - prefix.size() - 1);
  if (user.find(u'\\') != std::u16string::npos) return {};
  return user;
}

}  // namespace

void RegIndexHive(std::string text, RegHive& hive) {
  hive = RegHive();
  hive.text = std::move(text);
  const char* base = hive.text.data();
  const char* limit = base + hive.text.size();
  const char* cursor = base;
  const char *b, *e;
  if (!RegNextLine(cursor, limit, &b, &e) ||
      static_cast<size_t>(e - b) != sizeof kSignature - 1 ||
      memcmp(b, kSignature, sizeof kSignature - 1) != 0)
    return;
  hive.loaded = true;
  hive.index.reserve(hive.text.size() / 128 + 16);
  std::u16string root;
  InternKey(hive, root);

  int32_t open = -1;  // the block being filled, or -1 after a bad key line
  bool firstLine = true;
  std::u16string path;
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
      path.clear();
      if (RegUnescape(s + 1, e, ']', &path) == 0) continue;
      RegFoldName(path);
      NormalizePath(path);
      int32_t key = InternKey(hive, path);
      if (key < 0) continue;
      RegBlock block{static_cast<uint32_t>(cursor - base),
                     static_cast<uint32_t>(hive.text.size()), -1};
      open = static_cast<int32_t>(hive.blocks.size());
      hive.blocks.push_back(block);
      RegKey& k = hive.keys[key];
      if (k.lastBlock >= 0)
        hive.blocks[k.lastBlock].next = open;
      else
        k.firstBlock = open;
      k.lastBlock = open;
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
      }
    }
  }
}

void RegLoadHive(const std::string& path, RegHive& hive) {
  hive = RegHive();
  FILE* f = fopen(path.c_str(), "rb");
  if (f == nullptr) return;
  std::string text;
  char chunk[65536];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
  bool failed = ferror(f) != 0;
  fclose(f);
  if (failed || text.size() >= 0xFFFFFFF0u) return;
  RegIndexHive(std::move(text), hive);
}

int32_t RegFindKey(const RegHive& hive, const std::u16string& foldedPath) {
  if (!hive.loaded) return -1;
  auto found = hive.index.find(foldedPath);
  return found == hive.index.end() ? -1 : found->second;
}
