// A readable account of how two files differ, for failure messages.
#pragma once

#include <string>

// Each byte string shown line by line (lines end after LF, CR or CRLF; the
// endings are shown), with bytes outside printable ASCII as \xNN. Lines that
// differ are marked. Empty when both are equal.
std::string DescribeDifference(const std::string& expectedLabel,
                               const std::string& expected,
                               const std::string& actualLabel,
                               const std::string& actual);

// The bytes with CR and LF as \r and \n, and bytes outside printable ASCII
// as \xNN.
std::string VisibleBytes(const std::string& bytes);
