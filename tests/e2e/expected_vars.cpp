// The two files' shapes.
#include "tests/e2e/expected_vars.h"

#include <utility>

std::string SearchListText(const std::vector<ListEntry>& entries,
                           int firstNumber) {
  std::string text;
  int number = firstNumber;
  for (const ListEntry& entry : entries) {
    text += "[FILE" + std::to_string(number++) + "]\r\n";
    text += "RegKey=" + entry.regKey + "\r\n";
    text += "FileName=" + entry.fileName + "\r\n";
    text += "VarName=" + entry.varName + "\r\n";
  }
  return text;
}

std::string RootOf(const std::string& dir) {
  if (dir.size() >= 2 && dir[1] == ':') return dir.substr(0, 2) + "\\";
  return "\\";
}

typedef std::vector<std::pair<std::string, std::string>> Section;

static void Put(Section* section, const std::string& key,
                const std::string& value) {
  for (auto& line : *section) {
    if (line.first == key) {
      line.second = value;
      return;
    }
  }
  section->emplace_back(key, value);
}

static std::string Render(const char* name, const Section& section) {
  std::string text = std::string("[") + name + "]\r\n";
  for (const auto& line : section) {
    text += line.first + "=" + line.second + "\r\n";
  }
  return text;
}

std::string ExpectedVarsFile(const std::vector<VarEntry>& entries) {
  if (entries.empty()) return "";
  Section start;
  Section privat;
  for (const VarEntry& entry : entries) {
    std::string path = entry.varName + "Path";
    Put(&start, entry.varName, entry.version);
    Put(&start, path, entry.dir);
    Put(&privat, "<" + path + ">", entry.dir);
    Put(&start, path + "Root", RootOf(entry.dir));
  }
  return Render("PrgStart", start) + Render("PrivatPath", privat);
}
