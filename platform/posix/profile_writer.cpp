// PlatformWriteProfile and PlatformCommitProfiles: the writes of one run are
// applied to an in-memory copy of each file, and each changed file is
// written once, at the commit.
#include <sys/stat.h>

#include <cerrno>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

#include "platform/platform.h"
#include "platform/posix/profile_commit.h"
#include "platform/posix/profile_document.h"

static std::unordered_map<std::string, std::unique_ptr<ProfileDocument>>&
Documents() {
  static std::unordered_map<std::string, std::unique_ptr<ProfileDocument>> docs;
  return docs;
}

void PlatformWriteProfile(const char* section, const char* key,
                          const char* value, const char* path) {
  // Deleting keys or sections (a null key or value) is not a service the
  // program uses.
  if (!section || !key || !value || !path) return;
  std::unique_ptr<ProfileDocument>& doc = Documents()[path];
  if (!doc) {
    doc.reset(new ProfileDocument);
    std::string bytes;
    // A missing file is created afresh; one that is there but cannot be
    // read (no read permission, not a regular file, an I/O error) is left
    // alone.
    bool unreadable = false;
    if (!ProfileLoadFile(path, bytes)) {
      struct stat st;
      unreadable =
          stat(path, &st) == 0 || (errno != ENOENT && errno != ENOTDIR);
      bytes.clear();
    }
    ProfileDocLoad(std::move(bytes), *doc);
    if (unreadable) doc->unreadable = true;
  }
  ProfileDocSet(*doc, section, key, value);
}

void PlatformCommitProfiles() {
  for (auto& entry : Documents())
    if (entry.second->changed && !entry.second->unreadable)
      ProfileCommitFile(entry.first.c_str(), ProfileDocBytes(*entry.second));
  // The next write of the run starts again from what is on disk.
  Documents().clear();
}
