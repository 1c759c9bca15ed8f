// The lab as a command, for the release tests (tests/release/wine_lab.py):
// each call works on the lab in ROOT, so that the Python tests make their
// prefix, import registry values, build PE files and run programs through
// the same code as the GoogleTest suites.
//
//   wine_lab boot ROOT                   make ROOT/prefix, start its server
//   wine_lab stop ROOT | start ROOT      stop (saving the registry) or start
//                                        the server
//   wine_lab close ROOT                  stop the server, remove ROOT
//   wine_lab import ROOT FILE 32|64      import a .reg file (UTF-8, header
//                                        line first) into one view
//   wine_lab pe ROOT A.B.C.D|none OUT    build a PE file with that version
//   wine_lab run ROOT [NAME=VALUE...] PROGRAM [ARG...]
//                                        run PROGRAM (a .exe through wine) in
//                                        ROOT; its exit status is the tool's
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/files.h"
#include "tests/support/wine_lab.h"

// The .reg text after its header line, with CRLF line ends; false when it
// does not begin with the header.
static bool RegBody(const std::string& text, std::string* body) {
  if (text.rfind("Windows Registry Editor Version 5.00", 0) != 0) return false;
  for (char c : text.substr(text.find('\n') + 1)) {
    if (c == '\n') *body += '\r';
    if (c != '\r') *body += c;
  }
  return true;
}

static bool Run(const std::vector<std::string>& words, int* status,
                std::string* error) {
  std::vector<std::string> argv = {"env"};
  size_t at = 0;
  while (at < words.size() && words[at].find('=') != std::string::npos)
    argv.push_back(words[at++]);
  if (at == words.size()) {
    *error = "run: no program";
    return false;
  }
  const std::string& program = words[at];
  if (program.size() > 4 && program.compare(program.size() - 4, 4, ".exe") == 0)
    argv.push_back("wine");
  argv.insert(argv.end(), words.begin() + at, words.end());
  return RunChild(argv, LabTempDir(), LabLogPath(), 60, status, error);
}

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() < 2) {
    fprintf(stderr, "usage: wine_lab COMMAND ROOT [ARGS...]\n");
    return 2;
  }
  const std::string& command = args[0];
  SetSuiteLocale();
  LabAttach(args[1]);
  std::string error;
  int status = 0;
  bool ok = false;
  if (command == "boot") {
    ok = LabBoot(&error);
  } else if (command == "stop") {
    ok = LabStopServer(&error);
  } else if (command == "start") {
    ok = LabStartServer(&error);
  } else if (command == "close") {
    LabPrefixTearDown();
    ok = true;
  } else if (command == "import" && args.size() == 4) {
    std::string text, body;
    ok = ReadBytes(args[2], &text) && RegBody(text, &body) &&
         LabImportReg("import.reg", body, {std::stoi(args[3])}, &error);
    if (!ok && error.empty()) error = args[2] + " is not a .reg file";
  } else if (command == "pe" && args.size() == 4) {
    ok = BuildVersionFixture(args[2], args[3], &error);
  } else if (command == "run") {
    ok = Run(std::vector<std::string>(args.begin() + 2, args.end()), &status,
             &error);
  } else {
    error = "unknown command or arguments: " + command;
  }
  if (!ok) {
    fprintf(stderr, "wine_lab %s: %s\n", command.c_str(), error.c_str());
    return 125;
  }
  return status;
}
