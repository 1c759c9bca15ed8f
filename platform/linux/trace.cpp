// The trace on the host: standard error, or a file appended to. Lines are
// gathered in a buffer and written out when it fills and at the end.
#include "platform/linux/trace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/linux/code_page.h"
#include "platform/linux/dos_path.h"
#include "platform/linux/host_context.h"
#include "platform/platform.h"
#include "unicode/utf8.h"

namespace {

void Flush(HostTraceState& t) {
  size_t done = 0;
  while (done < t.used) {
    ssize_t put = write(t.fd, t.buffer + done, t.used - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    done += static_cast<size_t>(put);
  }
  t.used = 0;
}

// The path with its directory resolved (links, "." and ".."), its last
// name as given.
std::string Resolved(const char* path) {
  std::string text = path;
  size_t slash = text.rfind('/');
  std::string dir = slash == 0 ? std::string("/") : text.substr(0, slash);
  char real[PATH_MAX];
  if (slash == std::string::npos || realpath(dir.c_str(), real) == nullptr)
    return text;
  std::string out = real;
  if (out.back() != '/') out += '/';
  return out + text.substr(slash + 1);
}

// Whether two paths name one file: the same file where both exist (links
// and other names of it included), else the same resolved name.
bool SameFile(const char* a, const char* b) {
  struct stat sa, sb;
  if (stat(a, &sa) == 0 && stat(b, &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  return Resolved(a) == Resolved(b);
}

// UTF-16 text as UTF-8, cut before a whole character to fit `size`.
uint32_t StoreUtf8(const std::u16string& wide, char* out, uint32_t size) {
  if (size == 0) return 0;
  std::string utf8;
  WideToUtf8(wide.data(), wide.size(), utf8);
  size_t n = utf8.size() < size - 1 ? utf8.size() : size - 1;
  if (n < utf8.size())
    while (n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80) --n;
  memcpy(out, utf8.data(), n);
  out[n] = '\0';
  return static_cast<uint32_t>(n);
}

}  // namespace

bool HostTracing() { return Host().trace.fd >= 0; }

bool PlatformTraceOpen(const char* listPath, const char* varsPath,
                       bool* listFound) {
  HostTraceState& t = Host().trace;
  const char* where = getenv("INSTPROBE_TRACE");
  if (where == nullptr) return false;
  if (strcmp(where, "1") == 0) {
    if (fcntl(2, F_GETFL) < 0) return false;
    t.fd = 2;
  } else if (where[0] == '/') {
    if (SameFile(where, listPath) || SameFile(where, varsPath)) return false;
    t.fd = open(where, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (t.fd < 0) return false;
  } else {
    return false;
  }
  *listFound = access(listPath, F_OK) == 0;
  return true;
}

void PlatformTraceLine(const char* line, uint32_t len) {
  HostTraceState& t = Host().trace;
  if (t.fd < 0) return;
  if (len + 1 > sizeof t.buffer - t.used) Flush(t);
  if (len + 1 > sizeof t.buffer) len = sizeof t.buffer - 1;
  memcpy(t.buffer + t.used, line, len);
  t.used += len;
  t.buffer[t.used++] = '\n';
}

void PlatformTraceClose() {
  HostTraceState& t = Host().trace;
  if (t.fd < 0) return;
  Flush(t);
  if (t.fd > 2) close(t.fd);
  t.fd = -1;
}

uint32_t PlatformAnsiToUtf8(const char* text, char* out, uint32_t size) {
  std::u16string wide;
  HostAnsiToWide(text, strlen(text), wide);
  return StoreUtf8(wide, out, size);
}

uint32_t PlatformDosPathUtf8(const char* path, char* out, uint32_t size) {
  std::u16string wide = HostDosFormOf(path);
  if (wide.empty()) HostUnixNameToWide(path, strlen(path), wide);
  return StoreUtf8(wide, out, size);
}
