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

// ROOT\KEY PATH\VALUE NAME, split.
struct RegKeyParts {
  PlatformKey root;
  char keyPath[kPathBufferSize];
  char valueName[kPathBufferSize];
};

// A missing key or value, and whether the other registry view holds it, and
// so which program reads it.
static void TraceMissing(const char* what, long error,
                         const RegKeyParts& parts) {
  TraceEvent("the %s is missing (error %ld)", what, error);
  int bits = 0;
  PlatformOtherView other = PlatformLookInOtherView(
      parts.root, parts.keyPath, parts.valueName, &bits);
  if (other == kOtherViewNoKey)
    TraceEvent("the %d-bit registry view does not hold the key either",
               bits);
  else if (other == kOtherViewKeyOnly)
    TraceEvent("the %d-bit registry view holds the key but not the value "
               "either", bits);
  else if (other == kOtherViewValue)
    TraceEvent("the %d-bit registry view holds the value: pick the %d-bit "
               "program", bits, bits);
}

// A RegKey with fewer than two backslashes names nothing.
static bool TooFewBackslashes(const char* count) {
  if (TraceOn())
    TraceEvent("RegKey names nothing: it has %s backslash, two are needed",
               count);
  return false;
}

// Splits the RegKey at its first and last backslash. False, traced, when it
// has fewer than two or its root is none of the five.
static bool ParseRegKey(const char* regKey, RegKeyParts* parts) {
  char rootText[kPathBufferSize];
  CopyBytes(rootText, sizeof rootText, regKey, kPathCapacity);
  long firstSlash = FindFirstChar(rootText, '\\');
  if (firstSlash < 0) return TooFewBackslashes("no");
  CopyBytes(parts->keyPath, sizeof parts->keyPath, rootText + firstSlash + 1,
            kPathCapacity);
  rootText[firstSlash] = '\0';
  parts->root = SelectRoot(rootText);

  long lastSlash = FindLastChar(parts->keyPath, '\\');
  if (lastSlash < 0) return TooFewBackslashes("one");
  CopyBytes(parts->valueName, sizeof parts->valueName,
            parts->keyPath + lastSlash + 1, kPathCapacity);
  parts->keyPath[lastSlash] = '\0';
  if (parts->root == 0) {
    if (TraceOn())
      TraceEvent("RegKey names nothing: the root %s is none of "
                 "HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, "
                 "HKEY_USERS, HKEY_CURRENT_CONFIG (short forms such as HKLM "
                 "are not known)",
                 TraceText(0, rootText));
    return false;
  }
  if (TraceOn())
    TraceEvent("root %s, key %s, value %s", RootNameOf(parts->root),
               TraceText(0, parts->keyPath), TraceText(1, parts->valueName));
  return true;
}

// Opens the key; false, traced, when it cannot be opened.
static bool OpenKey(const RegKeyParts& parts, PlatformKey* key) {
  long opened = PlatformRegOpenKey(parts.root, parts.keyPath, key);
  if (opened != 0 && TraceOn()) {
    if (opened == kErrorFileNotFound)
      TraceMissing("key", opened, parts);
    else
      TraceEvent("the key could not be opened (error %ld)", opened);
  }
  return opened == 0;
}

// Reads the value into the zeroed `data` (kValueBufferSize bytes) as text:
// up to the first zero byte, or all the data when they hold none. False,
// traced, when it cannot be read or holds a line break.
static bool ReadValueText(PlatformKey key, const RegKeyParts& parts,
                          char* data, size_t* textLen) {
  uint32_t type = 0;
  uint32_t size = kValueOffered;
  long queried = PlatformRegQueryValue(
      key, parts.valueName, &type, reinterpret_cast<unsigned char*>(data),
      &size);
  if (queried != 0 && TraceOn()) {
    if (queried == kErrorMoreData) {
      TraceEvent("the data are too long: more than the %u bytes read "
                 "(error %ld)", kValueOffered, queried);
    } else if (queried == kErrorFileNotFound) {
      TraceMissing("value", queried, parts);
    } else {
      TraceEvent("the value could not be read (error %ld)", queried);
    }
  }
  if (queried != 0) return false;
  if (size > kValueOffered) size = kValueOffered;
  *textLen = strnlen(data, size);
  if (TraceOn()) {
    char typeName[24];
    TraceEvent("value %s, %u bytes, text %s (%u bytes)",
               TraceTypeName(type, typeName, sizeof typeName), size,
               TraceText(0, data), static_cast<unsigned>(*textLen));
  }
  // A line break in the data would forge lines in the variables file, so
  // such a value counts as missing.
  if (memchr(data, '\r', *textLen) || memchr(data, '\n', *textLen)) {
    if (TraceOn())
      TraceEvent("the data hold a line break: the value counts as missing");
    return false;
  }
  return true;
}

