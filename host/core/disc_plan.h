// The host tool's planning of a Video CD: whether it takes a source, how the facts that
// AnalyzeMpeg reports read to a user, and how long the disc gets against 74- and 80-minute discs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/core/raw_disc.h"

namespace duvad::host {

// Why the tool refuses a source, from its first bytes; empty when it takes it. It takes what the
// DLL's conversion takes (vcd::classifySource) as long as a pack stream's first pack is MPEG-1's
// (00 00 01 BA, then 0010xxxx or 0011xxxx): an MPEG-2 program stream (01xxxxxx) would be converted
// but makes no Video CD.
std::string sourceRefusal(const uint8_t* head, size_t size);

// What AnalyzeMpeg reports for one file.
constexpr int32_t kCannotOpen = -1, kTooLarge = -2;  // AnalyzeMpeg's failure results
struct StreamFacts {
    int32_t result = 0;  // 1: sequence header found; 0: none; kCannotOpen, kTooLarge
    int32_t compliant = 0, width = 0, height = 0, aspect = 0, rate = 0, bitRate = 0;
    int32_t seconds = -1, sectors = 0;
};

const char* aspectText(int32_t code);    // "1.0950" for 12; "?" for reserved codes
const char* rateText(int32_t code);      // "29.97 Hz" for 4; "?" for reserved codes
std::string clockText(int32_t seconds);  // "1:02:03", "0:05"; "?" when unknown
// The bit rate AnalyzeMpeg reports for a stream whose sequence header gives a variable one.
constexpr int32_t kVariableBitRate = 0x3FFFF * 400;
static_assert(kVariableBitRate == 104857200);
// One line per file: size, aspect and rate codes, bit rate, time, sectors, and whether the picture
// meets the Video CD rules (the DLL's verdict: picture size, aspect, rate and bit rate only).
std::string factsLine(const StreamFacts& f);

// Where a picture misses the Video CD picture rules: one line per field that does (its value and
// what the rules need for a picture of that kind: 525 lines at 29.97 or 23.976 Hz, or 625 lines at
// 25 Hz, chosen by its rate, else by its height), then the ffmpeg command that makes a stream
// within them from `name`. Empty when the facts meet the rules or hold no picture.
std::vector<std::string> pictureRuleBreaks(const StreamFacts& f, const std::string& name);

// Program-area capacity of a recordable disc, in sectors (its lead-out address less 00:02:00).
constexpr uint32_t kDisc74 = 74 * vcd::kSectorsPerMinute - vcd::kGapSectors;
constexpr uint32_t kDisc80 = 80 * vcd::kSectorsPerMinute - vcd::kGapSectors;
static_assert(kDisc74 == 332850 && kDisc80 == 359850, "74- and 80-minute discs");

// The disc these tracks make, as a user reads it: its length and how it fits the two discs.
std::string capacityLine(const DiscLayout& layout);

// The finished disc, one row per track: number, file on disc, source, start address, sectors.
// `sources` holds one name per track file.
std::string trackTable(const DiscLayout& layout, const std::vector<std::string>& sources);

}  // namespace duvad::host
