// Profile writes as a run makes them: each in turn through the platform,
// then one commit.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

struct ProfileWrite {
  std::string section, key, value;
};

inline void HostWrites(const std::string& path,
                       const std::vector<ProfileWrite>& writes) {
  for (const ProfileWrite& w : writes)
    PlatformWriteProfile(w.section.c_str(), w.key.c_str(), w.value.c_str(),
                         path.c_str());
  PlatformCommitProfiles();
}
