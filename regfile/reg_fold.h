// Case folding of registry key and value names. Names match without regard
// to case; Wine compares them by their Unicode upper-case forms.
#pragma once

#include <string>

// The upper-case form of one UTF-16 unit: ASCII, Latin-1, Latin Extended-A,
// Greek, Cyrillic and the full-width Latin letters.
char16_t RegFoldUnit(char16_t u);

// Folds every unit of the name in place.
void RegFoldName(std::u16string& name);
