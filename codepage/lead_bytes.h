// The lead bytes of the double-byte code pages; single-byte pages have none.
#pragma once

#include <cstdint>

inline bool IsLeadByteIn(uint32_t codePage, unsigned char b) {
  switch (codePage) {
    case 932:
      return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
      return b >= 0x81 && b <= 0xFE;
  }
  return false;
}
