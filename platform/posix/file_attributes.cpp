// GetFileAttributesA's success on the host: the DOS path resolved through
// the Wine prefix's drives.
#include <string>

#include "platform/platform.h"
#include "platform/posix/dos_path.h"

bool PlatformFileExists(const char *path) {
  std::string unixPath;
  return HostResolveDosPath(path, unixPath) != DosPathKind::kMissing;
}
