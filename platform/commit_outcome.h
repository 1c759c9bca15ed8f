// The profile session's commit outcome as the platform seam tells it.
#pragma once

#include "ini/profile_session.h"
#include "platform/platform.h"

// Both list the same outcomes in the same order.
inline PlatformCommit ToPlatformCommit(ProfileCommit outcome) {
  static_assert(kCommitNothing == int(ProfileCommit::kNothing) &&
                    kCommitUnchanged == int(ProfileCommit::kUnchanged) &&
                    kCommitWritten == int(ProfileCommit::kWritten) &&
                    kCommitReadOnly == int(ProfileCommit::kReadOnly) &&
                    kCommitUnreadable == int(ProfileCommit::kUnreadable) &&
                    kCommitBusy == int(ProfileCommit::kBusy) &&
                    kCommitFailed == int(ProfileCommit::kFailed),
                "the outcomes are listed alike");
  return static_cast<PlatformCommit>(outcome);
}
