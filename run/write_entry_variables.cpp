// The variables file: four keys per entry, in a fixed order.
#include "platform/platform.h"
#include "run/run.h"
#include "trace/trace.h"

#include <cstring>

void WriteEntryVariables(const char* varsPath, char* varName,
                         const ProbeResult* result, char* rootText) {
  PlatformWriteProfile("PrgStart", varName, result->versionText, varsPath);

  AppendBytes(varName, kVarNameBufferSize, "Path", kVarNameBufferSize);
  PlatformWriteProfile("PrgStart", varName, result->foundDir, varsPath);

  char bracketed[kPathBufferSize];
  CopyBytes(bracketed, sizeof bracketed, "<", kPathCapacity);
  AppendBytes(bracketed, sizeof bracketed, varName, kPathCapacity);
  AppendBytes(bracketed, sizeof bracketed, ">", kPathCapacity);
  PlatformWriteProfile("PrivatPath", bracketed, result->foundDir, varsPath);

  // The root is the drive followed by a backslash, or a lone backslash when
  // the directory has no drive (a network path) or is empty.
  char drive[kPathBufferSize];
  char dir[kPathBufferSize];
  SplitPath(result->foundDir, drive, sizeof drive, dir, sizeof dir);
  CopyBytes(rootText, kPathBufferSize, drive, kPathCapacity);
  EnsureTrailingBackslash(rootText, kPathBufferSize);

  AppendBytes(varName, kVarNameBufferSize, "Root", kVarNameBufferSize);
  PlatformWriteProfile("PrgStart", varName, rootText, varsPath);

  if (TraceOn()) {
    // varName now ends with "PathRoot"; its base is what the list named.
    size_t base = strlen(varName) - strlen("PathRoot");
    char name[kVarNameBufferSize];
    CopyBytes(name, sizeof name, varName, base);
    const char* nameText = TraceText(0, name, false);
    const char* dirText = TraceText(2, result->foundDir);
    TraceEvent(
        "wrote [PrgStart] %s=%s %sPath=%s %sPathRoot=%s%s, [PrivatPath] "
        "<%sPath>=%s",
        nameText, TraceText(1, result->versionText), nameText, dirText,
        nameText, TraceText(3, rootText),
        drive[0] == '\0' ? " (no drive letter)" : "", nameText, dirText);
  }
}
