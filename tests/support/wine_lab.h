// The Wine prefix of one test program: made once in a temporary folder,
// served by a persistent wineserver while the tests run, and removed at the
// end. $WINEPREFIX and $WINEDEBUG are set for this process and its children,
// so the host build reads the same prefix as the Windows builds.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

// $INSTPROBE_REQUIRE_ALL_BUILDS=1 (the test command sets it): every build,
// tool and Wine must be there, and a missing one fails the tests that need
// it instead of skipping them.
bool AllBuildsRequired();

// Ends the current test when what it needs (a build, MinGW, Wine, a probe
// that compiles) is missing: a failure when every build is required, a
// skip otherwise. `why` names what is missing.
#define LAB_UNAVAILABLE(why)                   \
  do {                                         \
    if (AllBuildsRequired()) FAIL() << (why);  \
    GTEST_SKIP() << (why);                     \
  } while (0)

// The locale the suites run in (C.UTF-8), set in the test program's own
// environment before any test, whatever the caller's was.
void SetSuiteLocale();

// Makes the prefix (wineboot --init) in a new temporary folder and starts
// its persistent server.
bool LabPrefixSetUp(std::string* error);

// Takes `root` as the lab's folder (its prefix is root/prefix), for a
// program that works on a lab another run made (tests/support/lab_tool.cpp).
void LabAttach(const std::string& root);
// Makes the attached lab's prefix and starts its persistent server.
bool LabBoot(std::string* error);

// Stops the server (only this prefix's) and removes the temporary folder.
void LabPrefixTearDown();

// Whether the prefix is a 64-bit one: its system.reg says "#arch=win64"
// (Wine takes a file without the line for a 32-bit prefix). WINEARCH=win32
// in the environment makes a 32-bit prefix.
bool LabPrefixIs64Bit();

// The prefix directory, and its C: drive as a Unix path.
const std::string& LabPrefixDir();
std::string LabDriveC();
// The temporary folder that holds the prefix, free for the tests' own files.
const std::string& LabTempDir();

// Runs `wine ARGS...` in `cwd`, output to the prefix's log file; with
// LC_ALL=`locale` when one is given (it selects Wine's code pages).
bool RunWine(const std::vector<std::string>& args, const std::string& cwd,
             int timeoutSeconds, std::string* error,
             const std::string& locale = "");

// Builds a 64-bit probe program from one C++ file of the source tree.
bool BuildWineProbe(const std::string& source, const std::string& exe,
                    std::string* error);

// Builds a 64-bit program with FILEVERSION `version` ("A.B.C.D"; "none":
// no resource at all) by the one fixture builder,
// tests/fixtures/version/build-fixtures.sh.
bool BuildVersionFixture(const std::string& version, const std::string& exe,
                         std::string* error);

// .reg text: "text" with its backslashes and quotes escaped; hex(type):
// `bytes`, with lines wrapped as regedit wraps them.
std::string RegQuoted(const std::string& text);
std::string RegHex(int type, const std::string& bytes);
// hex(type): the UTF-16LE form of `utf8`, NULs included.
std::string RegHexText(int type, const std::string& utf8);

// Writes `body` (UTF-8 .reg text after the header line) to C:\<name> and
// imports it into each registry view in `views` (32, 64).
bool LabImportReg(const std::string& name, const std::string& body,
                  const std::vector<int>& views, std::string* error);

// Stops the lab's server, which saves the registry files the host build
// reads, and waits for it to exit; starts a persistent one.
bool LabStopServer(std::string* error);
bool LabStartServer(std::string* error);
// Both: the files on disk hold what was imported, and the server runs.
bool SaveRegistryAndRestartServer(std::string* error);

// The log file that receives the output of every child process.
std::string LabLogPath();
