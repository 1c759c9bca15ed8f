#include "pathtext/pathtext.h"
#include "platform/platform.h"

bool FileExists(const char* path) { return PlatformFileExists(path); }
