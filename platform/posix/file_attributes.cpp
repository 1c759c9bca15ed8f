// PLACEHOLDER (replaced by the DOS path mapping): nothing exists.
#include "platform/platform.h"

bool PlatformFileExists(const char*) { return false; }
