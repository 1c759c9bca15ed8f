// The commit's outcome over one run's documents, told apart the same way by
// both platforms.
#pragma once

#include "ini/ini_document.h"
#include "platform/platform.h"

// Writes each changed, readable document with commit(path, bytes). After a
// failure, and only when `error` is wanted, readOnly(path, error) stores the
// platform's error number at once and says whether the file was left alone
// for being read-only. The outcome is the last file's that was not
// unchanged.
template <typename Documents, typename Commit, typename ReadOnly>
PlatformCommit CommitDocuments(Documents& docs, long* error, Commit commit,
                               ReadOnly readOnly) {
  PlatformCommit outcome = kCommitNothing;
  for (auto& entry : docs) {
    const char* path = entry.first.c_str();
    const ProfileDocument& doc = *entry.second;
    if (doc.unreadable) {
      outcome = kCommitUnreadable;
    } else if (!doc.changed) {
      if (outcome == kCommitNothing) outcome = kCommitUnchanged;
    } else if (commit(path, ProfileDocBytes(doc))) {
      outcome = kCommitWritten;
    } else {
      outcome = error != nullptr && readOnly(path, error) ? kCommitReadOnly
                                                          : kCommitFailed;
    }
  }
  return outcome;
}
