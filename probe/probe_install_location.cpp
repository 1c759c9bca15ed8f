// Registry location lookup: the value a RegKey names, read as a directory.
#include <cstdint>
#include <cstring>

#include "platform/platform.h"
#include "probe/probe.h"
#include "trace/trace.h"

// The registry offers this many bytes of data; the buffer has one more, so
// data of exactly this length are still terminated.
static const uint32_t kValueOffered = 519;
static const size_t kValueBufferSize = 520;

// The registry's answers the trace tells apart.
static const long kErrorFileNotFound = 2;
static const long kErrorMoreData = 234;

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

static const char* RootNameOf(PlatformKey key) {
  for (const RootName& root : kRoots)
    if (root.key == key) return root.name;
  return "";
}

// After a missing key or value: whether the other registry view holds it,
// and so which program reads it.
static void TraceOtherView(PlatformKey root, const char* keyPath,
                           const char* valueName) {
  int bits = 0;
  switch (PlatformLookInOtherView(root, keyPath, valueName, &bits)) {
    case kOtherViewNone:
      break;
    case kOtherViewNoKey:
      TraceEvent("the %d-bit registry view does not hold the key either",
                 bits);
      break;
    case kOtherViewKeyOnly:
      TraceEvent("the %d-bit registry view holds the key but not the value "
                 "either", bits);
      break;
    case kOtherViewValue:
      TraceEvent("the %d-bit registry view holds the value: pick the %d-bit "
                 "program", bits, bits);
      break;
  }
}

// What the value read holds, before the rules turn it into a directory.
static void TraceValue(uint32_t type, uint32_t size, const char* text,
                       size_t textLen) {
  char typeName[24];
  TraceEvent("value %s, %u bytes, text %s (%u bytes)",
             TraceTypeName(type, typeName, sizeof typeName), size,
             TraceText(0, text), static_cast<unsigned>(textLen));
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
  if (firstSlash < 0) {
    if (TraceOn())
      TraceEvent("RegKey names nothing: it has no backslash, two are needed");
    return;
  }
  CopyBytes(keyPath, sizeof keyPath, rootText + firstSlash + 1, kPathCapacity);
  rootText[firstSlash] = '\0';
  PlatformKey root = SelectRoot(rootText);

  long lastSlash = FindLastChar(keyPath, '\\');
  if (lastSlash < 0) {
    if (TraceOn())
      TraceEvent("RegKey names nothing: it has one backslash, two are needed");
    return;
  }
  CopyBytes(valueName, sizeof valueName, keyPath + lastSlash + 1, kPathCapacity);
  keyPath[lastSlash] = '\0';

  PlatformKey key = 0;
  if (root == 0) {
    if (TraceOn())
      TraceEvent("RegKey names nothing: the root %s is none of "
                 "HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, "
                 "HKEY_USERS, HKEY_CURRENT_CONFIG (short forms such as HKLM "
                 "are not known)",
                 TraceText(0, rootText));
    return;
  }
  if (TraceOn())
    TraceEvent("root %s, key %s, value %s", RootNameOf(root),
               TraceText(0, keyPath), TraceText(1, valueName));
  long opened = PlatformRegOpenKey(root, keyPath, &key);
  if (opened != 0) {
    if (TraceOn() && opened == kErrorFileNotFound) {
      TraceEvent("the key is missing (error %ld)", opened);
      TraceOtherView(root, keyPath, valueName);
    } else if (TraceOn()) {
      TraceEvent("the key could not be opened (error %ld)", opened);
    }
    return;
  }

  // The platform adds no terminator to binary, DWORD or unterminated string
  // data and leaves the buffer alone for an empty string, so it starts zeroed.
  unsigned char data[kValueBufferSize];
  memset(data, 0, sizeof data);
  uint32_t type = 0;
  uint32_t size = kValueOffered;
  long queried = PlatformRegQueryValue(key, valueName, &type, data, &size);
  if (queried != 0 && TraceOn()) {
    if (queried == kErrorMoreData) {
      TraceEvent("the data are too long: more than the %u bytes read "
                 "(error %ld)", kValueOffered, queried);
    } else if (queried == kErrorFileNotFound) {
      TraceEvent("the value is missing (error %ld)", queried);
      TraceOtherView(root, keyPath, valueName);
    } else {
      TraceEvent("the value could not be read (error %ld)", queried);
    }
  }
  if (queried == 0) {
    if (size > kValueOffered) size = kValueOffered;
    size_t textLen = DataTextLength(data, size);
    const char* text = reinterpret_cast<const char*>(data);
    if (TraceOn()) TraceValue(type, size, text, textLen);
    // A line break in the data would forge lines in the variables file, so
    // such a value counts as missing.
    bool forged = memchr(text, '\r', textLen) || memchr(text, '\n', textLen);
    if (forged && TraceOn())
      TraceEvent("the data hold a line break: the value counts as missing");
    if (!forged) {
      char fullPath[kPathBufferSize];
      CopyBytes(fullPath, sizeof fullPath, text, kPathCapacity);
      // A text cut to fit its buffer names another path: the file must not
      // be tested under it, and it is reported only when a second drive
      // designation within it leaves a whole first directory.
      bool textFits = strlen(fullPath) == textLen;
      bool fits = textFits;
      size_t textCopied = strlen(fullPath);
      EnsureTrailingBackslash(fullPath, sizeof fullPath);
      CopyBytes(result->foundDir, sizeof result->foundDir, fullPath,
                kPathCapacity);
      size_t dirLen = strlen(fullPath);
      if (TraceOn())
        TraceEvent("directory %s%s", TraceText(0, result->foundDir),
                   dirLen > textCopied ? " (a backslash added)" : "");
      AppendBytes(fullPath, sizeof fullPath, fileName, kPathCapacity);
      fits = fits && dirLen + strlen(fileName) < kPathCapacity &&
             strlen(fullPath) == dirLen + strlen(fileName);
      bool exists = fits && FileExists(fullPath);
      if (TraceOn()) {
        if (fits)
          TraceEvent("file %s %s", TraceText(0, fullPath),
                     exists ? "exists" : "not found");
        else
          TraceEvent("no file tested: %s", textFits
                         ? "the directory and FileName exceed 259 bytes"
                         : "the data exceed a path's 259 bytes and were cut");
      }
      if (exists) {
        uint32_t major = ReadMajorVersion(fullPath) >> 16;
        FormatDecimal(result->versionText, sizeof result->versionText, "",
                      static_cast<int32_t>(major));
      } else if (CutAtSecondDrive(fullPath, result)) {
        if (TraceOn())
          TraceEvent("directory %s: cut before a second drive designation",
                     TraceText(0, result->foundDir));
      } else if (!textFits) {
        result->foundDir[0] = '\0';
        if (TraceOn())
          TraceEvent("no directory: the cut data hold no second drive "
                     "designation");
      }
    }
  }
  PlatformRegCloseKey(key);
}
