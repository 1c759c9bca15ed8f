// The version block as the platform fills and queries it. The block holds
// the resource bytes and, at offset wLength, "FE2X"; neither the key
// "VS_VERSION_INFO" nor the fixed record's signature is checked; the byte at
// offset 4 decides the layout (>= 0x20 as a signed char: 16-bit, ANSI key at
// 4; otherwise 32-bit, UTF-16 key at 6); the value follows the key's
// terminator, aligned to 4; the length reported is wValueLength. A 32-bit
// root with a non-zero wType is text: its wValueLength UTF-16 units are
// converted to ANSI and placed at wLength + 4 + the value's offset.
#include "pe/version_block.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "bytes/byte_span.h"
#include "pe/pe_layout.h"
#include "unicode/utf16.h"

namespace {

uint32_t Align4(uint32_t offset) { return (offset + 3) & ~3u; }

}  // namespace

uint32_t VersionBlockSize(uint32_t length, bool is16) {
  if (is16) return length < kFixedInfoSize ? 0 : (length - kFixedInfoSize) * 4;
  return length * 2 + 4;
}

uint32_t FillVersionBlock(const unsigned char* res, uint32_t length, bool is16,
                          unsigned char* block, uint32_t size) {
  uint32_t n = length < size ? length : size;
  memcpy(block, res, n);
  uint16_t wLength;
  if (!is16 && ReadLe16(ByteSpan(block, size), 0, &wLength) &&
      size >= uint32_t{wLength} + 4) {
    memcpy(block + wLength, "FE2X", 4);
  }
  return n;
}

bool QueryVersionRoot(unsigned char* block, uint32_t size, uint32_t dataLen,
                      const AnsiCodec& ansiCodec, uint32_t* recordOffset,
                      uint32_t* len) {
  ByteSpan data(block, dataLen);
  uint16_t wLength, valueLength, type, unit = 1;
  if (dataLen > size || !ReadLe16(data, 0, &wLength) ||
      !ReadLe16(data, 2, &valueLength) || !ReadLe16(data, 4, &type)) {
    return false;
  }
  uint32_t value;
  bool text = false;
  if (static_cast<signed char>(block[4]) >= ' ') {
    // 16-bit layout: an ANSI key from offset 4.
    uint32_t end = 4;
    while (end < dataLen && block[end] != 0) ++end;
    if (end >= dataLen) return false;
    value = Align4(end + 1);
  } else {
    // 32-bit layout: a UTF-16 key from offset 6.
    uint32_t end = 6;
    while (ReadLe16(data, end, &unit) && unit != 0) end += 2;
    if (unit != 0) return false;
    value = Align4(end + 2);
    text = type != 0;
  }
  if (!text) {
    if (valueLength < kFixedInfoSize ||
        static_cast<uint64_t>(value) + kFixedInfoSize > dataLen) {
      return false;
    }
    *recordOffset = value;
    *len = valueLength;
    return true;
  }
  // Text: wValueLength units converted into at most wLength - value bytes.
  if (static_cast<uint64_t>(value) + 2ull * valueLength > dataLen ||
      value > wLength) {
    return false;
  }
  std::u16string units;
  Utf16Unpack(ByteSpan(block + value, 2u * valueLength), ByteOrder::kLittle,
              units);
  std::string ansi;
  ansiCodec.FromWide(units.data(), units.size(), ansi);
  uint64_t dest = static_cast<uint64_t>(wLength) + 4 + value;
  if (ansi.size() > wLength - value || dest + ansi.size() > size ||
      ansi.size() < kFixedInfoSize) {
    return false;
  }
  memcpy(block + dest, ansi.data(), ansi.size());
  *recordOffset = static_cast<uint32_t>(dest);
  *len = static_cast<uint32_t>(ansi.size());
  return true;
}
