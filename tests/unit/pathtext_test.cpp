// Byte-text operations in a single-byte and a double-byte code page. Code
// page 932 is the interesting one: its trail bytes include 0x5C (backslash),
// so every search and split is tested on characters such as 0x95 0x5C.
//
// The same tests run on the host and, cross-built, on Windows under Wine;
// the code page is the one the platform derives from the locale, so each
// binary runs once with a 1252 locale and once with a Japanese one, and each
// fixture runs under its own code page only.
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

#include <gtest/gtest.h>

#include "pathtext/pathtext.h"

namespace {

template <uint32_t kCodePage>
class PathTextIn : public ::testing::Test {
 protected:
  void SetUp() override {
    uint32_t active = InitPathText();
    if (active != kCodePage)
      GTEST_SKIP() << "runs under code page " << kCodePage << ", active is "
                   << active;
  }
};
using PathText1252 = PathTextIn<1252>;
using PathText932 = PathTextIn<932>;

// A buffer surrounded by guard bytes, so that any write past the capacity
// shows.
struct Guarded {
  char bytes[300];
  size_t capacity;
  explicit Guarded(size_t cap, const char* initial = "") : capacity(cap) {
    memset(bytes, 0x7E, sizeof bytes);
    memcpy(bytes, initial, strlen(initial) + 1);
  }
  char* text() { return bytes; }
  bool guardsIntact() const {
    for (size_t i = capacity; i < sizeof bytes; ++i)
      if (static_cast<unsigned char>(bytes[i]) != 0x7E) return false;
    return memchr(bytes, 0, capacity) != nullptr;
  }
};

struct CopyCase {
  const char* src;
  size_t capacity;
  size_t limit;
  const char* expected;
};

static void ExpectCopies(std::initializer_list<CopyCase> cases) {
  for (const CopyCase& c : cases) {
    Guarded dest(c.capacity);
    CopyBytes(dest.text(), c.capacity, c.src, c.limit);
    EXPECT_STREQ(dest.text(), c.expected) << c.src;
    EXPECT_TRUE(dest.guardsIntact()) << c.src;
  }
}

TEST_F(PathText1252, CopyBytesStopsAtLimitAndCapacity) {
  ExpectCopies({
      {"C:\\Tools", 264, 260, "C:\\Tools"},
      {"abcdef", 264, 3, "abc"},
      {"abcdef", 4, 260, "abc"},  // capacity wins over the limit
      {"", 264, 260, ""},
      {"\x81\x5C", 264, 1, "\x81"},  // no lead bytes in 1252
  });
}

TEST_F(PathText932, CopyBytesNeverSplitsACharacter) {
  ExpectCopies({
      {"\x95\x5C\x95\x5C", 264, 3, "\x95\x5C"},  // only the lead would fit
      {"a\x95\x5C", 264, 2, "a"},
      {"a\x95", 264, 260, "a"},  // lead followed by the terminator
      {"\x95\x5C" "b", 4, 260, "\x95\x5C" "b"},
      {"a\x95\x5C", 3, 260, "a"},  // capacity cuts before the pair
  });
}

struct AppendCase {
  const char* dest;
  const char* src;
  size_t capacity;
  size_t limit;
  const char* expected;
};

TEST_F(PathText932, AppendBytesWholeCharactersOnly) {
  const AppendCase cases[] = {
      // Limit 3 and two double-byte characters: only the first goes.
      {"x", "\x82\xA0\x82\xA0", 264, 3, "x\x82\xA0"},
      {"x", "\x82\xA0\x82\xA0", 264, 4, "x\x82\xA0\x82\xA0"},
      // A lone lead byte at the end of dest is written over.
      {"ab\x95", "\\", 264, 260, "ab\\"},
      // A lead byte whose trail is missing is not appended.
      {"ab", "c\x95", 264, 260, "abc"},
      // The capacity holds whatever the limit says.
      {"abc", "defgh", 6, 260, "abcde"},
      {"abc", "d\x82\xA0", 6, 260, "abcd"},
  };
  for (const AppendCase& c : cases) {
    Guarded dest(c.capacity, c.dest);
    AppendBytes(dest.text(), c.capacity, c.src, c.limit);
    EXPECT_STREQ(dest.text(), c.expected) << c.dest << "+" << c.src;
    EXPECT_TRUE(dest.guardsIntact()) << c.dest << "+" << c.src;
  }
}

TEST_F(PathText1252, AppendBytesFillsToCapacityAndNoFurther) {
  std::string longText(400, 'q');
  Guarded dest(264, "C:\\");
  AppendBytes(dest.text(), 264, longText.c_str(), 260);
  EXPECT_EQ(strlen(dest.text()), 263u);
  EXPECT_TRUE(dest.guardsIntact());
}

struct TrailingCase {
  const char* text;
  const char* expected;
};

static void ExpectTrailing(std::initializer_list<TrailingCase> cases) {
  for (const TrailingCase& c : cases) {
    Guarded dest(264, c.text);
    EnsureTrailingBackslash(dest.text(), 264);
    EXPECT_STREQ(dest.text(), c.expected) << c.text;
    EXPECT_TRUE(dest.guardsIntact()) << c.text;
  }
}

TEST_F(PathText1252, EnsureTrailingBackslash) {
  ExpectTrailing({
      {"C:\\Tools", "C:\\Tools\\"},
      {"C:\\Tools\\", "C:\\Tools\\"},
      {"", "\\"},
      {"C:/Tools/", "C:/Tools/\\"},  // only a backslash counts
  });
}

TEST_F(PathText932, EnsureTrailingBackslashLooksAtTheLastByte) {
  ExpectTrailing({
      // The trail byte 0x5C of 0x95 0x5C counts as a final backslash.
      {"C:\\\x95\x5C", "C:\\\x95\x5C"},
      // A lone lead byte at the end is replaced by the backslash.
      {"C:\\a\x95", "C:\\a\\"},
      {"C:\\\x82\xA0", "C:\\\x82\xA0\\"},
  });
}

TEST_F(PathText1252, EnsureTrailingBackslashAtFullCapacity) {
  std::string full(263, 'a');
  ExpectTrailing({{full.c_str(), full.c_str()}});  // no room: unchanged
}

struct SplitCase {
  const char* path;
  const char* drive;
  const char* dir;
};

static void ExpectSplits(std::initializer_list<SplitCase> cases) {
  for (const SplitCase& c : cases) {
    char drive[264], dir[264];
    SplitPath(c.path, drive, sizeof drive, dir, sizeof dir);
    EXPECT_STREQ(drive, c.drive) << c.path;
    EXPECT_STREQ(dir, c.dir) << c.path;
  }
}

TEST_F(PathText1252, SplitPath) {
  ExpectSplits({
      {"C:\\Tools\\Editor\\", "C:", "\\Tools\\Editor\\"},
      {"\\\\server\\share\\dir\\", "", "\\\\server\\share\\dir\\"},
      {"", "", ""},
      {"C:file.txt", "C:", ""},
      {"C:/a/b/x.exe", "C:", "/a/b/"},
      {"/tmp/run/instprobe", "", "/tmp/run/"},
      {"x:", "x:", ""},
      {"?:\\a", "?:", "\\"},  // the first byte may be anything
      {"a", "", ""},
  });
}

TEST_F(PathText1252, SplitPathKeepsAtMost255DirectoryBytes) {
  std::string path = "C:\\" + std::string(300, 'd') + "\\f";
  char drive[264], dir[264];
  SplitPath(path.c_str(), drive, sizeof drive, dir, sizeof dir);
  EXPECT_EQ(strlen(dir), 255u);
  char small[8];
  SplitPath(path.c_str(), drive, sizeof drive, small, sizeof small);
  EXPECT_EQ(strlen(small), 7u);
}

TEST_F(PathText932, SplitPathIgnoresTrailBytes) {
  ExpectSplits({
      // 0x95 0x5C is one character: the directory ends at the real one.
      {"C:\\a\\\x95\x5C" "b", "C:", "\\a\\"},
      {"C:\\\x95\x5C\\x", "C:", "\\\x95\x5C\\"},
  });
}

struct FindCase {
  const char* text;
  char c;
  long first;
  long last;
};

static void ExpectFinds(std::initializer_list<FindCase> cases) {
  for (const FindCase& c : cases) {
    EXPECT_EQ(FindFirstChar(c.text, c.c), c.first) << c.text;
    EXPECT_EQ(FindLastChar(c.text, c.c), c.last) << c.text;
  }
}

TEST_F(PathText932, FindCharNeverMatchesATrailByte) {
  ExpectFinds({
      {"a\\\x95\x5C", '\\', 1, 1},
      {"\x95\x5C", '\\', -1, -1},
      {"HKEY_X\\\x95\x5C\\v", '\\', 6, 9},
      {"ab\x95", '\\', -1, -1},  // a lone lead byte at the end
      {"\x95", '\x95', 0, 0},    // ... is a character of its own
  });
}

TEST_F(PathText1252, FindCharIsPlainInASingleBytePage) {
  ExpectFinds({{"a\\\x95\x5C", '\\', 1, 3}, {"", '\\', -1, -1}});
}

struct EqualCase {
  const char* a;
  const char* b;
  bool equal;
};

static void ExpectEquals(std::initializer_list<EqualCase> cases) {
  for (const EqualCase& c : cases)
    EXPECT_EQ(EqualsIgnoreCase(c.a, c.b), c.equal) << c.a << " " << c.b;
}

TEST_F(PathText1252, EqualsIgnoreCaseFoldsAsciiOnly) {
  ExpectEquals({
      {"hkey_users", "HKEY_USERS", true},
      {"HKEY_USER", "HKEY_USERS", false},
      {"HKEY_USERS", "HKEY_USER", false},
      {"\xC4", "\xE4", false},  // capital and small A-umlaut stay apart
      {"", "", true},
      {"[", "{", false},  // bytes between the cases do not fold
      {"@", "`", false},
  });
}

TEST_F(PathText932, EqualsIgnoreCaseOnDoubleByteCharacters) {
  ExpectEquals({
      {"hkey_users", "HKEY_USERS", true},
      {"\x82\x60", "\x82\x81", true},    // full-width A and a
      {"\x82\x60", "\x82\x61", false},   // full-width A and B
      {"\x95\x5C", "\x95\x5C", true},
      {"\x95\x5C", "\x95" "a", false},
      {"a\x82\x60", "A\x82\x81", true},
      {"\x82", "\x82", true},            // lone lead bytes compare as bytes
  });
}

}  // namespace
