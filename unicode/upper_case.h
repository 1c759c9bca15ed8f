// The platform's one case mapping: registry key and value names and file
// names compare by it, and CharUpperBuffW upper-cases by it. It is the simple
// Unicode upper-case mapping kept only where the pair maps back, so that
// micro sign, dotless i, long s and final sigma map to themselves.
#pragma once

#include <string>

char16_t UpperCaseUnit(char16_t u);

// Upper-cases every unit of `text` in place.
void UpperCaseText(std::u16string& text);
