// The host profile writer over an arbitrary existing variables file and a
// fuzzed set of writes. After the commit:
// - every line of the original that no write could have replaced is still
//   there, byte for byte and line ending included, in its order (the last
//   line may gain a line ending, and a blank before it after a lone lead
//   byte);
// - reading the file back with the host reader gives the last value written
//   for every key the platform can represent (a key without '=', not
//   beginning with '[', no line breaks; values without line breaks).
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "pathtext/pathtext.h"
#include "platform/linux/code_page.h"
#include "platform/linux/host_context.h"
#include "platform/platform.h"
#include "tests/support/profile_writes.h"
#include "unicode/ascii_fold.h"

namespace {

struct Line {
  std::string content, eol;
};

// Lines as the platform splits them: at CR, LF or CRLF, never at the byte
// after a lead byte of the ANSI code page (`ansi`), which is its trail.
// `endsInLead`: the text ends in a lone lead byte.
std::vector<Line> SplitLines(const std::string& bytes, bool ansi,
                             bool* endsInLead) {
  std::vector<Line> lines;
  *endsInLead = false;
  size_t pos = 0, n = bytes.size();
  while (pos < n) {
    size_t end = pos;
    while (end < n && bytes[end] != '\r' && bytes[end] != '\n') {
      bool lead = ansi && HostIsLeadByte(static_cast<unsigned char>(bytes[end]));
      if (lead && end + 1 == n) *endsInLead = true;
      end += lead && end + 1 < n && bytes[end + 1] != 0 ? 2 : 1;
    }
    if (end > n) end = n;
    size_t eolEnd = end;
    if (eolEnd < n) {
      bool cr = bytes[eolEnd] == '\r';
      ++eolEnd;
      if (cr && eolEnd < n && bytes[eolEnd] == '\n') ++eolEnd;
    }
    lines.push_back(
        {bytes.substr(pos, end - pos), bytes.substr(end, eolEnd - end)});
    pos = eolEnd;
  }
  return lines;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r' || c == '\x1a';
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string Fold(std::string s) {
  for (char& c : s) c = AsciiLower(c);
  return s;
}

// Whether an original line could be the one a write of `keys` replaced: its
// name (up to '=') is one of the written names. Deliberately wide: a line
// that is kept by the writer but named here is merely not checked.
bool MayBeReplaced(const Line& line, const std::vector<std::string>& keys) {
  std::string name = Fold(Trim(line.content.substr(0, line.content.find('='))));
  return std::find(keys.begin(), keys.end(), name) != keys.end();
}

// Text from a small alphabet that holds every character the file format
// gives a meaning, or raw bytes when the input asks for them.
std::string Text(FuzzedDataProvider& in, bool raw) {
  static const char kAlphabet[] = "aAbB0 \t=[];\"'\\\r\n\x1a\xe9\x82\xa0";
  std::string s = in.ConsumeRandomLengthString(24);
  if (!raw)
    for (char& c : s)
      c = kAlphabet[static_cast<unsigned char>(c) % (sizeof kAlphabet - 1)];
  return s.substr(0, s.find('\0'));
}

bool HasBreak(const std::string& s) {
  return s.find_first_of("\r\n") != std::string::npos;
}

bool IsAscii(const std::string& s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// The value the reader gives for what was written: one pair of matching
// quotes around it is removed.
std::string AsRead(const std::string& value) {
  if (value.size() > 1 && (value[0] == '"' || value[0] == '\'') &&
      value.back() == value[0])
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  // A context of its own: each input reads and writes files afresh.
  HostContext context;
  HostScope scope(context);
  HostSelectCodePage(in.ConsumeBool() ? 932 : 1252);
  InitPathText();
  std::vector<ProfileWrite> writes(in.ConsumeIntegralInRange<size_t>(1, 6));
  for (ProfileWrite& w : writes) {
    bool raw = in.ConsumeIntegralInRange<int>(0, 15) == 0;
    w.section = Text(in, raw);
    w.key = Text(in, raw);
    w.value = Text(in, raw);
  }
  std::string original = in.ConsumeRemainingBytesAsString();

  std::string path = FuzzScratchDir() + "/vars.ini";
  FuzzWriteFile(path, original.data(), original.size());
  HostWrites(path, writes);
  std::string result;
  if (!FuzzReadFile(path, result)) FuzzFail("the file is gone after commit");

  // Every write names a key; a non-ASCII or broken name may match any line.
  bool allAscii = true;
  std::vector<std::string> keys;
  for (const ProfileWrite& w : writes) {
    keys.push_back(Fold(Trim(w.key)));
    if (!IsAscii(w.section) || !IsAscii(w.key) || HasBreak(w.key))
      allAscii = false;
  }
  bool plainBytes = original.size() < 2 ||
                    !((original[0] == '\xff' && original[1] == '\xfe') ||
                      (original[0] == '\xfe' && original[1] == '\xff'));
  if (allAscii && plainBytes) {
    // A UTF-8 mark stays first, and keys of the unnamed section may follow
    // it at once: it is no part of the first line.
    const std::string kMark = "\xef\xbb\xbf";
    std::string bodyBefore = original, bodyAfter = result;
    bool ansi = true;
    if (original.compare(0, 3, kMark) == 0) {
      if (result.compare(0, 3, kMark) != 0) FuzzFail("the UTF-8 mark is gone");
      bodyBefore.erase(0, 3);
      bodyAfter.erase(0, 3);
      ansi = false;
    }
    bool endsInLead = false, ignored = false;
    std::vector<Line> before = SplitLines(bodyBefore, ansi, &endsInLead),
                      after = SplitLines(bodyAfter, ansi, &ignored);
    size_t j = 0;
    for (size_t i = 0; i < before.size(); ++i) {
      if (MayBeReplaced(before[i], keys)) continue;
      bool last = i + 1 == before.size();
      // A lone lead byte that ended the file is followed by a blank when a
      // line is added after it.
      std::string padded = before[i].content + (last && endsInLead ? " " : "");
      while (j < after.size() &&
             !((after[j].content == before[i].content ||
                after[j].content == padded) &&
               (after[j].eol == before[i].eol ||
                (last && before[i].eol.empty()))))
        ++j;
      if (j == after.size()) FuzzFail("an original line was lost or changed");
      ++j;
    }
  }

  // The last write of each section and key, when all of them can be read
  // back as they were written.
  if (allAscii) {
    std::map<std::pair<std::string, std::string>, const ProfileWrite*> last;
    bool representable = true;
    for (const ProfileWrite& w : writes) {
      std::string key = Trim(w.key);
      if (HasBreak(w.section) || HasBreak(w.value) || !IsAscii(w.value) ||
          key.empty() || key.find('=') != std::string::npos || key[0] == '[')
        representable = false;
      last[{Fold(Trim(w.section)), Fold(key)}] = &w;
    }
    if (representable) {
      for (const auto& entry : last) {
        const ProfileWrite& w = *entry.second;
        char buf[512];
        PlatformReadProfile(w.section.c_str(), w.key.c_str(), "\x01", buf,
                            sizeof buf, path.c_str());
        if (AsRead(Trim(w.value)) != buf)
          FuzzFail("a written value does not read back");
      }
    }
  }
  unlink(path.c_str());
  return 0;
}
