// The host registry's key index on files written here: headers that repeat
// the previous header's bytes (the index starts after a shared separator),
// escapes whose extent depends on the next byte, keys written several times,
// many keys (the table grows), deep paths, and linked, replaced and empty
// files.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "tests/unit/registry_prefix_fixture.h"

#include "platform/platform.h"

namespace {

// A system.reg without a SID line.
const char kIndexHeader[] = "WINE REGISTRY Version 2\n#arch=win64\n\n";

class RegistryIndex : public RegistryPrefixTest {
 protected:
  void Write(const std::string& name, const std::string& body) {
    RegistryPrefixTest::Write(name, body, kIndexHeader);
  }
};

// The string value's text, "open N" or "query N" on failure.
std::string Text(const char* key, const char* name) {
  RegAnswer a = AskRegistry(kKeyLocalMachine, key, name);
  if (a.open != 0) return "open " + std::to_string(a.open);
  if (a.query != 0) return "query " + std::to_string(a.query);
  return std::string(reinterpret_cast<char*>(a.data), a.size ? a.size - 1 : 0);
}

TEST_F(RegistryIndex, HeadersThatShareBytes) {
  Write("system.reg",
        // "\x5c" is a separator only before a byte that is no hex digit:
        // the second header names one key, Lab U+5C0F.
        "[Lab\\x5cSub] 1\n\"v\"=\"sub\"\n"
        "[Lab\\x5c0f] 1\n\"v\"=\"cjk\"\n"
        // An octal escape of two digits takes a third one after it.
        "[Oct\\\\\\34] 1\n\"v\"=\"fs\"\n"
        "[Oct\\\\\\341] 1\n\"v\"=\"a-acute\"\n"
        // The whole previous path, then more below it; then a sibling that
        // shares a prefix of the last name only.
        "[Tree\\\\Branch] 1\n\"v\"=\"branch\"\n"
        "[Tree\\\\Branch\\\\Leaf] 1\n\"v\"=\"leaf\"\n"
        "[Tree\\\\BranchX] 1\n\"v\"=\"x\"\n"
        "[Tree\\\\Bran] 1\n\"v\"=\"bran\"\n"
        // Empty elements, an escaped bracket, case and escapes spelling the
        // same name as plain bytes.
        "[Tree\\\\\\\\Branch\\\\\\\\Leaf\\\\\\\\] 1\n\"w\"=\"again\"\n"
        "[Br\\]ack\\\\x] 1\n\"v\"=\"bracket\"\n"
        "[tREE\\\\\\x42ranch] 1\n\"w\"=\"escaped\"\n");
  const struct {
    const char* key;
    const char* name;
    std::string text;
  } cases[] = {
      {"Lab\\Sub", "v", "sub"},
      {"Lab\\0f", "v", "open 2"},
      {"Lab", "v", "query 2"},
      {"Oct\\\x1C", "v", "fs"},
      {"Oct\\\xE1", "v", "a-acute"},
      {"Oct\\\xC1", "v", "a-acute"},
      {"Oct\\\x1C"
       "1",
       "v", "open 2"},
      {"Tree\\Branch", "v", "branch"},
      {"Tree\\Branch", "w", "escaped"},
      {"Tree\\Branch\\Leaf", "v", "leaf"},
      {"Tree\\Branch\\Leaf", "w", "again"},
      {"Tree\\BranchX", "v", "x"},
      {"Tree\\Bran", "v", "bran"},
      {"Tree\\BranchX\\Leaf", "v", "open 2"},
      {"Br]ack\\X", "v", "bracket"},
      {"Br", "v", "open 2"},
  };
  for (const auto& c : cases) EXPECT_EQ(Text(c.key, c.name), c.text) << c.key;
  HostSelectCodePage(932);
  // U+5C0F in code page 932.
  EXPECT_EQ(Text("Lab\x8F\xAC", "v"), "cjk");
}

TEST_F(RegistryIndex, KeyWrittenSeveralTimes) {
  Write("system.reg",
        "[K] 1\n\"a\"=\"1\"\n\"b\"=\"1\"\n\"a\"=\"1b\"\n"
        "[Other] 1\n\"a\"=\"other\"\n"
        "[k] 1\n\"a\"=\"2\"\n\"c\"=\"2\"\n"
        "[Other\\\\Deep] 1\n"
        "[\\x4b] 1\n\"a\"=\"3\"\n"
        "[K\\\\] 1\n\"d\"=\"4\"\n");
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"a", "3"}, {"b", "1"}, {"c", "2"}, {"d", "4"}, {"e", "query 2"},
  };
  for (const auto& c : cases) EXPECT_EQ(Text("K", c.name), c.text) << c.name;
  EXPECT_EQ(Text("Other", "a"), "other");
}

