// Registry location lookup: the value a RegKey names, read as a directory.
#include <cstdint>
#include <cstring>

#include "platform/platform.h"
#include "probe/probe.h"

// The registry offers this many bytes of data; the buffer has one more, so
// data of exactly this length are still terminated.
static const uint32_t kValueOffered = 519;
static const size_t kValueBufferSize = 520;

struct RootName {
  const char* name;
  PlatformKey key;
};

static const RootName kRoots[] = {
    {"HKEY_CLASSES_ROOT", kKeyClassesRoot},
    {"HKEY_CURRENT_USER", kKeyCurrentUser},
    {"HKEY_LOCAL_MACHINE", kKeyLocalMachine},
    {"HKEY_USERS", kKeyUsers},
    {"HKEY_CURRENT_CONFIG", kKeyCurrentConfig},
};

// The predefined key a ROOT text names, or 0. All five names are compared.
static PlatformKey SelectRoot(const char* rootText) {
  PlatformKey selected = 0;
  for (const RootName& root : kRoots) {
    if (EqualsIgnoreCase(rootText, root.name)) selected = root.key;
  }
  return selected;
}

// Length of the data as text: up to the first zero byte, or all `size` bytes
// when they hold none.
static size_t DataTextLength(const unsigned char* data, uint32_t size) {
  const void* zero = memchr(data, 0, size);
  return zero ? static_cast<size_t>(static_cast<const unsigned char*>(zero) - data)
              : size;
}

// When the file is not at the combined path, a second drive designation in
// it (a list of directories such as C:\A\;D:\B\) is cut off and the
// directory before it reported. Returns whether it cut.
static bool CutAtSecondDrive(char* fullPath, ProbeResult* result) {
  size_t len = strlen(fullPath);
  if (len <= 3) return false;
  size_t colon = 0;
  for (size_t i = 3; i < len; ++i) {
    if (fullPath[i] == ':') {
      colon = i;
      break;
    }
  }
  if (colon == 0) return false;
  fullPath[colon - 1] = '\0';
  char drive[kPathBufferSize];
  char dir[kPathBufferSize];
  SplitPath(fullPath, drive, sizeof drive, dir, sizeof dir);
  CopyBytes(result->foundDir, sizeof result->foundDir, drive, kPathCapacity);
  AppendBytes(result->foundDir, sizeof result->foundDir, dir, kPathCapacity);
  return true;
}

void ProbeInstallLocation(const char* regKey, const char* fileName,
                          ProbeResult* result) {
  char rootText[kPathBufferSize];
  char keyPath[kPathBufferSize];
  char valueName[kPathBufferSize];
  CopyBytes(rootText, sizeof rootText, regKey, kPathCapacity);

  long firstSlash = FindFirstChar(rootText, '\\');
  if (firstSlash < 0) return;
  CopyBytes(keyPath, sizeof keyPath, rootText + firstSlash + 1, kPathCapacity);
  rootText[firstSlash] = '\0';
  PlatformKey root = SelectRoot(rootText);

  long lastSlash = FindLastChar(keyPath, '\\');
  if (lastSlash < 0) return;
  CopyBytes(valueName, sizeof valueName, keyPath + lastSlash + 1, kPathCapacity);
  keyPath[lastSlash] = '\0';

  PlatformKey key = 0;
  if (root == 0 || PlatformRegOpenKey(root, keyPath, &key) != 0) return;

  // The platform adds no terminator to binary, DWORD or unterminated string
  // data and leaves the buffer alone for an empty string, so it starts zeroed.
  unsigned char data[kValueBufferSize];
  memset(data, 0, sizeof data);
  uint32_t type = 0;
  uint32_t size = kValueOffered;
  if (PlatformRegQueryValue(key, valueName, &type, data, &size) == 0) {
    if (size > kValueOffered) size = kValueOffered;
    size_t textLen = DataTextLength(data, size);
    const char* text = reinterpret_cast<const char*>(data);
    // A line break in the data would forge lines in the variables file, so
    // such a value counts as missing.
    bool forged = memchr(text, '\r', textLen) || memchr(text, '\n', textLen);
    if (!forged) {
      char fullPath[kPathBufferSize];
      CopyBytes(fullPath, sizeof fullPath, text, kPathCapacity);
      // A text cut to fit its buffer names another path: the file must not
      // be tested under it, and it is reported only when a second drive
      // designation within it leaves a whole first directory.
      bool textFits = strlen(fullPath) == textLen;
      bool fits = textFits;
      EnsureTrailingBackslash(fullPath, sizeof fullPath);
      CopyBytes(result->foundDir, sizeof result->foundDir, fullPath,
                kPathCapacity);
      size_t dirLen = strlen(fullPath);
      AppendBytes(fullPath, sizeof fullPath, fileName, kPathCapacity);
      fits = fits && dirLen + strlen(fileName) < kPathCapacity &&
             strlen(fullPath) == dirLen + strlen(fileName);
      if (fits && FileExists(fullPath)) {
        uint32_t major = ReadMajorVersion(fullPath) >> 16;
        FormatDecimal(result->versionText, sizeof result->versionText, "",
                      static_cast<int32_t>(major));
      } else if (!CutAtSecondDrive(fullPath, result) && !textFits) {
        result->foundDir[0] = '\0';
      }
    }
  }
  PlatformRegCloseKey(key);
}
