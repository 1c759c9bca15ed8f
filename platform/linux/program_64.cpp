// instprobe: answers as the 64-bit Windows program.
#include "platform/linux/program.h"

const bool kHostProgramIs32Bit = false;
