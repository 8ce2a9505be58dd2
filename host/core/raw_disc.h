// What a burner takes: the disc as raw 2352-byte sectors (sync, BCD header, the 2336-byte Mode 2
// sector with its EDC and, for Form 1, its ECC), with a cue sheet or a cdrdao table of contents. The layout is the
// Video CD one that DuVad.dll enters into the first track: the first track's image, then each track file after 150
// sectors.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "vcd/core/disc_format.h"

namespace duvad::host {

// "AVSEQ01.DAT" for track file 1: the name under which the disc lists track file k.
std::string trackFileName(int k);

// A CD track lasts at least four seconds; recorders refuse a shorter one.
constexpr uint32_t kShortestTrackSectors = 4 * vcd::kSectorsPerSecond;

// Where each track lies, in sectors from the start of the program area (LBA 0 = 00:02:00).
// Track file k starts where the DLL's completed image says (the gap before it is 150 sectors in
// the raw image). A track file shorter than four seconds is padded at its end with empty Form 2
// sectors that only the burner's lists count: the last one behind its file, any other out of the
// gap before the next track, which then has a shorter pregap but the same start. So the image's
// extents stay true; a track file followed by another must have at least 150 sectors.
struct DiscLayout {
    uint32_t firstTrackSectors = 0;
    std::vector<uint32_t> trackSectors;  // sectors of each track file

    uint32_t trackStart(size_t k) const;      // track file k (1-based); k = n + 1 gives the end sector
    uint32_t paddingSectors(size_t k) const;  // empty sectors that make track file k's track last 4 s
    uint32_t pregapSectors(size_t k) const;   // the pregap (index 0) of track file k's track
    // The first track file (1-based) that is too short to be padded because another follows it:
    // its padding would reach past the next track's start. 0: every track can be burnt.
    size_t unpaddableTrack() const;
    uint32_t totalSectors() const;  // the raw image: up to the last track file's end and padding
};

// Sector `lba` of the program area as a raw 2352-byte sector: sync, header (BCD minute, second,
// frame of lba + 150, mode 2), the 2336-byte sector as it stands, then the error detection:
// Form 1 (subheader submode without kSubmodeForm2) gets EDC over subheader and 2048 data bytes and
// P/Q ECC; Form 2 gets EDC over subheader and 2324 data bytes.
void makeRawSector(const uint8_t* sector, uint32_t lba, uint8_t* raw);

// The gap sector between tracks: Form 2, no data.
void gapSector(uint8_t* sector);

// `count` sectors of a track file as raw sectors from `lba` on. The directory declares a track
// file Form 2 throughout, but its empty leading and trailing sectors are all zero (no subheader,
// so makeRawSector would make Form 1 of them, and readers that follow the file's form stop
// there): those become empty Form 2 sectors, the gap's; every other sector is as makeRawSector
// makes it.
void makeRawTrackSectors(const uint8_t* sectors, size_t count, uint32_t lba, uint8_t* raw);

// `count` raw gap sectors from `lba` on, as makeRawSector makes them, without computing each EDC.
void emptyRawSectors(uint32_t lba, size_t count, uint8_t* raw);

// CD-ROM EDC (CRC-32, polynomial x^32 + x^31 + x^16 + x^15 + x^4 + x^3 + x + 1, least significant
// bit first) of `size` bytes.
uint32_t edc(const uint8_t* data, size_t size);

// Cue sheet of a single raw image file `binName` with the layout (MODE2/2352 tracks; each track
// file's pregap is its index 0; a padded track ends where the next track's index 0 begins).
std::string cueSheet(const std::string& binName, const DiscLayout& layout);

// cdrdao table of contents of the same raw image `binName` as the cue sheet: each track its
// stretch of raw sectors (MODE2_RAW, burnt as they are), from its pregap to the next track's,
// with the pregap as its START. So the TOC and the cue sheet burn the same sectors; a TOC of the
// 2336-byte track files would let cdrdao choose each sector's form from its subheader.
std::string cdrdaoToc(const std::string& binName, const DiscLayout& layout);

}  // namespace duvad::host
