// The registry through the real API. No view is asked for: the 32-bit build
// sees what 32-bit programs see, the 64-bit build the native view.
#include <windows.h>

#include <cstdint>

#include "platform/platform.h"

// The handle values of the predefined keys are the ones Windows uses, so a
// PlatformKey is an HKEY.
// Only the predefined values are widened as Windows widens them (sign
// extension on 64-bit); an opened key is passed through as it came.
static HKEY AsHkey(PlatformKey key) {
  if (key >= kKeyClassesRoot && key <= kKeyCurrentConfig) {
    return reinterpret_cast<HKEY>(
        static_cast<intptr_t>(static_cast<int32_t>(static_cast<uint32_t>(key))));
  }
  return reinterpret_cast<HKEY>(key);
}

long PlatformRegOpenKey(PlatformKey root, const char* subKey, PlatformKey* out) {
  HKEY opened = nullptr;
  LONG rc = RegOpenKeyA(AsHkey(root), subKey, &opened);
  *out = reinterpret_cast<PlatformKey>(opened);
  return rc;
}

long PlatformRegQueryValue(PlatformKey key, const char* valueName,
                           uint32_t* type, unsigned char* data, uint32_t* size) {
  DWORD t = *type;
  DWORD s = *size;
  LONG rc = RegQueryValueExA(AsHkey(key), valueName, nullptr, &t, data, &s);
  *type = t;
  *size = s;
  return rc;
}

void PlatformRegCloseKey(PlatformKey key) { RegCloseKey(AsHkey(key)); }

// The 64-bit build's other view is the 32-bit one; the 32-bit build has the
// 64-bit view only on a 64-bit system (under WOW64).
PlatformOtherView PlatformLookInOtherView(PlatformKey root, const char* subKey,
                                          const char* valueName, int* bits) {
  REGSAM view = KEY_WOW64_32KEY;
  *bits = 32;
  if (sizeof(void*) == 4) {
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64)
      return kOtherViewNone;
    view = KEY_WOW64_64KEY;
    *bits = 64;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExA(AsHkey(root), subKey, 0, KEY_QUERY_VALUE | view, &key) !=
      ERROR_SUCCESS)
    return kOtherViewNoKey;
  LONG rc = RegQueryValueExA(key, valueName, nullptr, nullptr, nullptr,
                             nullptr);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA ? kOtherViewValue
                                                      : kOtherViewKeyOnly;
}
