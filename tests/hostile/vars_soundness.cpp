// Line-by-line check of a variables file, and reading it back.
#include "tests/hostile/vars_soundness.h"

#include <cstdint>
#include <set>
#include <utility>

#include "platform/platform.h"
#include "tests/e2e/text_diff.h"
#include "unicode/ascii_fold.h"

static std::string Shown(const std::string& line) {
  return VisibleBytes(line.substr(0, 80));
}

// Calls `visit(section, key, value)` for each key line; false with `why` at
// the first line that is not sound.
template <typename Visit>
static bool WalkLines(const std::string& bytes, std::string* why, Visit visit) {
  std::string section;
  size_t pos = 0;
  int number = 0;
  while (pos < bytes.size()) {
    ++number;
    size_t end = bytes.find("\r\n", pos);
    if (end == std::string::npos) {
      *why = "line " + std::to_string(number) +
             " has no CRLF: " + Shown(bytes.substr(pos));
      return false;
    }
    std::string line = bytes.substr(pos, end - pos);
    pos = end + 2;
    std::string where = "line " + std::to_string(number) + " ";
    if (line.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
      *why = where + "holds CR, LF or NUL: " + Shown(line);
      return false;
    }
    if (!line.empty() && line[0] == '[') {
      if (line != "[PrgStart]" && line != "[PrivatPath]") {
        *why = where + "is a foreign header: " + Shown(line);
        return false;
      }
      section = line.substr(1, line.size() - 2);
      continue;
    }
    size_t eq = line.find('=');
    if (section.empty() || eq == std::string::npos) {
      *why = where + "is not a key of a section: " + Shown(line);
      return false;
    }
    visit(section, line.substr(0, eq), line.substr(eq + 1));
  }
  return true;
}

bool VarsFileSound(const std::string& bytes, std::string* why) {
  return WalkLines(
      bytes, why,
      [](const std::string&, const std::string&, const std::string&) {});
}

bool VarsFileReadsBack(const std::string& path, const std::string& bytes,
                       size_t maxKeys, std::string* why) {
  std::set<std::pair<std::string, std::string>> seen;
  bool ok = true;
  bool sound = WalkLines(
      bytes, why,
      [&](const std::string& section, const std::string& key,
          const std::string& value) {
        // The reader trims blanks around keys and values and matches keys
        // without regard to case; only keys that survive that unchanged are
        // compared.
        if (!ok || seen.size() >= maxKeys || key.empty() ||
            key.front() == ' ' || key.back() == ' ' ||
            (!value.empty() && (value.front() == ' ' || value.back() == ' ' ||
                                value.front() == '"' || value.front() == '\'')))
          return;
        std::string folded = key;
        for (char& c : folded) c = AsciiUpper(c);
        if (!seen.insert({section, folded}).second) return;
        char buf[4096];
        uint32_t got =
            PlatformReadProfile(section.c_str(), key.c_str(), "\x01missing",
                                buf, sizeof buf, path.c_str());
        std::string read(buf, got);
        if (read != value) {
          *why = "[" + section + "] " + Shown(key) + " reads back as " +
                 Shown(read) + ", the file says " + Shown(value);
          ok = false;
        }
      });
  return sound && ok;
}
