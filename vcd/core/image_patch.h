// Completing the host's image of a Video CD's first track: where each track file lies on the
// disc, the fields of the ISO 9660 volume and of the Video CD entry table that depend on the
// track files and on the date, and the clearing of unused directory and entry slots.
// Platform-free: times arrive already converted to local time, with the bias in force (daylight
// time included), so that local time minus the offset is UTC.
#pragma once
#include <cstddef>
#include <cstdint>

#include "vcd/core/disc_format.h"
#include "vcd/core/video_cd_files.h"

namespace duvad::vcd {

constexpr int32_t kMaxTracks = 32;           // directory record slots and entry slots in the image
constexpr uint32_t kMinImageBytes = 352884;  // the last patched byte is 352883

// A broken-down local time (what FileTimeToSystemTime gives after FileTimeToLocalFileTime).
struct LocalTime {
    int year, month, day, hour, minute, second, milliseconds;
};

// What the track conversion keeps per track, in track order.
struct TrackRecord {
    uint32_t sectors;     // sectors written to the track file: 30 + data + 55
    LocalTime written;    // the source file's last write, as local time
    int32_t biasMinutes;  // bias in force (UTC = local + bias, daylight time included)
};

// Patches `image` (length bytes, a whole number of sectors, at least kMinImageBytes) for
// `count` tracks (0..kMaxTracks) and the current local time `now` with its bias. Touches only
// the fields that belong to the track files and the date; everything else stays the host's.
void patchImage(uint8_t* image, uint32_t length, const TrackRecord* tracks, int count, const LocalTime& now,
                int32_t nowBiasMinutes);

// The pieces of the patch, each a pure function of its inputs.

// Disc sector where the first track file starts: the image's whole sectors plus one gap.
constexpr uint32_t firstTrackStart(uint32_t imageLength) { return imageLength / kMode2SectorBytes + kGapSectors; }

// ISO 9660 offset from UTC in 15-minute units, positive east of Greenwich, from a Windows bias
// (UTC = local + bias, in minutes); the quotient drops its fraction toward zero.
constexpr uint8_t offsetByte(int32_t biasMinutes) { return uint8_t(biasMinutes / -15); }

// The 7-byte recording date of a directory record: years since 1900, month, day, hour, minute,
// second, offset byte.
void putRecordDate(uint8_t* p, const LocalTime& t, int32_t biasMinutes);

using iso9660::kRecordDateBytes;
using iso9660::kVolumeDateBytes;

// The 17-byte volume date of a primary volume descriptor: the 16 digits YYYYMMDDhhmmsscc
// (cc = hundredths of a second) and the offset byte; no terminator.
void putVolumeDate(uint8_t* p, const LocalTime& t, int32_t biasMinutes);

// The 4-byte entry of the Video CD entry table: disc track number and start address, all BCD.
// `discTrack` is the track number on the disc (2 for the first track file); `start` is the
// track's start sector counted from the program area, which itself begins at 00:02:00.
void putEntry(uint8_t* p, uint32_t discTrack, uint32_t start);

}  // namespace duvad::vcd
