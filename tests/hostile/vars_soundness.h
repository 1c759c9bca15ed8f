// Whether a variables file left by a run is one a reader can trust: only
// whole header and key lines of the two sections the program writes.
#pragma once

#include <cstddef>
#include <string>

// True when `bytes` is empty or every CRLF-ended line is "[PrgStart]",
// "[PrivatPath]" or a key=value line with no CR, LF or NUL inside, and the
// first line is a header. Otherwise `why` names the first bad line.
bool VarsFileSound(const std::string& bytes, std::string* why);

// Reads the first `maxKeys` distinct keys of the file back through the
// host's profile reader and checks that each gives the value of its first
// line in its section.
bool VarsFileReadsBack(const std::string& path, const std::string& bytes,
                       size_t maxKeys, std::string* why);
