// The parts of the PE and NE image formats the version probe reads, as named
// offsets and values: the DOS stub, the PE headers up to the resource data
// directory, the section table, the resource directory, the NE resource
// table, and the fixed record at the root of a version resource.
#pragma once

#include <cstdint>

// DOS header: "MZ", and the offset of the newer header at 0x3C.
const uint32_t kDosHeaderSize = 64;
const uint32_t kDosNewHeaderOffset = 0x3C;

// PE: "PE\0\0", the file header, then the optional header.
const uint32_t kPeSignatureSize = 4;
const uint32_t kFileHeaderSize = 20;
const uint32_t kFileHeaderSectionCount = 2;         // NumberOfSections
const uint32_t kFileHeaderOptionalHeaderSize = 16;  // SizeOfOptionalHeader

const uint16_t kOptionalMagicPe32 = 0x10B;
const uint16_t kOptionalMagicPe32Plus = 0x20B;
// Where the data directories start in each kind of optional header; the
// count of directories (NumberOfRvaAndSizes) is the word before them.
const uint32_t kDataDirectoriesPe32 = 96;
const uint32_t kDataDirectoriesPe32Plus = 112;
const uint32_t kDataDirectorySize = 8;  // RVA, then size
const uint32_t kDataDirectoryResource = 2;

// Section table entries.
const uint32_t kSectionHeaderSize = 40;
const uint32_t kSectionVirtualAddress = 12;
const uint32_t kSectionRawSize = 16;
const uint32_t kSectionRawPointer = 20;

// Resource directories: a header with two entry counts (named entries
// first), then 8-byte entries of a name or ID and a target offset, whose top
// bit marks a subdirectory. Data entries hold the data's RVA and size.
const uint32_t kResourceDirHeaderSize = 16;
const uint32_t kResourceDirNamedCount = 12;
const uint32_t kResourceDirIdCount = 14;
const uint32_t kResourceDirEntrySize = 8;
const uint32_t kResourceEntryIsDirectory = 0x80000000u;
const uint32_t kResourceDataEntrySize = 8;
const uint32_t kResourceDataSize = 4;
const uint16_t kResourceTypeVersion = 16;  // RT_VERSION
const uint16_t kVersionResourceId = 1;

// NE: the resource table lies between the offsets at 0x24 and 0x26 of the
// header. It starts with the alignment shift, then type blocks of 8 bytes
// (type, count) each followed by `count` 12-byte name entries (offset and
// length in alignment units, then the ID at 6).
const uint32_t kNeHeaderSize = 64;
const uint32_t kNeResourceTable = 0x24;
const uint32_t kNeResidentNameTable = 0x26;
const uint32_t kNeTypeInfoSize = 8;
const uint32_t kNeNameInfoSize = 12;
const uint32_t kNeNameId = 6;
const uint16_t kNeTypeVersion = 0x8010;
const uint16_t kNeVersionId = 0x8001;

// The fixed version record (VS_FIXEDFILEINFO): its size, and the offsets of
// the file version's high and low 32 bits; the major version is the high
// half of the high one.
const uint32_t kFixedInfoSize = 52;
const uint32_t kFixedFileVersionMs = 8;
const uint32_t kFixedFileVersionLs = 12;
