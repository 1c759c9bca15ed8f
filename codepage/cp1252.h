// Code page 1252, the ANSI code page the host falls back to, with the
// platform's best-fit mapping from UTF-16.
#pragma once

#include <cstddef>
#include <string>

// Every byte maps to one unit.
void Cp1252ToWide(const char* text, size_t len, std::u16string& out);

// A unit without a byte or a best fit becomes '?'.
void WideToCp1252(const char16_t* text, size_t len, std::string& out);
