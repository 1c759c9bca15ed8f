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

// Writes each file this run changed, once, replacing it atomically, one run
// at a time; a file another run replaced since this one read it gets this
// run's settings applied to what is there now. A read-only file, or one
// that exists but cannot be read, is left as it is.
void PlatformCommitProfiles();

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

// ---- The ANSI code page ----------------------------------------------------

// Fills table[b] with 1 for every lead byte of a double-byte character in the
// active ANSI code page, 0 otherwise. Returns the code page number.
uint32_t PlatformLoadLeadBytes(unsigned char table[256]);

// The upper-case form of the double-byte character lead,trail as a UTF-16
// code unit under the platform's mapping, or 0 when it cannot be mapped.
uint32_t PlatformUpperDoubleByte(unsigned char lead, unsigned char trail);
