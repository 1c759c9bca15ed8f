// PlatformReadProfile, PlatformWriteProfile and PlatformCommitProfiles over
// the portable INI library. Each file is read and indexed once per run; the
// writes of one run are applied to an in-memory document of each file, and
// each changed file is written once, at the commit, after which reads see
// the committed file.
#include "platform/linux/profile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

#include "ini/ini_document.h"
#include "ini/ini_index.h"
#include "ini/ini_settings.h"
#include "platform/commit_outcome.h"
#include "platform/linux/code_page.h"
#include "platform/linux/profile_commit.h"
#include "platform/linux/whole_file.h"
#include "platform/platform.h"

namespace {

template <typename T>
using ByPath = std::unordered_map<std::string, std::unique_ptr<T>>;

ByPath<IndexedProfile>& Indexes() {
  static ByPath<IndexedProfile> indexes;
  return indexes;
}

ByPath<ProfileWrites>& Documents() {
  static ByPath<ProfileWrites> docs;
  return docs;
}

const IndexedProfile& LoadIndexed(const char* path) {
  std::unique_ptr<IndexedProfile>& slot = Indexes()[path];
  // Text kept as bytes is decoded in the code page it was read in.
  if (!slot || slot->ansi.codePage != HostAnsiCodePage()) {
    slot.reset(new IndexedProfile);
    std::string bytes;
    if (ReadWholeFile(path, kProfileMaxBytes, bytes))
      IndexProfile(std::move(bytes), HostAnsiCodec(), *slot);
  }
  return *slot;
}

// An argument as UTF-16, up to its first NUL.
std::u16string Widen(const char* ansi) {
  std::u16string wide;
  HostAnsiToWide(ansi, strlen(ansi), wide);
  size_t nul = wide.find(char16_t(0));
  if (nul != std::u16string::npos) wide.resize(nul);
  return wide;
}

// Stores the UTF-16 result as ANSI, cut to size - 1 bytes. A cut that would
// split a double-byte character falls before it.
uint32_t StoreAnsi(const std::u16string& wide, char* buf, uint32_t size) {
  std::string ansi;
  HostWideToAnsi(wide.data(), wide.size(), ansi);
  size_t limit = size - 1, n = 0;
  while (n < ansi.size() && n < limit) {
    size_t step = HostIsLeadByte(static_cast<unsigned char>(ansi[n])) &&
                          n + 1 < ansi.size()
                      ? 2
                      : 1;
    if (n + step > limit) break;
    n += step;
  }
  memcpy(buf, ansi.data(), n);
  buf[n] = '\0';
  return static_cast<uint32_t>(n);
}

}  // namespace

uint32_t PlatformReadProfile(const char* section, const char* key,
                             const char* def, char* buf, uint32_t size,
                             const char* path) {
  if (size == 0 || !buf) return 0;
  // Trailing spaces of the default go, but never its first character.
  std::u16string defW = def ? Widen(def) : std::u16string();
  while (defW.size() > 1 && defW.back() == ' ') defW.pop_back();
  if (!path || !section || !key) return StoreAnsi(std::u16string(), buf, size);
  return StoreAnsi(
      ProfileLookup(LoadIndexed(path), Widen(section), Widen(key), defW, size),
      buf, size);
}

void PlatformWriteProfile(const char* section, const char* key,
                          const char* value, const char* path) {
  // Deleting keys or sections (a null key or value) is not a service the
  // program uses.
  if (!section || !key || !value || !path) return;
  std::unique_ptr<ProfileWrites>& doc = Documents()[path];
  if (!doc) {
    doc.reset(new ProfileWrites);
    std::string bytes;
    // A missing file is created afresh; one that is there but cannot be
    // read (no read permission, not a regular file, an I/O error) is left
    // alone.
    bool missing = false, unreadable = false;
    if (!ReadWholeFile(path, kProfileMaxBytes, bytes)) {
      struct stat st;
      unreadable =
          stat(path, &st) == 0 || (errno != ENOENT && errno != ENOTDIR);
      missing = !unreadable;
      bytes.clear();
    }
    ProfileWritesLoad(*doc, std::move(bytes), missing, unreadable,
                      HostAnsiCodec());
  }
  ProfileDocSet(doc->doc, section, key, value);
}

static std::string g_notWritten;
static int g_notWrittenReason = 0;

// Why a changed file was not written: the failing call's errno, a
// directory's EISDIR, or EACCES for a file kept as read-only or unreadable.
static int NotWrittenReason(const char* path, int commitErrno) {
  struct stat st;
  if (stat(path, &st) == 0 && S_ISDIR(st.st_mode)) return EISDIR;
  return commitErrno != 0 ? commitErrno : EACCES;
}

// The first changed file that was not written, for the host's `main`.
static void NoteNotWritten(const char* path, int commitErrno) {
  if (!g_notWritten.empty()) return;
  g_notWrittenReason = NotWrittenReason(path, commitErrno);
  g_notWritten = path;
}

PlatformCommit PlatformCommitProfiles(long* error) {
  g_notWritten.clear();
  g_notWrittenReason = 0;
  // The commit keeps a file without any write permission bit as it is,
  // without a system error.
  PlatformCommit outcome = CommitDocuments(
      Documents(), error,
      [](const char* path, ProfileWrites& writes, bool* busy) {
        errno = 0;
        if (ProfileCommitFile(path, writes, busy)) return true;
        int commitErrno = errno;
        NoteNotWritten(path, commitErrno);
        errno = commitErrno;
        return false;
      },
      [](const char* path, long* err) {
        *err = errno;
        struct stat st;
        return stat(path, &st) == 0 && (st.st_mode & 0222) == 0;
      });
  for (auto& entry : Documents()) {
    // A file that could not be read had writes asked for and refused.
    if (entry.second->doc.unreadable) NoteNotWritten(entry.first.c_str(), 0);
    Indexes().erase(entry.first);
  }
  // The next write of the run starts again from what is on disk.
  Documents().clear();
  return outcome;
}

void HostForgetProfiles() { Indexes().clear(); }

const std::string& HostProfileNotWritten(int* reason) {
  *reason = g_notWrittenReason;
  return g_notWritten;
}
