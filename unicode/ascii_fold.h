// The ASCII case fold, for bytes and UTF-16 units alike: only the letters A
// to Z and a to z change; every other value is its own fold.
#pragma once

template <typename Char>
Char AsciiLower(Char c) { return c >= 'A' && c <= 'Z' ? Char(c + 0x20) : c; }

template <typename Char>
Char AsciiUpper(Char c) { return c >= 'a' && c <= 'z' ? Char(c - 0x20) : c; }
