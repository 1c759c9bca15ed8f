// Process entry of the host build. Without any argument it is the Windows
// program: the two files beside the executable, no output, exit status 0.
// With arguments it is a Linux command: options name the search list, the
// variables file and the Wine prefix, and failures are reported.
#include <errno.h>
#include <fcntl.h>
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/linux/host_context.h"
#include "platform/linux/profile.h"
#include "platform/linux/program.h"
#include "platform/linux/wine_prefix.h"
#include "run/run.h"

namespace {

// Exit statuses of a run with arguments.
const int kExitFileError = 1;
const int kExitUsage = 2;

const char kUsage[] =
    "Usage: %s [--list FILE] [--vars FILE] [--prefix DIR]\n"
    "Finds the programs that a search list names in a Wine prefix and writes\n"
    "their major versions and folders into a variables file.\n"
    "\n"
    "  --list FILE    read the search list FILE\n"
    "                 (default: stpsrch.ini beside the program)\n"
    "  --vars FILE    write the variables into FILE\n"
    "                 (default: stvar.ini beside the program)\n"
    "  --prefix DIR   read the Wine prefix DIR\n"
    "                 (default: $WINEPREFIX, else ~/.wine)\n"
    "  --help         show this help and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "Relative paths are taken from the current directory. %s answers as the\n"
    "%s-bit Windows program. Without any argument it reads and writes beside\n"
    "itself, prints nothing and always exits 0, as the Windows program does.\n"
    "\n"
    "Exit status (with arguments):\n"
    "  0  the search list was walked and the variables file written\n"
    "  1  the search list cannot be read, the variables file cannot be\n"
    "     written, or DIR is not a directory\n"
    "  2  a usage error: an unknown option, a missing value, an operand\n";

// The program's name without its folder, as every message begins.
char* ProgramName(char* argv0) {
  char* slash = strrchr(argv0, '/');
  return slash != nullptr ? slash + 1 : argv0;
}

int UsageError(const char* program) {
  fprintf(stderr, "Try '%s --help' for more information.\n", program);
  return kExitUsage;
}

int FileError(const char* program, const char* what, const std::string& path,
              int error) {
  fprintf(stderr, "%s: cannot %s '%s': %s\n", program, what, path.c_str(),
          strerror(error));
  return kExitFileError;
}

// 0 when the search list can be opened for reading and is not a folder,
// otherwise the errno value that says why not.
int SearchListUnreadable(const char* path) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat st;
  int error = fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
  close(fd);
  return error;
}

// A relative directory made absolute from the current directory.
std::string FromCurrentDirectory(const char* path) {
  if (path[0] == '/') return path;
  char cwd[4096];
  if (getcwd(cwd, sizeof cwd) == nullptr) return path;
  return std::string(cwd) + "/" + path;
}

int RunWithArguments(int argc, char** argv) {
  // getopt_long's own messages begin with argv[0].
  argv[0] = ProgramName(argv[0]);
  const char* program = argv[0];
  enum { kList = 256, kVars, kPrefix, kHelp, kVersion };
  static const struct option kOptions[] = {
      {"list", required_argument, nullptr, kList},
      {"vars", required_argument, nullptr, kVars},
      {"prefix", required_argument, nullptr, kPrefix},
      {"help", no_argument, nullptr, kHelp},
      {"version", no_argument, nullptr, kVersion},
      {nullptr, 0, nullptr, 0}};
  const char* list = nullptr;
  const char* vars = nullptr;
  const char* prefix = nullptr;
  int option;
  // "+": the options end at the first operand, which is an error.
  while ((option = getopt_long(argc, argv, "+", kOptions, nullptr)) != -1) {
    switch (option) {
      case kList:
        list = optarg;
        break;
      case kVars:
        vars = optarg;
        break;
      case kPrefix:
        prefix = optarg;
        break;
      case kHelp:
        printf(kUsage, program, program, kHostProgramIs32Bit ? "32" : "64");
        return 0;
      case kVersion:
        printf("%s %s\n", program, INSTPROBE_VERSION);
        return 0;
      default:  // getopt_long has said what is wrong
        return UsageError(program);
    }
  }
  if (optind < argc) {
    fprintf(stderr, "%s: unexpected argument '%s'\n", program, argv[optind]);
    return UsageError(program);
  }

  char besideList[kPathBufferSize];
  char besideVars[kPathBufferSize];
  if ((list == nullptr || vars == nullptr) &&
      !FindFilesBesideExecutable(besideList, besideVars)) {
    fprintf(stderr,
            "%s: the program's folder is unknown or too long for the files "
            "beside it; give --list and --vars\n",
            program);
    return kExitFileError;
  }
  if (list == nullptr) list = besideList;
  if (vars == nullptr) vars = besideVars;

  int error = SearchListUnreadable(list);
  if (error != 0) return FileError(program, "read search list", list, error);
  if (prefix != nullptr) {
    struct stat st;
    error = stat(prefix, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (error != 0) return FileError(program, "use Wine prefix", prefix, error);
    HostUseWinePrefix(FromCurrentDirectory(prefix));
  }

  RunSearchListFiles(list, vars);
  const std::string& notWritten = HostProfileNotWritten(&error);
  if (!notWritten.empty())
    return FileError(program, "write variables file", notWritten, error);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Everything the run learns lives in its one context, which lasts to the
  // process's end: taking the registry index and the mapped files down at
  // exit would only add to the run's time.
  static HostContext* const context = new HostContext();
  HostScope scope(*context);
  if (argc <= 1) return RunSearchList();
  return RunWithArguments(argc, argv);
}
