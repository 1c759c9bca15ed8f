// The system's ANSI code page as the portable readers and writers take it.
#pragma once

#include "codepage/ansi_codec.h"

// Conversions through MultiByteToWideChar and WideCharToMultiByte with
// CP_ACP, and the code page's lead bytes.
AnsiCodec Win32AnsiCodec();
