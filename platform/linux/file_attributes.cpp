// GetFileAttributesA's success on the host: the DOS path resolved through
// the Wine prefix's drives.
#include <string>

#include "platform/linux/dos_path.h"
#include "platform/linux/registry.h"
#include "platform/platform.h"

bool PlatformFileExists(const char *path) {
  std::string unixPath;
  return HostResolveDosPath(path, HostSeesWow64(), unixPath) !=
         DosPathKind::kMissing;
}
