// The version resource's place in an image, found as the platform finds it
// when it loads the file as data: the resource directory through its data
// directory, mapped through the first section whose raw data covers it
// (never as a plain file offset), then type 16, name 1 and a language, each
// level by a binary search over the ID entries that compares only their low
// 16 bits. Only the entries on that path are read.
#include "pe/version_resource.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "bytes/byte_span.h"
#include "bytes/language_id.h"
#include "pe/pe_layout.h"

namespace {

// A version resource is at most 64 KiB by its 16-bit length; a data entry
// claiming more than this is treated as absurd.
const uint32_t kMaxVersionResource = 1u << 20;
// The first-entry scan of a language directory gives up after this many
// entries; a real directory holds a handful.
const uint32_t kMaxScannedEntries = 4096;
// The section table is read this many headers at a time.
const uint32_t kSectionsPerRead = 32;

struct Image {
  ReadAtFn read;
  void* ctx;
  uint64_t fileSize;
  uint64_t sections;  // file offset of the section table
  uint16_t sectionCount;
  uint64_t root;  // file offset of the resource directory
};

// Reads exactly `len` bytes lying wholly inside the file.
bool ReadExact(const Image& img, uint64_t offset, void* buf, uint64_t len) {
  if (offset > img.fileSize || len > img.fileSize - offset) return false;
  return img.read(img.ctx, offset, buf, len) == len;
}

// Maps an RVA to a file offset through the section table, in table order,
// with the platform's 32-bit comparison. The section's raw data must be in
// the file: an image cut anywhere inside its resource section has no version
// information, while one cut after it keeps it.
bool RvaToFile(const Image& img, uint32_t rva, uint64_t* out) {
  unsigned char chunk[kSectionHeaderSize * kSectionsPerRead];
  for (uint32_t i = 0; i < img.sectionCount;) {
    uint32_t n = std::min(img.sectionCount - i, kSectionsPerRead);
    if (!ReadExact(img, img.sections + uint64_t{kSectionHeaderSize} * i, chunk,
                   uint64_t{kSectionHeaderSize} * n))
      return false;
    ByteSpan table(chunk, kSectionHeaderSize * n);
    for (uint32_t k = 0; k < n; ++k) {
      ByteSpan s = table.From(kSectionHeaderSize * k);
      uint32_t va, raw, ptr;
      if (!ReadLe32(s, kSectionVirtualAddress, &va) ||
          !ReadLe32(s, kSectionRawSize, &raw) ||
          !ReadLe32(s, kSectionRawPointer, &ptr))
        return false;
      if (va <= rva && static_cast<uint32_t>(va + raw) > rva) {
        if (uint64_t{ptr} + raw > img.fileSize) return false;
        *out = uint64_t{ptr} + (rva - va);
        return true;
      }
    }
    i += n;
  }
  return false;
}

// Reads a directory's two entry counts.
bool ReadCounts(const Image& img, uint64_t dir, uint16_t* named,
                uint16_t* ids) {
  unsigned char h[kResourceDirHeaderSize];
  return ReadExact(img, dir, h, sizeof h) &&
         ReadLe16(ByteSpan(h, sizeof h), kResourceDirNamedCount, named) &&
         ReadLe16(ByteSpan(h, sizeof h), kResourceDirIdCount, ids);
}

bool ReadEntry(const Image& img, uint64_t dir, uint32_t pos, uint32_t* name,
               uint32_t* target) {
  unsigned char e[kResourceDirEntrySize];
  uint64_t at =
      dir + kResourceDirHeaderSize + uint64_t{kResourceDirEntrySize} * pos;
  return ReadExact(img, at, e, sizeof e) &&
         ReadLe32(ByteSpan(e, sizeof e), 0, name) &&
         ReadLe32(ByteSpan(e, sizeof e), 4, target);
}

// The binary search over the ID entries; an entry with the ID but of the
// other kind (directory or data) ends the search without a result.
bool FindById(const Image& img, uint64_t dir, uint16_t id, bool wantDir,
              uint64_t* out) {
  uint16_t named, ids;
  if (!ReadCounts(img, dir, &named, &ids)) return false;
  int64_t lo = named, hi = static_cast<int64_t>(named) + ids - 1;
  while (lo <= hi) {
    int64_t pos = (lo + hi) / 2;
    uint32_t name, target;
    if (!ReadEntry(img, dir, static_cast<uint32_t>(pos), &name, &target))
      return false;
    uint16_t entryId = static_cast<uint16_t>(name);
    if (entryId == id) {
      if (((target & kResourceEntryIsDirectory) != 0) != wantDir) return false;
      *out = img.root + (target & ~kResourceEntryIsDirectory);
      return true;
    }
    if (entryId > id) {
      hi = pos - 1;
    } else {
      lo = pos + 1;
    }
  }
  return false;
}

// The first data entry of a directory, named entries included.
bool FindFirstData(const Image& img, uint64_t dir, uint64_t* out) {
  uint16_t named, ids;
  if (!ReadCounts(img, dir, &named, &ids)) return false;
  uint32_t total = named + ids;
  if (total > kMaxScannedEntries) total = kMaxScannedEntries;
  for (uint32_t pos = 0; pos < total; ++pos) {
    uint32_t name, target;
    if (!ReadEntry(img, dir, pos, &name, &target)) return false;
    if ((target & kResourceEntryIsDirectory) == 0) {
      *out = img.root + target;
      return true;
    }
  }
  return false;
}

// The order Wine tries languages in when none is asked for: neutral, the
// thread's and the user's language, the user's language with the neutral
// sublanguage, the same two for the system language, US English; then the
// first entry.
uint32_t LanguageOrder(const LanguagePreference& langs, uint16_t list[8]) {
  const uint16_t candidates[] = {
      0,
      langs.user,
      langs.user,
      static_cast<uint16_t>(langs.user & 0x3FF),
      langs.system,
      static_cast<uint16_t>(langs.system & 0x3FF),
      kLangEnglishUs,
  };
  uint32_t n = 0;
  for (uint16_t c : candidates) {
    if (std::find(list, list + n, c) == list + n) list[n++] = c;
  }
  return n;
}

bool LocatePe(Image& img, uint64_t nt, const LanguagePreference& langs,
              VersionResource* out) {
  // Signature, file header and the optional header up to the resource
  // data directory.
  const uint32_t kHeaders = kPeSignatureSize + kFileHeaderSize;
  const uint32_t kResourceDir = kDataDirectoryResource * kDataDirectorySize;
  unsigned char h[kHeaders + kDataDirectoriesPe32Plus + kResourceDir +
                  kDataDirectorySize] = {};
  uint64_t avail = img.fileSize - nt;
  uint64_t want = avail < sizeof h ? avail : sizeof h;
  ByteSpan headers(h, static_cast<size_t>(want));
  ByteSpan fh = headers.From(kPeSignatureSize);
  ByteSpan opt = headers.From(kHeaders);
  uint16_t magic, optionalSize;
  if (want < kHeaders + 2 || !ReadExact(img, nt, h, want) ||
      !ReadLe16(opt, 0, &magic) ||
      !ReadLe16(fh, kFileHeaderSectionCount, &img.sectionCount) ||
      !ReadLe16(fh, kFileHeaderOptionalHeaderSize, &optionalSize))
    return false;
  if (magic != kOptionalMagicPe32 && magic != kOptionalMagicPe32Plus)
    return false;
  uint32_t dirs = magic == kOptionalMagicPe32 ? kDataDirectoriesPe32
                                              : kDataDirectoriesPe32Plus;
  uint32_t rvaCount, dirRva, dirSize;
  if (!ReadLe32(opt, dirs - 4, &rvaCount) ||
      !ReadLe32(opt, dirs + kResourceDir, &dirRva) ||
      !ReadLe32(opt, dirs + kResourceDir + 4, &dirSize))
    return false;
  if (rvaCount <= kDataDirectoryResource || dirRva == 0 ||
      dirSize < kResourceDirHeaderSize)
    return false;
  img.sections = nt + kHeaders + optionalSize;
  // A section table running past the end of the file gives no version,
  // even when the resource's section comes before that.
  if (img.sections + uint64_t{kSectionHeaderSize} * img.sectionCount >
      img.fileSize)
    return false;
  if (!RvaToFile(img, dirRva, &img.root)) return false;

  uint64_t nameDir, langDir, dataEntry = 0;
  if (!FindById(img, img.root, kResourceTypeVersion, true, &nameDir))
    return false;
  if (!FindById(img, nameDir, kVersionResourceId, true, &langDir)) return false;
  uint16_t order[8];
  uint32_t n = LanguageOrder(langs, order);
  bool found = false;
  for (uint32_t i = 0; i < n && !found; ++i) {
    found = FindById(img, langDir, order[i], false, &dataEntry);
  }
  if (!found && !FindFirstData(img, langDir, &dataEntry)) return false;

  unsigned char d[kResourceDataEntrySize];
  ByteSpan data(d, sizeof d);
  uint32_t rva, length;
  uint64_t offset;
  if (!ReadExact(img, dataEntry, d, sizeof d) || !ReadLe32(data, 0, &rva) ||
      !ReadLe32(data, kResourceDataSize, &length))
    return false;
  if (length == 0 || length > kMaxVersionResource) return false;
  if (!RvaToFile(img, rva, &offset)) return false;
  if (offset + length > img.fileSize) return false;
  out->offset = offset;
  out->length = length;
  out->is16 = false;
  return true;
}

// A 16-bit image: the version entry of the resource table, offset and length
// in units of the alignment shift.
bool LocateNe(const Image& img, uint64_t ne, VersionResource* out) {
  unsigned char h[kNeHeaderSize];
  uint16_t rsrcTab, resTab;
  if (!ReadExact(img, ne, h, sizeof h) ||
      !ReadLe16(ByteSpan(h, sizeof h), kNeResourceTable, &rsrcTab) ||
      !ReadLe16(ByteSpan(h, sizeof h), kNeResidentNameTable, &resTab) ||
      resTab <= rsrcTab)
    return false;
  uint32_t tableSize = resTab - rsrcTab;
  unsigned char bytes[65536];
  if (!ReadExact(img, ne + rsrcTab, bytes, tableSize)) return false;
  ByteSpan table(bytes, tableSize);
  uint16_t alignShift;
  if (!ReadLe16(table, 0, &alignShift)) return false;
  uint32_t shift = alignShift & 31;  // as x86 shifts
  uint32_t pos = 2;
  for (;;) {
    uint16_t type, count;
    if (!table.Has(pos, kNeTypeInfoSize) || !ReadLe16(table, pos, &type) ||
        !ReadLe16(table, pos + 2, &count) || type == 0)
      return false;
    pos += kNeTypeInfoSize;
    if (type == kNeTypeVersion) {
      for (uint32_t i = 0; i < count; ++i, pos += kNeNameInfoSize) {
        uint16_t at, size, id;
        if (!table.Has(pos, kNeNameInfoSize) || !ReadLe16(table, pos, &at) ||
            !ReadLe16(table, pos + 2, &size) ||
            !ReadLe16(table, pos + kNeNameId, &id))
          return false;
        if (id != kNeVersionId) continue;
        uint32_t offset = uint32_t{at} << shift;
        uint32_t length = uint32_t{size} << shift;
        // Without a whole fixed record the platform's block size goes
        // negative.
        if (length < kFixedInfoSize || length > kMaxVersionResource)
          return false;
        if (static_cast<uint64_t>(offset) + length > img.fileSize)
          return false;
        out->offset = offset;
        out->length = length;
        out->is16 = true;
        return true;
      }
      return false;
    }
    pos += kNeNameInfoSize * count;
  }
}

}  // namespace

bool LocateVersionResource(ReadAtFn read, void* ctx, uint64_t fileSize,
                           const LanguagePreference& langs,
                           VersionResource* out) {
  Image img = {read, ctx, fileSize, 0, 0, 0};
  unsigned char dos[kDosHeaderSize];
  uint32_t lfanew;
  if (!ReadExact(img, 0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z' ||
      !ReadLe32(ByteSpan(dos, sizeof dos), kDosNewHeaderOffset, &lfanew) ||
      static_cast<int32_t>(lfanew) < 0)
    return false;
  uint64_t nt = lfanew;
  unsigned char sig[4];
  if (!ReadExact(img, nt, sig, 2)) return false;
  if (sig[0] == 'N' && sig[1] == 'E') return LocateNe(img, nt, out);
  if (!ReadExact(img, nt, sig, 4) || memcmp(sig, "PE\0\0", 4) != 0)
    return false;
  return LocatePe(img, nt, langs, out);
}
