// UTF-8 as the platform converts it (MultiByteToWideChar and
// WideCharToMultiByte with CP_UTF8).
#pragma once

#include <cstddef>
#include <string>

// UTF-8 to UTF-16: each invalid sequence becomes U+FFFD, in the number the
// platform gives.
void Utf8ToWide(const char* text, size_t len, std::u16string& out);

// UTF-16 to UTF-8: a lone surrogate becomes U+FFFD. False when one did.
bool WideToUtf8(const char16_t* text, size_t len, std::string& out);
