// Bytes that came from outside the program (a file, a registry value, a
// block the platform filled) and the one way to read numbers out of them:
// every read names its offset and is checked against the span's end first.
#pragma once

#include <cstddef>
#include <cstdint>

struct ByteSpan {
  const unsigned char* data = nullptr;
  size_t size = 0;

  ByteSpan() = default;
  ByteSpan(const void* bytes, size_t length)
      : data(static_cast<const unsigned char*>(bytes)), size(length) {}

  // Whether `length` bytes from `offset` lie inside the span.
  bool Has(uint64_t offset, uint64_t length) const {
    return offset <= size && length <= size - offset;
  }
  // The bytes from `offset` on; empty when `offset` is past the end.
  ByteSpan From(uint64_t offset) const {
    if (offset > size) return ByteSpan(data + size, 0);
    return ByteSpan(data + offset, size - static_cast<size_t>(offset));
  }
};

// Little-endian numbers at `offset`: false, and *out untouched, when they do
// not lie wholly inside the span. Every read reports its failure: a caller
// whose earlier check makes it impossible still handles it.
inline bool ReadLe16(ByteSpan s, uint64_t offset, uint16_t* out) {
  if (!s.Has(offset, 2)) return false;
  const unsigned char* p = s.data + offset;
  *out = static_cast<uint16_t>(p[0] | (p[1] << 8));
  return true;
}

inline bool ReadLe32(ByteSpan s, uint64_t offset, uint32_t* out) {
  if (!s.Has(offset, 4)) return false;
  const unsigned char* p = s.data + offset;
  *out = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
  return true;
}
