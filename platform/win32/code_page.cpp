// The system's ANSI code page: its lead bytes and its upper-case mapping of
// double-byte characters.
#include "platform/win32/code_page.h"

#include <windows.h>

#include <cstdint>

#include "platform/platform.h"
#include "platform/win32/system_library.h"

uint32_t PlatformLoadLeadBytes(unsigned char table[256]) {
  UINT acp = GetACP();
  for (int b = 0; b < 256; ++b) {
    table[b] = IsDBCSLeadByteEx(acp, static_cast<BYTE>(b)) ? 1 : 0;
  }
  return acp;
}

uint32_t PlatformUpperDoubleByte(unsigned char lead, unsigned char trail) {
  char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  WCHAR wide[2] = {0, 0};
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes, 2, wide, 2) != 1)
    return 0;
  // From user32, loaded on first use (system_library.h); without it the
  // character has no upper-case form.
  static const auto upper = LibraryFunction<decltype(&CharUpperBuffW)>(
      LoadSystemLibrary(L"user32.dll"), "CharUpperBuffW");
  if (upper == nullptr) return 0;
  upper(wide, 1);
  return wide[0];
}

namespace {

bool IsLeadByte(const void*, unsigned char b) {
  return IsDBCSLeadByteEx(GetACP(), b) != 0;
}

void ToWide(const void*, const char* text, size_t len,
            std::u16string& out) {
  out.clear();
  int n = static_cast<int>(len);
  int units = n > 0 ? MultiByteToWideChar(CP_ACP, 0, text, n, nullptr, 0) : 0;
  if (units <= 0) return;
  out.resize(static_cast<size_t>(units));
  MultiByteToWideChar(CP_ACP, 0, text, n, reinterpret_cast<WCHAR*>(&out[0]),
                      units);
}

void FromWide(const void*, const char16_t* text, size_t len,
              std::string& out) {
  out.clear();
  const WCHAR* wide = reinterpret_cast<const WCHAR*>(text);
  int n = static_cast<int>(len);
  int bytes = n > 0 ? WideCharToMultiByte(CP_ACP, 0, wide, n, nullptr, 0,
                                          nullptr, nullptr)
                    : 0;
  if (bytes <= 0) return;
  out.resize(static_cast<size_t>(bytes));
  WideCharToMultiByte(CP_ACP, 0, wide, n, &out[0], bytes, nullptr, nullptr);
}

}  // namespace

AnsiCodec Win32AnsiCodec() {
  return AnsiCodec{GetACP(), nullptr, IsLeadByte, ToWide, FromWide};
}
