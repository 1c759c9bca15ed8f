// Code page 1252 compiled into the program, with the platform's best fit:
// what the host uses when it finds none of the platform's code page files.
#pragma once

#include "codepage/nls_code_page.h"

void Cp1252CodePage(NlsCodePage* page);
