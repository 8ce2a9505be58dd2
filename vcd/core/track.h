// A Video CD track file: 30 empty sectors, the source's sectors, 55 empty sectors, each sector
// 2336 bytes (Mode 2 without sync and header). A plain MPEG-1 stream is wrapped pack by pack into
// made Form 2 sectors; a RIFF CDXA file's raw sectors are copied without their 16-byte head.
#pragma once
#include <cstdint>

#include "vcd/core/byte_source.h"
#include "vcd/core/mpeg.h"

namespace duvad::vcd {

// Sector sizes and subheader submode bits: vcd/core/disc_format.h.
static_assert(kSubheaderBytes + kPackBytes + kEdcBytes == kBlockBytes);

constexpr uint8_t kVideoSubmode = kSubmodeRealTime | kSubmodeForm2 | kSubmodeVideo;
constexpr uint8_t kAudioSubmode = kSubmodeRealTime | kSubmodeForm2 | kSubmodeAudio;
constexpr uint8_t kVideoCoding = 0x0F;
constexpr uint8_t kAudioCoding = 0x7F;
constexpr uint8_t kChannel = 1;
static_assert(kVideoSubmode == 0x62 && kAudioSubmode == 0x64);

// What a source is: classifySource, vcd/core/source_kind.h.

// Fills bytes 0-7 of a made sector whose 2324-byte payload is already at bytes 8-2331: an audio
// sector when payload bytes 12-15 start a packet of MPEG audio stream 0, else a video sector.
void makeSubheader(uint8_t* sector, int32_t track);

// Largest track the image's 32-bit fields can describe: its data length, (sectors - 10) x 2048
// bytes, must fit 32 bits unsigned.
constexpr int64_t kMaxTrackSectors = 0xFFFFFFFFll / 2048 + 10;
static_assert((kMaxTrackSectors - 10) * 2048 <= 0xFFFFFFFFll);
static_assert((kMaxTrackSectors + 1 - 10) * 2048 > 0xFFFFFFFFll);

struct TrackOutcome {
    enum Status { Done, ReadFailed, WriteFailed } status = Done;
    uint32_t sectors = 0;  // sectors written, whatever the status
};

// Writes the whole track for a source of `size` bytes to `out`: 30 empty sectors, the data
// sectors, 55 empty sectors, one write and one pump pass per sector, one read per data sector,
// all through one buffer. `track` (its low 8 bits) is the file number in made subheaders.
// Stops at the first read that fails or comes short, or the first failed write.
TrackOutcome writeTrack(RandomAccessSource& source, SectorSink& out, SourceKind kind, int64_t size, int32_t track);

}  // namespace duvad::vcd