// When the file is not at the combined path, a second drive designation in
// it (a list of directories such as C:\A\;D:\B\) is cut off and the
// directory before it reported. Returns whether it cut.
static bool CutAtSecondDrive(char* fullPath, ProbeResult* result) {
  char* colon = strlen(fullPath) > 3 ? strchr(fullPath + 3, ':') : nullptr;
  if (colon == nullptr) return false;
  colon[-1] = '\0';
  char drive[kPathBufferSize];
  char dir[kPathBufferSize];
  SplitPath(fullPath, drive, sizeof drive, dir, sizeof dir);
  CopyBytes(result->foundDir, sizeof result->foundDir, drive, kPathCapacity);
  AppendBytes(result->foundDir, sizeof result->foundDir, dir, kPathCapacity);
  return true;
}

// The value text as a directory: reported with a trailing backslash, the
// file tested in it and, when there, its major version read.
static void LocateDirectory(const char* text, size_t textLen,
                            const char* fileName, ProbeResult* result) {
  char fullPath[kPathBufferSize];
  CopyBytes(fullPath, sizeof fullPath, text, kPathCapacity);
  // A text cut to fit its buffer names another path: the file is not tested
  // under it, and it is reported only when a second drive designation
  // within it leaves a whole first directory.
  size_t textCopied = strlen(fullPath);
  bool cut = textCopied != textLen;
  EnsureTrailingBackslash(fullPath, sizeof fullPath);
  CopyBytes(result->foundDir, sizeof result->foundDir, fullPath,
            kPathCapacity);
  size_t dirLen = strlen(fullPath);
  if (TraceOn())
    TraceEvent("directory %s%s", TraceText(0, result->foundDir),
               dirLen > textCopied ? " (a backslash added)" : "");
  size_t pathLen = dirLen + strlen(fileName);
  AppendBytes(fullPath, sizeof fullPath, fileName, kPathCapacity);
  const char* untested = nullptr;
  if (cut)
    untested = "the data exceed a path's 259 bytes and were cut";
  else if (pathLen >= kPathCapacity || strlen(fullPath) != pathLen)
    untested = "the directory and FileName exceed 259 bytes";
  bool exists = untested == nullptr && PlatformFileExists(fullPath);
  if (TraceOn()) {
    if (untested != nullptr)
      TraceEvent("no file tested: %s", untested);
    else
      TraceEvent("file %s %s", TraceText(0, fullPath),
                 exists ? "exists" : "not found");
  }
  if (exists) {
    uint32_t major = ReadMajorVersion(fullPath) >> 16;
    FormatDecimal(result->versionText, sizeof result->versionText, "",
                  static_cast<int32_t>(major));
  } else if (CutAtSecondDrive(fullPath, result)) {
    if (TraceOn())
      TraceEvent("directory %s: cut before a second drive designation",
                 TraceText(0, result->foundDir));
  } else if (cut) {
    result->foundDir[0] = '\0';
    if (TraceOn())
      TraceEvent("no directory: the cut data hold no second drive "
                 "designation");
  }
}

void ProbeInstallLocation(const char* regKey, const char* fileName,
                          ProbeResult* result) {
  RegKeyParts parts;
  PlatformKey key = 0;
  if (!ParseRegKey(regKey, &parts) || !OpenKey(parts, &key)) return;
  // The platform adds no terminator to binary, DWORD or unterminated string
  // data and leaves the buffer alone for an empty string, so it starts zeroed.
  char data[kValueBufferSize] = {};
  size_t textLen = 0;
  if (ReadValueText(key, parts, data, &textLen))
    LocateDirectory(data, textLen, fileName, result);
  PlatformRegCloseKey(key);
}
