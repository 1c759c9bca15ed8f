// The scratch block of the version probe, filled and queried as the
// platform's GetFileVersionInfoA and VerQueryValueA(block, "\\") fill and
// query it.
#pragma once

#include <cstdint>

#include "codepage/ansi_codec.h"

// The block size the platform reports for a resource of `length` bytes:
// 2 * length + 4 for a 32-bit resource, (length - kFixedInfoSize) * 4 for a
// 16-bit one.
uint32_t VersionBlockSize(uint32_t length, bool is16);

// Copies the resource into the zeroed block (at most `size` bytes) and, for
// a 32-bit resource, writes the platform's "FE2X" mark at offset wLength when
// it fits. Returns the number of resource bytes copied.
uint32_t FillVersionBlock(const unsigned char* res, uint32_t length, bool is16,
                          unsigned char* block, uint32_t size);

// The root value of a filled block: its offset in the block and the length
// the platform reports. False unless the value is usable: the fixed record
// (kFixedInfoSize bytes, pe/pe_layout.h) fits in its length and comes whole
// from the `dataLen` resource bytes (a text root is converted to ANSI as the
// platform converts it, into the block's spare half, with `ansi`). May write
// into the block.
bool QueryVersionRoot(unsigned char* block, uint32_t size, uint32_t dataLen,
                      const AnsiCodec& ansi, uint32_t* recordOffset,
                      uint32_t* len);
