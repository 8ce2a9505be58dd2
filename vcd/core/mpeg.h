// Reading an MPEG-1 file meant for a Video CD track: pack headers and their system clock
// references (ISO/IEC 11172-1), the video sequence header (ISO/IEC 11172-2), the Video CD picture
// rules, the RIFF CDXA container, and the length of the track file made from the file.
#pragma once
#include <cstdint>

#include "vcd/core/byte_source.h"
#include "vcd/core/disc_format.h"
#include "vcd/core/source_kind.h"

namespace duvad::vcd {

constexpr int32_t kBlockBytes = kMode2SectorBytes;     // every analysis read: a Mode 2 sector's size
constexpr int32_t kPackBytes = kForm2DataBytes;        // one pack of a Video CD stream: a Form 2 payload
constexpr int32_t kRawHeaderBytes = kSyncHeaderBytes;  // a raw sector's sync pattern and header
constexpr int32_t kRiffHeaderBytes = 44;               // RIFF/CDXA header ahead of the raw sectors
constexpr int32_t kLeadInSectors = 30;                 // empty sectors ahead of a track's data
constexpr int32_t kLeadOutSectors = 55;                // and after it
constexpr int32_t kPackPositions = 584;                // positions tested for a pack header in each block
constexpr int kHeadBlocks = 5;                         // blocks scanned for the first pack header
constexpr int32_t kTailBytes = 3 * kBlockBytes;        // window at the end for the last pack header
constexpr int kSearchBlocks = 100;                     // blocks searched for the sequence header
constexpr int32_t kEmptyTailSectors = 300;             // empty sectors looked past at the end (4 s of disc)
constexpr uint32_t kClockHz = 90000;                   // system clock reference rate
constexpr uint32_t kBitRateUnit = 400;                 // bit/s per unit of the sequence header's field

static_assert(kTailBytes == 7008);
static_assert(kRawSectorBytes == kRawHeaderBytes + kBlockBytes);  // a RIFF CDXA file's sectors

// A pack start code 00 00 01 BA whose next byte marks an MPEG-1 pack (high nibble 0x2 or 0x3).
// Reads p[0..4].
bool isPackHeader(const uint8_t* p);

// The low 32 bits of a pack header's system clock reference (bytes 4 to 8); bit 32 is dropped
// and the marker bits are not examined.
uint32_t packClock(const uint8_t* p);

// Lowest position among 0..583 of `block` where a pack header with its whole clock reference
// (9 bytes) lies within the `delivered` bytes; -1 when none does.
int32_t findPackHeader(const uint8_t* block, uint32_t delivered);

struct SequenceHeader {
    int32_t width = 0;       // horizontal size, 12 bits
    int32_t height = 0;      // vertical size, 12 bits
    int32_t aspectCode = 0;  // pel aspect ratio code, 4 bits
    int32_t rateCode = 0;    // picture rate code, 4 bits
    int32_t bitRate = 0;     // bit/s: the 18-bit field times 400
};

// The fields of a sequence header whose start code is at p[0..3]; reads p[4..10].
SequenceHeader readSequenceHeader(const uint8_t* p);

// The Video CD picture rules: a sequence header meets them when it matches one of these rows and
// its bit rate is below kMaxVcdBitRate.
struct VideoCdPicture {
    int32_t width, height, aspectCode, rateCode;
};
inline constexpr VideoCdPicture kVideoCdPictures[] = {
    {352, 240, 12, 4},  // 525 lines, pel aspect 1.0950, 29.97 Hz
    {352, 240, 12, 1},  // 525 lines, 23.976 Hz (film)
    {352, 288, 8, 3},   // 625 lines, pel aspect 0.9157, 25 Hz
};
constexpr int32_t kMaxVcdBitRate = 1151929;  // exclusive: field values up to 2879 (1151600 bit/s)

// Whether a sequence header meets the Video CD picture rules: 352 x 240 at code 12 and
// 29.97 Hz or 23.976 Hz, or 352 x 288 at code 8 and 25 Hz; in each case below 1151929 bit/s.
bool meetsVideoCdRules(const SequenceHeader& h);

// Sectors of the track file made from a file of `size` bytes: its data sectors plus the 30
// lead-in and 55 lead-out sectors. A RIFF CDXA file has (size - 44) / 2352 data sectors, any other
// file size / 2324; fractions dropped toward zero.
int64_t trackSectors(bool riffCdxa, int64_t size);

// What AnalyzeMpeg reports.
struct Analysis {
    // 1: a sequence header was found; 0: none in the first 100 blocks from the data start;
    // -2: the file is too large for its length in sectors to fit a signed 32-bit value.
    int32_t result = 0;
    bool compliant = false;
    SequenceHeader header;        // valid when result is 1
    int32_t playingSeconds = -1;  // -1 when it cannot be measured
    int64_t sectors = 0;          // length of the track file in sectors
};

// The last pack header's clock before the empty sectors that end a file, for a file whose last
// 7008 bytes hold none at the positions the tail scan tests: a RIFF CDXA file taken from a Video
// CD ends in 45 or more empty margin sectors, a stream may end in zero padding sectors or in a
// partial pack. Looks past at most kEmptyTailSectors empty sectors (CDXA: whole raw sectors whose
// 2324 bytes of user data are zero; any other file: zero bytes, 2324 to a sector), then tests
// every position of the 7008 bytes before them and takes the last pack header whose clock bytes
// lie there. False when the file ends in more empty sectors than that or no pack header is there.
bool lastClockBeforeEmptyTail(RandomAccessSource& file, int64_t size, bool cdxa, uint32_t* clock);

// Analyses an open file. Reads, in this order: up to five blocks from byte 0 (the head scan),
// the last 7008 bytes, the first 44 bytes, up to 100 blocks from the data start, and one block at
// the sequence header found. Bytes the file does not hold take part in no test. When the last
// 7008 bytes hold no pack header at the tested positions, lastClockBeforeEmptyTail reads further
// back (after the 44 bytes).
Analysis analyzeStream(RandomAccessSource& file);

}  // namespace duvad::vcd
