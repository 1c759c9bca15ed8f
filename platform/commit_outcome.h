// The commit's outcome over one run's documents, told apart the same way by
// both platforms.
#pragma once

#include "ini/ini_settings.h"
#include "platform/platform.h"

// Commits each changed, readable document with commit(path, writes, &busy),
// which sets busy when another run or program held the file. After a
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
    ProfileWrites& writes = *entry.second;
    bool busy = false;
    if (writes.doc.unreadable) {
      outcome = kCommitUnreadable;
    } else if (!writes.doc.changed) {
      if (outcome == kCommitNothing) outcome = kCommitUnchanged;
    } else if (commit(path, writes, &busy)) {
      outcome = kCommitWritten;
    } else {
      bool readOnlyFile = error != nullptr && readOnly(path, error);
      outcome = busy ? kCommitBusy
                     : readOnlyFile ? kCommitReadOnly : kCommitFailed;
    }
  }
  return outcome;
}
