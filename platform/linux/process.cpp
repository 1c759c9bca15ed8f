// The running executable's path on the host: /proc/self/exe, a Unix path.
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "platform/platform.h"

uint32_t PlatformModulePath(char* buf, uint32_t size) {
  if (size == 0) return 0;
  // One byte more than the buffer tells a path that fits from one that was
  // cut, which readlink does not report.
  char full[4097];
  ssize_t len = readlink("/proc/self/exe", full, sizeof full - 1);
  if (len <= 0) return 0;
  size_t n = static_cast<size_t>(len);
  size_t kept = n < size ? n : size - 1;
  memcpy(buf, full, kept);
  buf[kept] = '\0';
  return n < size ? static_cast<uint32_t>(n) : size;
}
