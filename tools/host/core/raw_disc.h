// What a burner takes: the disc as raw 2352-byte sectors (sync, BCD header, the 2336-byte Mode 2
// sector with its EDC and, for Form 1, its ECC), with a cue sheet; or the image and the track
// files by name in a cdrdao table of contents. The layout is the Video CD one that DuVad.dll
// enters into the first track: the first track's image, then each track file after 150 sectors.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "vcd/core/disc_format.h"

namespace duvad::host {

// Where each track lies, in sectors from the start of the program area (LBA 0 = 00:02:00).
struct DiscLayout {
    uint32_t firstTrackSectors = 0;
    std::vector<uint32_t> trackSectors;  // sectors of each track file

    uint32_t trackStart(size_t k) const;  // track file k (1-based); k = n + 1 gives the end sector
    uint32_t totalSectors() const;        // the raw image: up to the last track file's end
};

// Sector `lba` of the program area as a raw 2352-byte sector: sync, header (BCD minute, second,
// frame of lba + 150, mode 2), the 2336-byte sector as it stands, then the error detection:
// Form 1 (subheader submode without kSubmodeForm2) gets EDC over subheader and 2048 data bytes and
// P/Q ECC; Form 2 gets EDC over subheader and 2324 data bytes.
void makeRawSector(const uint8_t* sector, uint32_t lba, uint8_t* raw);

// The gap sector between tracks: Form 2, no data.
void gapSector(uint8_t* sector);

// CD-ROM EDC (CRC-32, polynomial x^32 + x^31 + x^16 + x^15 + x^4 + x^3 + x + 1, least significant
// bit first) of `size` bytes.
uint32_t edc(const uint8_t* data, size_t size);

// Cue sheet of a single raw image file `binName` with the layout (MODE2/2352 tracks; each track
// file's 150-sector gap is its index 0).
std::string cueSheet(const std::string& binName, const DiscLayout& layout);

// cdrdao table of contents: the image and the track files in 2336-byte sectors with subheaders
// (MODE2_FORM_MIX, so the writer computes EDC/ECC per sector form), 150-sector pregaps.
std::string cdrdaoToc(const std::string& imageName, const std::vector<std::string>& trackNames);

}  // namespace duvad::host
