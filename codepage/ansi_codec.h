// The conversions of one ANSI code page, as the build that runs supplies
// them: the portable readers and writers of text files take them from here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The page itself travels with the callbacks, so a codec taken before the
// platform switches pages keeps converting in the page it was taken for.
struct AnsiCodec {
  uint32_t codePage;
  const void* page;  // the platform's own description of the page
  bool (*isLeadByte)(const void* page, unsigned char b);
  void (*toWide)(const void* page, const char* text, size_t len,
                 std::u16string& out);
  void (*fromWide)(const void* page, const char16_t* text, size_t len,
                   std::string& out);

  bool IsLeadByte(unsigned char b) const { return isLeadByte(page, b); }
  // ANSI to UTF-16; what the page does not define becomes '?'.
  void ToWide(const char* text, size_t len, std::u16string& out) const {
    toWide(page, text, len, out);
  }
  // UTF-16 to ANSI with the page's best fit; what has none becomes '?'.
  void FromWide(const char16_t* text, size_t len, std::string& out) const {
    fromWide(page, text, len, out);
  }
};
