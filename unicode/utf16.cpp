// Packing and unpacking UTF-16 code units.
#include "unicode/utf16.h"

void Utf16Unpack(ByteSpan bytes, ByteOrder order, std::u16string& out) {
  out.reserve(out.size() + bytes.size / 2);
  for (size_t i = 0; i + 1 < bytes.size; i += 2)
    out.push_back(Utf16UnitAt(bytes, i, order));
}

namespace {

template <typename Bytes>
void Pack(const char16_t* text, size_t len, ByteOrder order, Bytes& out) {
  out.reserve(out.size() + len * 2);
  for (size_t i = 0; i < len; ++i) {
    auto low = static_cast<typename Bytes::value_type>(text[i] & 0xFF);
    auto high = static_cast<typename Bytes::value_type>(text[i] >> 8);
    out.push_back(order == ByteOrder::kLittle ? low : high);
    out.push_back(order == ByteOrder::kLittle ? high : low);
  }
}

}  // namespace

void Utf16Pack(const char16_t* text, size_t len, ByteOrder order,
               std::string& out) {
  Pack(text, len, order, out);
}

void Utf16Pack(const char16_t* text, size_t len, ByteOrder order,
               std::vector<unsigned char>& out) {
  Pack(text, len, order, out);
}
