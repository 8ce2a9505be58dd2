// Completing the host's image of a Video CD's first track: where each track file lies on the
// disc, the fields of the ISO 9660 volume and of the Video CD entry table that depend on the
// track files and on the date, and the clearing of unused directory and entry slots.
// Platform-free: times arrive already converted to local time, with the time zone's bias.
#pragma once
#include <cstddef>
#include <cstdint>

namespace duvad::vcd {

constexpr int32_t kSectorBytes = 2336;       // Mode 2 sector without sync and header
constexpr int32_t kMaxTracks = 32;           // directory record slots and entry slots in the image
constexpr uint32_t kMinImageBytes = 352884;  // the last patched byte is 352883

// A broken-down local time (what FileTimeToSystemTime gives after FileTimeToLocalFileTime).
struct LocalTime {
    int year, month, day, hour, minute, second, milliseconds;
};

// What the track conversion keeps per track, in track order.
struct TrackRecord {
    uint32_t sectors;         // sectors written to the track file: 30 + data + 55
    LocalTime written;        // the source file's last write, as local time
    int32_t biasMinutes;      // time zone bias (UTC = local + bias) fetched for this track
};

// Patches `image` (length bytes, a whole number of sectors, at least kMinImageBytes) for
// `count` tracks (0..kMaxTracks) and the current local time `now` with its bias. Touches only
// the fields that belong to the track files and the date; everything else stays the host's.
void patchImage(uint8_t* image, uint32_t length, const TrackRecord* tracks, int count,
                const LocalTime& now, int32_t nowBiasMinutes);

}  // namespace duvad::vcd
