// The builds of instprobe that the end-to-end tests run, and where their
// executables are: the two host programs (instprobe answers as the 64-bit
// Windows program, instprobe32 as the 32-bit one) and the two Windows
// programs.
#pragma once

#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>
#include <tuple>

#include "tests/support/wine_lab.h"

enum class Build { kHost, kHost32, kWin32, kWin64 };

// Whether the build is one of the host programs (run directly, not by Wine).
bool IsHostBuild(Build build);

const char* BuildName(Build build);

// How test parameters show a build.
void PrintTo(Build build, std::ostream* out);

// The executable of a build: $INSTPROBE_HOST_EXE, $INSTPROBE_HOST32_EXE,
// $INSTPROBE_WIN32_EXE or $INSTPROBE_WIN64_EXE when set, else the path the
// build system compiled in.
std::string BuildExePath(Build build);

// True when the build's executable is there; otherwise `why` says so.
bool BuildAvailable(Build build, std::string* why);

// Ends the current test when the build is missing: a failure when every
// build is required, a skip otherwise.
#define E2E_REQUIRE_BUILD(build)                                    \
  do {                                                              \
    std::string e2e_why;                                            \
    if (!BuildAvailable((build), &e2e_why)) LAB_UNAVAILABLE(e2e_why); \
  } while (0)

// Names a test by its parameter: a case's name, a build's name, a file's
// stem (with '_' for each character a test name cannot hold), or those of a
// tuple's elements joined by '_' ("missing_key_win64").
struct CaseName {
  template <typename Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    return Part(info.param);
  }
  template <typename... Parts>
  std::string operator()(
      const ::testing::TestParamInfo<std::tuple<Parts...>>& info) const {
    std::string name;
    std::apply([&](const Parts&... part) { ((name += Part(part) + "_"), ...); },
               info.param);
    name.pop_back();
    return name;
  }

 private:
  static std::string Part(Build build) { return BuildName(build); }
  static std::string Part(const std::string& file) {
    std::string name;
    for (char c : std::filesystem::path(file).stem().string())
      name += isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
  }
  template <typename Case>
  static std::string Part(const Case& c) {
    return c.name;
  }
};
