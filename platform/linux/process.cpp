// The running executable's path on the host: /proc/self/exe, a Unix path.
#include <unistd.h>

#include <cstdint>

#include "platform/platform.h"

uint32_t PlatformModulePath(char* buf, uint32_t size) {
  if (size == 0) return 0;
  // One byte more than the buffer tells a path that fits from one that was
  // cut, which readlink does not report.
  char full[4097];
  ssize_t len = readlink("/proc/self/exe", full, sizeof full - 1);
  if (len <= 0) return 0;
  size_t n = static_cast<size_t>(len);
  if (n >= size) {
    for (uint32_t i = 0; i + 1 < size; ++i) buf[i] = full[i];
    buf[size - 1] = '\0';
    return size;
  }
  for (size_t i = 0; i < n; ++i) buf[i] = full[i];
  buf[n] = '\0';
  return static_cast<uint32_t>(n);
}
