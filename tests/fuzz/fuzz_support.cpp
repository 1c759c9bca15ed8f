#include "fuzz_support.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

std::string g_dir;

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  return remove(path);
}

void RemoveScratch() {
  if (!g_dir.empty())
    nftw(g_dir.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

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
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) FuzzFail("cannot create an input file");
  const char* p = static_cast<const char*>(data);
  while (len > 0) {
    ssize_t n = write(fd, p, len);
    if (n <= 0) FuzzFail("cannot write an input file");
    p += n;
    len -= static_cast<size_t>(n);
  }
  close(fd);
}

bool FuzzReadFile(const std::string& path, std::string& out) {
  out.clear();
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  char chunk[4096];
  ssize_t n;
  while ((n = read(fd, chunk, sizeof chunk)) > 0)
    out.append(chunk, static_cast<size_t>(n));
  close(fd);
  return n == 0;
}

void FuzzFail(const char* what) {
  fprintf(stderr, "fuzz check failed: %s\n", what);
  abort();
}

std::string FuzzUniquePath(const char* stem) {
  static unsigned long counter = 0;
  return FuzzScratchDir() + "/" + stem + std::to_string(++counter);
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
