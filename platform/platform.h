// The thin layer between the core and the operating system. Every service the
// core needs is here and nothing more; platform/win32 implements it over the
// real API, platform/linux over our own readers of a Wine prefix.
#pragma once

#include <cstdint>

// ---- The running executable ------------------------------------------------

// Full path of the running executable, as GetModuleFileNameA gives it: the
// number of bytes stored without the terminator, or `size` when the path did
// not fit (the buffer then holds a cut path), or 0 on failure.
uint32_t PlatformModulePath(char* buf, uint32_t size);

// ---- Profile (INI) files ---------------------------------------------------

// GetPrivateProfileStringA: the value's text cut to size - 1 bytes and
// terminated, or `def` when the file, section or key is missing. Returns the
// number of bytes stored.
uint32_t PlatformReadProfile(const char* section, const char* key,
                             const char* def, char* buf, uint32_t size,
                             const char* path);

// Sets key=value in the section, as WritePrivateProfileStringA places it,
// in this run's copy of the file; every other byte of the file is kept. The
// result is not reported; failures are silent.
void PlatformWriteProfile(const char* section, const char* key,
                          const char* value, const char* path);

// What the commit did with the files this run wrote to.
enum PlatformCommit {
  kCommitNothing,     // no key was written
  kCommitUnchanged,   // every key already held its value: nothing rewritten
  kCommitWritten,     // the file was replaced
  kCommitReadOnly,    // the file is read-only and was left alone
  kCommitUnreadable,  // the file exists but could not be read: left alone
  kCommitBusy,        // another run or program held it: the old file kept
  kCommitFailed,      // writing failed; *error holds the platform's number
};

// Writes each file this run changed, once, replacing it atomically, one run
// at a time; a file another run replaced since this one read it gets this
// run's settings applied to what is there now. A read-only file, or one
// that exists but cannot be read, is left as it is. With `error`, the
// outcome is told apart (the last file's that was not unchanged) and the
// platform error number (GetLastError, errno) of a file left as it was
// stored; without it nothing is asked of the system beyond the commit.
PlatformCommit PlatformCommitProfiles(long* error = nullptr);

// ---- Files -----------------------------------------------------------------

// True when GetFileAttributesA succeeds for the path (file or directory).
bool PlatformFileExists(const char* path);

// ---- Registry --------------------------------------------------------------

typedef uintptr_t PlatformKey;

// The predefined root keys, with the values Windows gives their handles.
const PlatformKey kKeyClassesRoot = 0x80000000u;
const PlatformKey kKeyCurrentUser = 0x80000001u;
const PlatformKey kKeyLocalMachine = 0x80000002u;
const PlatformKey kKeyUsers = 0x80000003u;
const PlatformKey kKeyCurrentConfig = 0x80000005u;

// RegOpenKeyA: 0 and an open key on success, a Win32 error code otherwise.
long PlatformRegOpenKey(PlatformKey root, const char* subKey, PlatformKey* out);

// RegQueryValueExA with a null reserved argument: 0 on success, with the data
// in `data` and their length in `*size`; a Win32 error code otherwise (234
// when the data need more than *size bytes).
long PlatformRegQueryValue(PlatformKey key, const char* valueName,
                           uint32_t* type, unsigned char* data, uint32_t* size);

// RegCloseKey.
void PlatformRegCloseKey(PlatformKey key);

// What the other registry view of a 64-bit system holds where this program
// found nothing: kOtherViewNone when there is no other view (a 32-bit
// system or prefix), else whether subKey opens under root there and
// whether it holds valueName. `*bits` receives the other view's width (32 or
// 64), which is also the program that reads it.
enum PlatformOtherView {
  kOtherViewNone,
  kOtherViewNoKey,
  kOtherViewKeyOnly,
  kOtherViewValue,
};
PlatformOtherView PlatformLookInOtherView(PlatformKey root, const char* subKey,
                                          const char* valueName, int* bits);

// ---- Version resources -----------------------------------------------------

// GetFileVersionInfoSizeA: the size of the scratch block the version
// information needs, or 0 when the file has none.
uint32_t PlatformVersionInfoSize(const char* path);

// A zero-filled, locked scratch block of `size` bytes (GlobalAlloc with
// GMEM_MOVEABLE | GMEM_ZEROINIT, then GlobalLock), or null.
void* PlatformVersionBlockAlloc(uint32_t size);

// Unlocks and frees a block from PlatformVersionBlockAlloc.
void PlatformVersionBlockFree(void* block);

// GetFileVersionInfoA into a block of `size` bytes.
bool PlatformVersionInfoRead(const char* path, uint32_t size, void* block);

// VerQueryValueA with the root sub-block "\": the address of the fixed record
// and the length the platform reports for it.
bool PlatformVersionQueryRoot(void* block, const void** record, uint32_t* len);

// ---- The trace -------------------------------------------------------------

// Reads INSTPROBE_TRACE, once. "1": standard error (the Windows programs:
// an inherited standard error handle, else the console of the process that
// started them, never a new one). An absolute path (a DOS path on Windows,
// a Unix path on Linux): that file, appended to and created when missing.
// Unset, empty, "0", anything else, or a path that names listPath or
// varsPath: nothing is opened and false returned. `*listFound` tells
// whether the search list is there.
bool PlatformTraceOpen(const char* listPath, const char* varsPath,
                       bool* listFound);

// Adds one line of UTF-8 text (without its line end) to the trace.
void PlatformTraceLine(const char* line, uint32_t len);

// Writes out the lines not written yet; the end of the run.
void PlatformTraceClose();

// ANSI text as UTF-8 through the platform's conversions, cut at a whole
// character to fit `size`, terminated. Returns the bytes stored.
uint32_t PlatformAnsiToUtf8(const char* text, char* out, uint32_t size);

// A path of the executable's folder (PlatformModulePath's form) as a DOS
// path in UTF-8, as PlatformAnsiToUtf8 stores it; the host's Unix path goes
// through the prefix's drives.
uint32_t PlatformDosPathUtf8(const char* path, char* out, uint32_t size);

// ---- The ANSI code page ----------------------------------------------------

// Fills table[b] with 1 for every lead byte of a double-byte character in the
// active ANSI code page, 0 otherwise. Returns the code page number.
uint32_t PlatformLoadLeadBytes(unsigned char table[256]);

// The upper-case form of the double-byte character lead,trail as a UTF-16
// code unit under the platform's mapping, or 0 when it cannot be mapped.
uint32_t PlatformUpperDoubleByte(unsigned char lead, unsigned char trail);
