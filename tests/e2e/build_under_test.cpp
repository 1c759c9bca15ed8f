// Where the executables of the builds are.
#include "tests/e2e/build_under_test.h"

#include <sys/stat.h>

#include <cstdlib>

const char* BuildName(Build build) {
  switch (build) {
    case Build::kHost:
      return "host";
    case Build::kHost32:
      return "host32";
    case Build::kWin32:
      return "win32";
    case Build::kWin64:
      return "win64";
  }
  return "unknown";
}

bool IsHostBuild(Build build) {
  return build == Build::kHost || build == Build::kHost32;
}

void PrintTo(Build build, std::ostream* out) { *out << BuildName(build); }

std::string BuildExePath(Build build) {
  const char* variable = "INSTPROBE_HOST_EXE";
  const char* fallback = E2E_DEFAULT_HOST_EXE;
  if (build == Build::kHost32) {
    variable = "INSTPROBE_HOST32_EXE";
    fallback = E2E_DEFAULT_HOST32_EXE;
  } else if (build == Build::kWin32) {
    variable = "INSTPROBE_WIN32_EXE";
    fallback = E2E_DEFAULT_WIN32_EXE;
  } else if (build == Build::kWin64) {
    variable = "INSTPROBE_WIN64_EXE";
    fallback = E2E_DEFAULT_WIN64_EXE;
  }
  const char* value = getenv(variable);
  return (value != nullptr && value[0] != '\0') ? value : fallback;
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
