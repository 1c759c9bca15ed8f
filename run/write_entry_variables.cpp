// The variables file: four keys per entry, in a fixed order.
#include "platform/platform.h"
#include "run/run.h"

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
}
