// Writing a profile file's new bytes to disk safely, with the real API.
#pragma once

#include <string>

// Reads the file at `path` whole. True with its bytes; false with
// `*missing` set when there is no such file, or clear when it exists but
// cannot be read (or is larger than the INI library handles).
bool ReadProfileFile(const char* path, std::string& bytes, bool* missing);

// Replaces the file at `path` with `bytes`: a temporary file in the same
// folder, written and flushed, then ReplaceFileA over an existing file (it
// keeps the file's attributes, security and streams) or MoveFileExA with
// MOVEFILE_WRITE_THROUGH for a new one. A file with the read-only attribute
// is left alone. Where the folder refuses the temporary file, an existing
// file is rewritten in place and flushed. No temporary file is left behind;
// false on any failure.
bool CommitProfileFile(const char* path, const std::string& bytes);
