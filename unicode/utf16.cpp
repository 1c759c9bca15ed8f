#include "unicode/utf16.h"

void Utf16Unpack(ByteSpan bytes, ByteOrder order, std::u16string& out) {
  out.reserve(out.size() + bytes.size / 2);
  for (size_t i = 0; i + 1 < bytes.size; i += 2)
    out.push_back(Utf16UnitAt(bytes, i, order));
}
