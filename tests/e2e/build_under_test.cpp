// Where the executables of the builds are.
#include "tests/e2e/build_under_test.h"

#include <sys/stat.h>

#include <cstdlib>

// Each build's name, the variable that may name its executable, and the
// path the build system compiled in.
static const struct {
  const char* name;
  const char* variable;
  const char* fallback;
} kBuilds[] = {
    {"host", "INSTPROBE_HOST_EXE", E2E_DEFAULT_HOST_EXE},
    {"host32", "INSTPROBE_HOST32_EXE", E2E_DEFAULT_HOST32_EXE},
    {"win32", "INSTPROBE_WIN32_EXE", E2E_DEFAULT_WIN32_EXE},
    {"win64", "INSTPROBE_WIN64_EXE", E2E_DEFAULT_WIN64_EXE},
};

const char* BuildName(Build build) {
  return kBuilds[static_cast<int>(build)].name;
}

bool IsHostBuild(Build build) {
  return build == Build::kHost || build == Build::kHost32;
}

void PrintTo(Build build, std::ostream* out) { *out << BuildName(build); }

std::string BuildExePath(Build build) {
  const char* value = getenv(kBuilds[static_cast<int>(build)].variable);
  return (value != nullptr && value[0] != '\0')
             ? value
             : kBuilds[static_cast<int>(build)].fallback;
}

bool BuildAvailable(Build build, std::string* why) {
  std::string path = BuildExePath(build);
  struct stat info;
  if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return true;
  const char* preset = IsHostBuild(build) ? "host" : BuildName(build);
  *why = std::string("the ") + BuildName(build) + " executable " + path +
         " is missing; build it with `cmake --preset " + preset +
         " && cmake --build --preset " + preset + "`";
  return false;
}
