// Profile files: the search list is read through the platform's own call;
// the writes of one run are applied to an in-memory document of each file,
// through the same INI library as the host's, and each changed file is
// written once, at the commit.
#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "ini/ini_settings.h"
#include "platform/platform.h"
#include "platform/win32/code_page.h"
#include "platform/win32/profile_commit.h"

namespace {

std::map<std::string, std::unique_ptr<ProfileWrites>>& Documents() {
  static std::map<std::string, std::unique_ptr<ProfileWrites>> docs;
  return docs;
}

}  // namespace

uint32_t PlatformReadProfile(const char* section, const char* key,
                             const char* def, char* buf, uint32_t size,
                             const char* path) {
  return GetPrivateProfileStringA(section, key, def, buf, size, path);
}

void PlatformWriteProfile(const char* section, const char* key,
                          const char* value, const char* path) {
  if (!section || !key || !value || !path) return;
  std::unique_ptr<ProfileWrites>& doc = Documents()[path];
  if (!doc) {
    doc.reset(new ProfileWrites);
    std::string bytes;
    bool missing = false;
    // A missing file is created afresh; one that is there but cannot be
    // read is left alone.
    bool read = ReadProfileFile(path, bytes, &missing);
    ProfileWritesLoad(*doc, std::move(bytes), missing, !read && !missing,
                      Win32AnsiCodec());
  }
  ProfileDocSet(doc->doc, section, key, value);
}

void PlatformCommitProfiles() {
  for (auto& entry : Documents())
    if (entry.second->doc.changed && !entry.second->doc.unreadable)
      CommitProfileFile(entry.first.c_str(), *entry.second);
  Documents().clear();
}
