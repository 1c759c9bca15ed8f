// instprobe32: answers as the 32-bit Windows program.
#include "platform/linux/program.h"

const bool kHostProgramIs32Bit = true;
