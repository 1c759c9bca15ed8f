// Temporary folders and whole files.
#include "tests/support/files.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::string MakeTempDir(const std::string& stem) {
  std::string pattern = "/tmp/" + stem + "-XXXXXX";
  return mkdtemp(&pattern[0]) != nullptr ? pattern : std::string();
}

void RemoveTree(const std::string& path) {
  if (path.empty()) return;
  // Tests take permissions away; a user other than root could not empty
  // such a folder without getting them back first.
  std::error_code ec, ignored;
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
  for (fs::recursive_directory_iterator it(path, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (!it->is_symlink(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add,
                      ignored);
    }
  }
  fs::remove_all(path, ignored);
}

static std::string g_programDir;

static void RemoveProgramTempDir() { RemoveTree(g_programDir); }

const std::string& ProgramTempDir() {
  if (g_programDir.empty()) {
    g_programDir = MakeTempDir("instprobe-test");
    if (!g_programDir.empty()) atexit(RemoveProgramTempDir);
  }
  return g_programDir;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return out.good();
}

bool ReadBytes(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  *bytes = content.str();
  return true;
}

std::string FileBytes(const std::string& path) {
  std::string bytes;
  ReadBytes(path, &bytes);
  return bytes;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool PathExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

std::string SourcePath(const std::string& relative) {
  return std::string(INSTPROBE_SOURCE_DIR) + "/" + relative;
}
