// Which Windows program the host program answers as. Each host executable
// links one definition, chosen at build time: program_64.cpp in instprobe
// (the 64-bit program), program_32.cpp in instprobe32 (the 32-bit program,
// which Wine gives the 32-bit registry view and the file-system redirection
// in a 64-bit prefix).
#pragma once

extern const bool kHostProgramIs32Bit;
