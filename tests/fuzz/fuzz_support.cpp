#include "fuzz_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/files.h"

namespace {

std::string g_dir;

void RemoveScratch() { RemoveTree(g_dir); }

}  // namespace

const std::string& FuzzScratchDir() {
  if (g_dir.empty() && getenv(kFuzzScratchVariable) != nullptr) {
    // Handed over by the process that made it (see FuzzReexecFromScratch).
    g_dir = getenv(kFuzzScratchVariable);
    atexit(RemoveScratch);
  }
  if (g_dir.empty()) {
    const char* tmp = getenv("TMPDIR");
    std::string pattern =
        std::string(tmp && *tmp ? tmp : "/tmp") + "/instprobe-fuzz-XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr) FuzzFail("mkdtemp failed");
    g_dir = pattern;
    atexit(RemoveScratch);
  }
  return g_dir;
}

void FuzzWriteFile(const std::string& path, const void* data, size_t len) {
  if (!WriteBytes(path, std::string(static_cast<const char*>(data), len)))
    FuzzFail("cannot write an input file");
}

bool FuzzReadFile(const std::string& path, std::string& out) {
  out.clear();
  return ReadBytes(path, &out);
}

void FuzzFail(const char* what) {
  fprintf(stderr, "fuzz check failed: %s\n", what);
  abort();
}

void FuzzReexecFromScratch(char** argv) {
  if (getenv(kFuzzScratchVariable) != nullptr) return;
  std::string self;
  if (!FuzzReadFile("/proc/self/exe", self)) FuzzFail("cannot read itself");
  std::string bin = FuzzScratchDir() + "/bin";
  if (mkdir(bin.c_str(), 0755) != 0) FuzzFail("cannot make the bin folder");
  std::string copy = bin + "/instprobe_fuzz";
  FuzzWriteFile(copy, self.data(), self.size());
  if (chmod(copy.c_str(), 0755) != 0) FuzzFail("cannot make the copy runnable");
  setenv(kFuzzScratchVariable, FuzzScratchDir().c_str(), 1);
  execv(copy.c_str(), argv);
  FuzzFail("cannot run the copy");
}
