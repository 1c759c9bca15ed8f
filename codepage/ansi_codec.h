// The conversions of one ANSI code page, as the build that runs supplies
// them: the portable readers and writers of text files take them from here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct AnsiCodec {
  uint32_t codePage;
  bool (*isLeadByte)(unsigned char b);
  // ANSI to UTF-16; what the page does not define becomes '?'.
  void (*toWide)(const char* text, size_t len, std::u16string& out);
  // UTF-16 to ANSI with the page's best fit; what has none becomes '?'.
  void (*fromWide)(const char16_t* text, size_t len, std::string& out);
};
