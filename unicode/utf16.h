// UTF-16 text as bytes: the one packer and unpacker of code units in either
// byte order. Units are kept as they are; no pair is checked here.
#pragma once

#include <cstddef>
#include <string>

#include "bytes/byte_span.h"

enum class ByteOrder { kLittle, kBig };

// The unit at byte offset `offset` (two bytes), 0 past the end.
inline char16_t Utf16UnitAt(ByteSpan bytes, size_t offset, ByteOrder order) {
  if (!bytes.Has(offset, 2)) return 0;
  const unsigned char* p = bytes.data + offset;
  return static_cast<char16_t>(
      order == ByteOrder::kLittle ? p[0] | (p[1] << 8) : (p[0] << 8) | p[1]);
}

// Every whole unit of `bytes`, appended to `out`; an odd last byte is left
// to the caller.
void Utf16Unpack(ByteSpan bytes, ByteOrder order, std::u16string& out);

// The units as bytes, appended to `out` (a std::string or a byte vector).
template <typename Bytes>
void Utf16Pack(const char16_t* text, size_t len, ByteOrder order, Bytes& out) {
  out.reserve(out.size() + len * 2);
  for (size_t i = 0; i < len; ++i) {
    auto low = static_cast<typename Bytes::value_type>(text[i] & 0xFF);
    auto high = static_cast<typename Bytes::value_type>(text[i] >> 8);
    out.push_back(order == ByteOrder::kLittle ? low : high);
    out.push_back(order == ByteOrder::kLittle ? high : low);
  }
}
