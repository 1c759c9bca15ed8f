// The run's profile documents and lookups, over the platform's file calls.
#include "ini/profile_session.h"

#include <utility>

#include "ini/ini_text.h"

namespace {

// Loads the file as `state` found it, by ProfileSessionWrite's rules.
void Load(ProfileWrites& writes, std::string bytes, ProfileFileState state,
          const AnsiCodec& ansi) {
  writes.loadedMissing = state == ProfileFileState::kMissing;
  ProfileDocLoad(std::move(bytes), ansi, writes.doc);
  if (state == ProfileFileState::kUnreadable) writes.doc.unreadable = true;
}

// With the file as it is now: when it differs from what was loaded, the
// document is loaded again from it and every key line the run added or
// changed is set again. True when the document then differs from the file
// and is to be written.
bool Rebase(ProfileWrites& writes, std::string now, ProfileFileState state) {
  // The document keeps the bytes it was loaded from (a UTF-16 file of odd
  // length gains a byte: it is loaded again, to the same result).
  if ((state == ProfileFileState::kMissing) != writes.loadedMissing ||
      now != writes.doc.original) {
    ProfileDocument mine = std::move(writes.doc);
    Load(writes, std::move(now), state, mine.ansi);
    ProfileDocReapply(mine, writes.doc);
  }
  return writes.doc.changed && !writes.doc.unreadable;
}

// Replaces one changed file with the run's writes: the lock is taken, the
// file read again and the writes rebased on it, then the new bytes replace
// it; where there is no room for the lock, the file is rewritten in place.
bool CommitFile(ProfileFiles& files, const char* path, ProfileWrites& writes,
                bool* busy) {
  std::string target;
  switch (files.Lock(path, target)) {
    case ProfileLock::kRefused:
      return false;
    case ProfileLock::kBusy:
      *busy = true;
      return false;
    case ProfileLock::kInPlace:
      return files.RewriteInPlace(target, ProfileDocBytes(writes.doc));
    case ProfileLock::kHeld:
      break;
  }
  std::string now;
  ProfileFileState state = files.Read(target.c_str(), now);
  // A file that cannot be read now is kept; one that already holds what the
  // run wrote is left as it is.
  bool readable = state != ProfileFileState::kUnreadable;
  if (!readable || !Rebase(writes, std::move(now), state)) {
    files.Unlock();
    return readable;
  }
  return files.Replace(target, ProfileDocBytes(writes.doc), busy);
}

void NoteNotWritten(ProfileSession& session, const std::string& path,
                    long error) {
  if (!session.notWritten.empty()) return;
  session.notWritten = path;
  session.notWrittenError = error;
}

}  // namespace

uint32_t ProfileSessionRead(ProfileSession& session, ProfileFiles& files,
                            const AnsiCodec& ansi, const char* section,
                            const char* key, const char* def, char* buf,
                            uint32_t size, const char* path) {
  if (size == 0 || !buf) return 0;
  std::u16string value;
  if (path && section && key) {
    std::unique_ptr<IndexedProfile>& slot = session.indexes[path];
    // Text kept as bytes is decoded in the code page it was read in.
    if (!slot || slot->ansi.codePage != ansi.codePage) {
      slot.reset(new IndexedProfile);
      std::string bytes;
      if (files.Read(path, bytes) == ProfileFileState::kRead)
        IndexProfile(std::move(bytes), ansi, *slot);
    }
    value = ProfileLookup(
        *slot, ProfileWiden(ansi, section), ProfileWiden(ansi, key),
        def ? ProfileWiden(ansi, def) : std::u16string(), size);
  }
  std::string out;
  ansi.FromWide(value.data(), value.size(), out);
  size_t n = ProfileAnsiCut(ansi, out, size - 1);
  out.copy(buf, n);
  buf[n] = '\0';
  return static_cast<uint32_t>(n);
}

void ProfileSessionWrite(ProfileSession& session, ProfileFiles& files,
                         const AnsiCodec& ansi, const char* section,
                         const char* key, const char* value, const char* path) {
  if (!section || !key || !value || !path) return;
  std::unique_ptr<ProfileWrites>& writes = session.documents[path];
  if (!writes) {
    writes.reset(new ProfileWrites);
    std::string bytes;
    ProfileFileState state = files.Read(path, bytes);
    Load(*writes, std::move(bytes), state, ansi);
  }
  const AnsiCodec& loaded = writes->doc.ansi;
  ProfileDocSet(writes->doc, ProfileWiden(loaded, section),
                ProfileWiden(loaded, key), ProfileWiden(loaded, value));
}

ProfileCommit ProfileSessionCommit(ProfileSession& session, ProfileFiles& files,
                                   long* error) {
  session.notWritten.clear();
  session.notWrittenError = 0;
  ProfileCommit outcome = ProfileCommit::kNothing;
  for (auto& entry : session.documents) {
    const char* path = entry.first.c_str();
    ProfileWrites& writes = *entry.second;
    bool busy = false;
    if (writes.doc.unreadable) {
      outcome = ProfileCommit::kUnreadable;
    } else if (!writes.doc.changed) {
      if (outcome == ProfileCommit::kNothing)
        outcome = ProfileCommit::kUnchanged;
    } else if (CommitFile(files, path, writes, &busy)) {
      outcome = ProfileCommit::kWritten;
    } else {
      bool readOnly = false;
      long failure = files.Failed(path, error ? &readOnly : nullptr);
      NoteNotWritten(session, entry.first, failure);
      if (error != nullptr) *error = failure;
      outcome = busy       ? ProfileCommit::kBusy
                : readOnly ? ProfileCommit::kReadOnly
                           : ProfileCommit::kFailed;
    }
  }
  for (auto& entry : session.documents) {
    // A file that could not be read had writes asked for and refused.
    if (entry.second->doc.unreadable) NoteNotWritten(session, entry.first, 0);
    session.indexes.erase(entry.first);
  }
  session.documents.clear();
  return outcome;
}
