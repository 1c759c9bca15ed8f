// The registry lookup cases against the lab's 64-bit prefix: each a RegKey
// and a FileName with the version and directory each build must report.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tests/e2e/build_under_test.h"

struct LookupCase {
  std::string name;  // a test name: letters, digits and '_'
  std::string regKey;
  std::string fileName;
  std::string version;  // what the 64-bit programs report (64-bit prefix)
  std::string dir;
  bool viewDiffers;  // the 32-bit programs see another registry view or file
  std::string version32;
  std::string dir32;
  // Lines the trace must hold (one per line; {other} is the other registry
  // view's width, {prefix} the prefix; "registry:" lines are the host's).
  std::string trace;
  std::string trace32;  // for the 32-bit programs, where the views differ
};

const std::vector<LookupCase>& LookupCases();

// How test parameters show a case: its name.
void PrintTo(const LookupCase& lookup, std::ostream* out);

// The version and directory a build must report for the case.
std::string ExpectedVersion(const LookupCase& lookup, Build build);
std::string ExpectedDir(const LookupCase& lookup, Build build);
std::string ExpectedTrace(const LookupCase& lookup, Build build);

// The lab's main value, C:\lab\Editor, which holds editor.exe 7.1.0.2.
extern const char kEditorKey[];
