// Byte-text and path operations over zero-terminated texts in the ANSI code
// page. Searches, comparisons, splits, copies and appends treat a lead byte
// and its trail byte as one character, so no search takes a trail byte for a
// backslash, slash or dot. Every operation that stores text takes the
// capacity of its destination and always leaves it terminated.
#pragma once

#include <cstddef>
#include <cstdint>

// Capacity of a path text, terminator included, and of the buffers that
// receive appended text.
const size_t kPathCapacity = 260;
const size_t kPathBufferSize = 264;

// Loads the lead-byte table of the active ANSI code page from the platform.
// Called once at start; returns the code page number.
uint32_t InitPathText();

bool IsLeadByte(unsigned char b);

// Copies at most n bytes of src into dest (never more than destCapacity - 1),
// a double-byte character whole or not at all; dest is always terminated.
void CopyBytes(char* dest, size_t destCapacity, const char* src, size_t n);

// Appends at most n bytes of src to dest (never past destCapacity - 1),
// a double-byte character whole or not at all. A lone lead byte at the end of
// dest is replaced by the appended text. dest is always terminated.
void AppendBytes(char* dest, size_t destCapacity, const char* src, size_t n);

// Appends a backslash unless the last byte of the text is one.
void EnsureTrailingBackslash(char* text, size_t capacity);

// Drive part ("C:" when the second byte is a colon, else empty) and directory
// part (up to and including the last backslash or slash, at most 255 bytes).
void SplitPath(const char* path, char* drive, size_t driveCapacity, char* dir,
               size_t dirCapacity);

// Position of the first / last single-byte character c, or -1.
long FindFirstChar(const char* text, char c);
long FindLastChar(const char* text, char c);

// Equality without regard to case: ASCII letters fold; a double-byte
// character compares by its upper-case form under the platform's mapping.
bool EqualsIgnoreCase(const char* a, const char* b);

// The decimal text of a signed 32-bit number, as "%ld" gives it, after
// `prefix`; always terminated within capacity.
void FormatDecimal(char* dest, size_t capacity, const char* prefix,
                   int32_t value);
