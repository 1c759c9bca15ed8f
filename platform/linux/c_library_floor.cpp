// The Linux programs run on glibc 2.36 (Debian 12) whichever release built
// them. From glibc 2.38 on, the headers send strtoul to the C2x
// __isoc23_strtoul (which also reads a "0b" prefix); the static C++ runtime
// of such a release calls it when it starts (to read GLIBCXX_TUNABLES), and
// the program would then need glibc 2.38. This definition answers that call
// with the classic strtoul, which every glibc has.
#include <features.h>

#if defined(__GLIBC__) && __GLIBC_PREREQ(2, 38)
extern "C" unsigned long ClassicStrtoul(const char* text, char** end,
                                        int base) __asm__("strtoul");

extern "C" unsigned long __isoc23_strtoul(const char* text, char** end,
                                          int base) {
  return ClassicStrtoul(text, end, base);
}
#endif
