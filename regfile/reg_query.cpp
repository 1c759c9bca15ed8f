#include "regfile/reg_query.h"

#include <cstring>

#include "unicode/utf16.h"

long RegQueryData(const RegValue& value, RegWideToAnsi toAnsi,
                  unsigned char* data, uint32_t* size) {
  std::string bytes(value.data.begin(), value.data.end());
  bool text = value.type == kRegSz || value.type == kRegExpandSz ||
              value.type == kRegMultiSz;
  if (text) {
    std::u16string units;
    Utf16Unpack(ByteSpan(value.data.data(), value.data.size()),
                ByteOrder::kLittle, units);
    toAnsi(units.data(), units.size(), bytes);
  }
  uint32_t length = static_cast<uint32_t>(bytes.size());
  uint32_t room = size != nullptr ? *size : 0;
  if (size != nullptr) *size = length;
  if (data == nullptr || length == 0) return 0;
  if (length > room) return kRegErrorMoreData;
  memcpy(data, bytes.data(), length);
  if (text && length < room && data[length - 1] != 0) data[length] = 0;
  return 0;
}
