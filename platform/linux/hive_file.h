// A registry file of the prefix, read into the portable index.
#pragma once

#include <string>

#include "regfile/reg_index.h"

// Reads and indexes the file; a missing or unreadable one leaves the hive
// not loaded. The file is mapped rather than copied when it is a regular
// file with one link: the Wine server replaces such a file by renaming a new
// one over it, never cutting it in place, so the mapped bytes stay readable.
// Its pages are faulted in as the index reads them.
void RegLoadHive(const std::string& path, RegHive& hive);
