// The whole life of one run: find the two files (beside the executable, or
// where the host program's options say), walk the sections FILE0, FILE1, ...
// of the search list and write what each entry's probe found.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "run/run.h"
#include "trace/trace.h"

// The executable's directory must leave room for both file names in the
// 264-byte path buffers.
static const size_t kMaxExeDirLength = 252;

static const char kSearchListName[] = "stpsrch.ini";
static const char kVariablesName[] = "stvar.ini";

// A VarName that holds '=' would be written as a key that reads back as
// another key, and one that begins with '[' as a line that parses as a
// section header; such an entry is skipped.
static bool IsWritableVarName(const char* varName) {
  return FindFirstChar(varName, '=') < 0 && varName[0] != '[';
}

// The three texts as read, with their lengths: a text at its read limit
// was probably cut.
static void TraceEntryTexts(const SearchEntry* entry) {
  const char* texts[3] = {entry->regKey, entry->fileName, entry->varName};
  const uint32_t limits[3] = {kRegKeyReadLimit, kFileNameReadLimit,
                              kVarNameReadLimit};
  char lengths[3][48];
  for (int i = 0; i < 3; ++i) {
    uint32_t len = static_cast<uint32_t>(strlen(texts[i]));
    snprintf(lengths[i], sizeof lengths[i], "%u byte%s%s", len,
             len == 1 ? "" : "s",
             len + 1 >= limits[i] ? ", the most that is read" : "");
  }
  TraceEvent("RegKey %s (%s), FileName %s (%s), VarName %s (%s)",
             TraceText(0, texts[0]), lengths[0], TraceText(1, texts[1]),
             lengths[1], TraceText(2, texts[2]), lengths[2]);
}

bool FindFilesBesideExecutable(char* listPath, char* varsPath) {
  InitPathText();
  char exePath[kPathBufferSize];
  memset(exePath, 0, sizeof exePath);
  uint32_t got = PlatformModulePath(exePath, kPathCapacity);
  // A cut path names another directory, whose search list is a stranger's.
  if (got == 0 || got >= kPathCapacity) return false;

  char drive[kPathBufferSize];
  char dir[kPathBufferSize];
  SplitPath(exePath, drive, sizeof drive, dir, sizeof dir);
  if (strlen(drive) + strlen(dir) > kMaxExeDirLength) return false;

  CopyBytes(listPath, kPathBufferSize, drive, kPathCapacity);
  AppendBytes(listPath, kPathBufferSize, dir, kPathCapacity);
  CopyBytes(varsPath, kPathBufferSize, listPath, kPathCapacity);
  AppendBytes(listPath, kPathBufferSize, kSearchListName, kPathCapacity);
  AppendBytes(varsPath, kPathBufferSize, kVariablesName, kPathCapacity);
  return true;
}

// The walk and the commit; InitPathText has been called.
static void WalkSearchList(const char* listPath, const char* varsPath) {
  TraceStart(listPath, varsPath);
  SearchEntry entry;
  ProbeResult result;
  char section[20];
  // The walk has no upper bound but the number's range.
  for (int32_t number = 0; number >= 0;) {
    FormatDecimal(section, sizeof section, "FILE", number);
    number = (number == INT32_MAX) ? -1 : number + 1;

    result.foundDir[0] = '\0';
    result.versionText[0] = '\0';

    // Zeroed before each read: a limit that falls inside a double-byte
    // character must leave no stale byte before the terminator.
    memset(&entry, 0, sizeof entry);
    PlatformReadProfile(section, "RegKey", "", entry.regKey, kRegKeyReadLimit,
                        listPath);
    if (TraceOn()) TraceSection(section);
    if (strlen(entry.regKey) < 2) {
      if (TraceOn())
        TraceEvent("the walk ends: RegKey %s is shorter than 2 bytes",
                   TraceText(0, entry.regKey));
      break;
    }
    PlatformReadProfile(section, "FileName", "", entry.fileName,
                        kFileNameReadLimit, listPath);
    PlatformReadProfile(section, "VarName", "", entry.varName,
                        kVarNameReadLimit, listPath);
    if (TraceOn()) TraceEntryTexts(&entry);

    if (!IsWritableVarName(entry.varName)) {
      if (TraceOn())
        TraceEvent("skipped: the VarName %s",
                   entry.varName[0] == '[' ? "begins with '['" : "holds '='");
      continue;
    }

    ProbeInstallLocation(entry.regKey, entry.fileName, &result);
    // The RegKey buffer is free now and holds the root text.
    WriteEntryVariables(varsPath, entry.varName, &result, entry.regKey);
  }
  long error = 0;
  PlatformCommit outcome = PlatformCommitProfiles(TraceOn() ? &error : nullptr);
  if (TraceOn()) TraceFinish(outcome, error);
}

int RunSearchList() {
  char listPath[kPathBufferSize];
  char varsPath[kPathBufferSize];
  if (FindFilesBesideExecutable(listPath, varsPath))
    WalkSearchList(listPath, varsPath);
  return 0;
}

void RunSearchListFiles(const char* listPath, const char* varsPath) {
  InitPathText();
  WalkSearchList(listPath, varsPath);
}
