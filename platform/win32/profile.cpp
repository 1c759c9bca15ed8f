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

#include "ini/ini_document.h"
#include "platform/platform.h"
#include "platform/win32/code_page.h"
#include "platform/win32/profile_commit.h"

namespace {

std::map<std::string, std::unique_ptr<ProfileDocument>>& Documents() {
  static std::map<std::string, std::unique_ptr<ProfileDocument>> docs;
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
  std::unique_ptr<ProfileDocument>& doc = Documents()[path];
  if (!doc) {
    doc.reset(new ProfileDocument);
    std::string bytes;
    bool missing = false;
    // A missing file is created afresh; one that is there but cannot be
    // read is left alone.
    bool read = ReadProfileFile(path, bytes, &missing);
    ProfileDocLoad(std::move(bytes), Win32AnsiCodec(), *doc);
    if (!read && !missing) doc->unreadable = true;
  }
  ProfileDocSet(*doc, section, key, value);
}

PlatformCommit PlatformCommitProfiles(long* error) {
  PlatformCommit outcome = kCommitNothing;
  for (auto& entry : Documents()) {
    const char* path = entry.first.c_str();
    if (entry.second->unreadable) {
      outcome = kCommitUnreadable;
    } else if (!entry.second->changed) {
      if (outcome == kCommitNothing) outcome = kCommitUnchanged;
    } else if (CommitProfileFile(path, ProfileDocBytes(*entry.second))) {
      outcome = kCommitWritten;
    } else if (error != nullptr) {
      // Told apart only for the trace: the commit keeps a read-only file as
      // it is, without a system error.
      *error = static_cast<long>(GetLastError());
      DWORD attrs = GetFileAttributesA(path);
      bool readOnly = attrs != INVALID_FILE_ATTRIBUTES &&
                      (attrs & FILE_ATTRIBUTE_READONLY) != 0;
      outcome = readOnly ? kCommitReadOnly : kCommitFailed;
    } else {
      outcome = kCommitFailed;
    }
  }
  Documents().clear();
  return outcome;
}