TEST_F(RegistryIndex, WrappedHexLinesAreNotHeaders) {
  // The index skips from header to header; a line that only looks like one
  // must still count as data of the hex value before it.
  Write("system.reg",
        "[A] 1\n\"bin\"=hex:01,02,\\\n[Fake] 1\n\"after\"=\"a\"\n"
        "[B] 1\n\"s\"=\"text\n[C] brackets\"\n"
        "  \t[D] 1\n\"w\"=hex:01,\\\n  02,\\\n\n[E] 1\n\"v\"=\"e\"\n"
        "\"p\"=\"C:\\\\dir\\\\\"\n[F] 1\n\"v\"=\"f\"\n"
        "\"x\\\"hex\"=hex(2):41,00,\\\n   [G] 1\n\"g\"=\"in F\"\n"
        "@=hex:00,\\ ignored\n[H] 1\n[I] 1\n\"v\"=\"i\"\n");
  const struct {
    const char* key;
    const char* name;
    std::string text;
  } cases[] = {
      {"A", "after", "a"},     {"Fake", "after", "open 2"},
      {"B", "s", ""},          {"C", "v", "query 2"},
      {"D", "v", "query 2"},   {"E", "v", "e"},
      {"E", "p", "C:\\dir\\"}, {"F", "v", "f"},
      {"F", "g", "in F"},      {"G", "g", "open 2"},
      {"H", "v", "open 2"},    {"I", "v", "i"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Text(c.key, c.name), c.text) << c.key << " " << c.name;
}

// Names that take every way through the hash: lengths around multiples of
// four, lower case, escapes and bytes of 0x80 or more.
std::string Spelled(int i, bool variant) {
  static const char* const kStems[] = {
      "k", "Key", "KEYS", "keyed", "\\x4b\\x65y", "caf\\x00e9", "q\\x71Q"};
  static const char* const kAnsiStems[] = {"K",   "KEY",     "keys", "KEYED",
                                           "Key", "CAF\xc9", "QQQ"};
  int stem = i % 7;
  std::string s = variant ? kAnsiStems[stem] : kStems[stem];
  return s + std::to_string(i / 7);
}

TEST_F(RegistryIndex, ManyKeysGrowTheTable) {
  // Short headers and no values: far more keys than the file's size
  // suggests, so the table is rebuilt several times.
  const int kKeys = 6000;
  std::string body;
  for (int i = 0; i < kKeys; ++i) {
    body += "[Many\\\\" + Spelled(i, false) + "]\n";
    if (i % 500 == 0) body += "\"n\"=\"" + std::to_string(i) + "\"\n";
  }
  Write("system.reg", body);
  for (int i = 0; i < kKeys; ++i) {
    std::string key = "Many\\" + Spelled(i, true);
    PlatformKey k;
    ASSERT_EQ(PlatformRegOpenKey(kKeyLocalMachine, key.c_str(), &k), 0) << key;
    if (i % 500 == 0) {
      EXPECT_EQ(Text(key.c_str(), "n"), std::to_string(i)) << key;
    }
  }
  // Neighbours that are not there.
  const char* const missing[] = {"Many\\K857x", "Many\\K858", "Many\\KEYS",
                                 "Many\\QQQ857"};
  for (const char* key : missing) {
    PlatformKey k;
    EXPECT_EQ(PlatformRegOpenKey(kKeyLocalMachine, key, &k), 2) << key;
  }
}

TEST_F(RegistryIndex, DeepPaths) {
  // More levels than the index remembers from one header to the next.
  std::string deep, query;
  for (int i = 0; i < 300; ++i) {
    deep += (i ? "\\\\" : "") + std::to_string(i % 10);
    query += (i ? "\\" : "") + std::to_string(i % 10);
  }
  Write("system.reg", "[" + deep + "] 1\n\"v\"=\"deep\"\n[" + deep +
                          "\\\\x] 1\n\"v\"=\"below\"\n[" +
                          deep.substr(0, deep.size() - 1) +
                          "y] 1\n\"v\"=\"beside\"\n");
  std::string below = query + "\\x";
  std::string beside = query.substr(0, query.size() - 1) + "y";
  EXPECT_EQ(Text(query.c_str(), "v"), "deep");
  EXPECT_EQ(Text(below.c_str(), "v"), "below");
  EXPECT_EQ(Text(beside.c_str(), "v"), "beside");
}

TEST_F(RegistryIndex, LinkedReplacedAndEmptyFiles) {
  // A file with a second name, or reached through a symbolic link, may be
  // rewritten in place by the Wine server, so it is read, not mapped; the
  // answers are the same.
  Write("real.reg", "[Lab] 1\n\"v\"=\"linked\"\n");
  std::string real = dir_ + "/real.reg", sys = dir_ + "/system.reg";
  const struct {
    const char* how;
    int (*make)(const char*, const char*);
  } cases[] = {{"hard link", link}, {"symbolic link", symlink}};
  for (const auto& c : cases) {
    unlink(sys.c_str());
    ASSERT_EQ(c.make(real.c_str(), sys.c_str()), 0) << c.how;
    Fresh();
    EXPECT_EQ(Text("Lab", "v"), "linked") << c.how;
  }
  // A lone file is mapped; the server replaces it by renaming a new file
  // over it, and what was read stays readable until it is read again.
  unlink(sys.c_str());
  Write("system.reg", "[Lab] 1\n\"v\"=\"first\"\n");
  EXPECT_EQ(Text("Lab", "v"), "first");
  ASSERT_TRUE(WriteBytes(dir_ + "/new.reg", std::string(kIndexHeader) +
                                                "[Lab] 1\n\"v\"=\"second\"\n"));
  ASSERT_EQ(rename((dir_ + "/new.reg").c_str(), sys.c_str()), 0);
  EXPECT_EQ(Text("Lab", "v"), "first");
  Fresh();
  EXPECT_EQ(Text("Lab", "v"), "second");
  // A file of no bytes is not a registry file.
  ASSERT_TRUE(WriteBytes(sys, ""));
  Fresh();
  EXPECT_EQ(Text("Lab", "v"), "open 2");
}

}  // namespace
