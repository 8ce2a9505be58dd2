// The host's side of the first track of a Video CD: the image that DuVad.dll completes. An ISO 9660
// volume in CD-ROM XA form (2336-byte Mode 2 Form 1 sectors with subheaders) holding the folders of
// the Video CD 2.0 layout, VCD/INFO.VCD, VCD/ENTRIES.VCD and, in MPEGAV, one prepared directory
// record per track file. What depends on the track files and the date (extents, lengths, record
// dates, entries, volume size, volume dates) the DLL enters; the rest is prepared here.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/core/raw_disc.h"
#include "vcd/core/image_patch.h"

namespace duvad::host {

// Sectors of the first track: four seconds, the shortest track a disc may have (INFO.VCD and
// ENTRIES.VCD sit at the fixed sectors 150 and 151).
constexpr uint32_t kFirstTrackSectors = 300;
constexpr uint32_t kRootSector = 20;  // then MPEGAV at vcd::kTrackDirectorySector, 21
static_assert(kFirstTrackSectors * vcd::kMode2SectorBytes >= vcd::kMinImageBytes, "covers every patched byte");
static_assert(kFirstTrackSectors >= kShortestTrackSectors, "a track lasts four seconds or more");

struct FirstTrackPlan {
    int tracks = 0;                               // 0..32 track files, AVSEQ01.DAT to AVSEQnn.DAT
    uint32_t palTracks = 0;                       // bit k - 1 set: track file k is a 625-line (PAL) stream
    std::string album = "DUVAD";                  // INFO.VCD album identification, at most 16 characters
    vcd::LocalTime made{2000, 1, 1, 0, 0, 0, 0};  // dates of the records that the DLL leaves alone
    int32_t biasMinutes = 0;
};

// The image, kFirstTrackSectors sectors of 2336 bytes. tracks outside 0..32 are clamped.
std::vector<uint8_t> buildFirstTrack(const FirstTrackPlan& plan);

// The extents (start sectors) of the track files as the completed image's MPEGAV directory lists
// them, in directory order; the walk stops at the first empty or malformed record.
std::vector<uint32_t> listedTrackStarts(const std::vector<uint8_t>& image);

}  // namespace duvad::host
