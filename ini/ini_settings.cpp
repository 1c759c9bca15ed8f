// Re-applying a run's key settings to the file as it is at the commit.
#include "ini/ini_settings.h"

#include <cstring>
#include <utility>

void ProfileWritesLoad(ProfileWrites& writes, std::string bytes, bool missing,
                       bool unreadable, const AnsiCodec& ansi) {
  writes.loaded = bytes;
  writes.loadedMissing = missing;
  ProfileDocLoad(std::move(bytes), ansi, writes.doc);
  if (unreadable) writes.doc.unreadable = true;
}

void ProfileWritesSet(ProfileWrites& writes, const char* section,
                      const char* key, const char* value) {
  ProfileDocSet(writes.doc, section, key, value);
  for (const char* part : {section, key, value})
    writes.settings.append(part, strlen(part) + 1);
}

bool ProfileWritesRebase(ProfileWrites& writes, std::string now, bool missing) {
  if (missing == writes.loadedMissing && now == writes.loaded)
    return writes.doc.changed && !writes.doc.unreadable;
  AnsiCodec ansi = writes.doc.ansi;
  ProfileWritesLoad(writes, std::move(now), missing, false, ansi);
  const std::string& s = writes.settings;
  for (size_t pos = 0; pos < s.size();) {
    const char* section = s.c_str() + pos;
    const char* key = section + strlen(section) + 1;
    const char* value = key + strlen(key) + 1;
    ProfileDocSet(writes.doc, section, key, value);
    pos = static_cast<size_t>(value + strlen(value) + 1 - s.c_str());
  }
  return writes.doc.changed && !writes.doc.unreadable;
}
