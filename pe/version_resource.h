// Finds the version resource of an executable image (PE32, PE32+ or 16-bit
// NE) with a few positioned reads, every offset and size checked against the
// file first.
#pragma once

#include <cstdint>

// Where the resource lies in the file and how the platform sizes its block.
struct VersionResource {
  uint64_t offset;  // in the file
  uint32_t length;  // bytes of resource data
  bool is16;        // from an NE image (16-bit layout, ANSI key)
};

// Reads at most `len` bytes at `offset` into `buf`; returns the number read.
// The locator reads the file only through it.
typedef uint64_t (*ReadAtFn)(void* ctx, uint64_t offset, void* buf,
                             uint64_t len);

// The languages tried before the first entry, as the platform tries them.
struct LanguagePreference {
  uint16_t user;
  uint16_t system;
};

// Locates RT_VERSION, ID 1, in an image of `fileSize` bytes. False when the
// image is malformed or has no such resource.
bool LocateVersionResource(ReadAtFn read, void* ctx, uint64_t fileSize,
                           const LanguagePreference& langs,
                           VersionResource* out);
