// DOS paths as text, the way the platform treats them before it looks
// anything up: limits, separators, case, device names and collapsing.
#pragma once

#include <cstddef>
#include <string>

// The longest component the file system layer looks up.
const size_t kDosMaxComponentUnits = 255;

inline bool IsDosSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// Whether two names are equal without regard to case, as a directory
// lookup compares them.
bool DosNamesEqual(const std::u16string &a, const std::u16string &b);

// Characters no DOS name component may hold.
bool IsInvalidDosNameChar(char16_t c);

// What a 32-bit program reaches in a 64-bit prefix, as Wine redirects it.
// `path` is a full path "X:\..." as looked up (collapsed, or the rest of a
// "\\?\" path). Under C:\windows\, names compared without regard to
// case: sysnative becomes system32; system32 becomes syswow64, except its
// catroot, catroot2, driversstore, drivers\etc, logfiles and spool; and
// regedit.exe becomes syswow64\regedit.exe. A name matches when the path
// ends after it or goes on with '\'. Returns whether the path changed.
bool DosRedirectWow64(std::u16string &path);

// What GetFileAttributesA looks up for a path, before it looks: the path
// made absolute as Wine's RtlGetFullPathName_U makes it, by its type as
// RtlDetermineDosPathNameType_U tells types apart.
enum class DosFullKind {
  kMissing,  // names nothing, whatever the file system holds
  kConsole,  // "\\.\CON": the console, always there
  kDrive,    // `text` is "X:\..."
  kUnix,     // `text` is a Unix path "/..." (Wine's own form), '/' separated
  kHere,     // no drive holds the working directory: `text` is relative to it
};

struct DosFullPath {
  DosFullKind kind;
  bool device;   // names a device: only its directory has to exist
  std::u16string text;
};

// Whether making `path` absolute takes the current directory: a
// drive-relative ("C:x"), rooted ("\x") or relative ("x") path.
bool DosPathNeedsCurrentDirectory(const std::u16string &path);

// `path` made absolute and collapsed: empty, blank or longer than 260 units
// names nothing; "\\?\X:\..." is taken as given (no collapsing, no device
// names; '/', "." and ".." components fail later); "\\.\" is a drive path
// without device names; any other path with two leading separators is a
// network path, never found. A drive-relative path takes the working
// directory when it is on that drive, else the drive's root. `cwd` is the
// current directory with a trailing '\', empty when no drive holds it (a
// rooted path then names nothing, a relative one is kHere). `redirect32`:
// the program is a 32-bit one in a 64-bit prefix (DosRedirectWow64).
DosFullPath DosMakeFullPath(const std::u16string &path,
                            const std::u16string &cwd, bool redirect32);
