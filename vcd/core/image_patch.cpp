#include "vcd/core/image_patch.h"

#include <algorithm>
#include <cstring>

namespace duvad::vcd {
namespace {

// The fields written, as image offsets (ISO 9660 layout: iso9660.h; Video CD places and files:
// video_cd_files.h). The primary volume descriptor is the user data of sector 16.
constexpr uint32_t kPvd = userData(iso9660::kPrimarySector);
constexpr uint32_t kPvdSystemId = kPvd + iso9660::kPvdSystemId;  // first 17 of its 32 bytes
constexpr uint32_t kPvdVolumeId = kPvd + iso9660::kPvdVolumeId;
constexpr uint32_t kPvdSpaceSize = kPvd + iso9660::kPvdSpaceSize;
constexpr uint32_t kPvdCreation = kPvd + iso9660::kPvdCreation;  // then modification, expiration, effective
constexpr int kEffectiveYears = 100;                             // the effective date lies a century ahead
static_assert(kPvd == 37384 && kPvdSystemId == 37392 && kPvdVolumeId == 37424, "PVD fields");
static_assert(kPvdSpaceSize == 37464 && kPvdCreation == 38197, "PVD fields");
static_assert(sizeof kSystemId - 1 == 17, "system identifier written without terminator");

// MPEGAV's 32 record slots, behind its own two records; the fields of a slot's record.
constexpr uint32_t kRecordSlots = userData(kTrackDirectorySector) + 2 * kOwnRecordBytes;
constexpr uint32_t kRecordExtent = iso9660::kRecordExtent;
constexpr uint32_t kRecordLength = iso9660::kRecordDataLength;
constexpr uint32_t kRecordDate = iso9660::kRecordDate;
constexpr uint32_t kRecordSystemUse = iso9660::kRecordId + kTrackFileIdBytes;  // "AVSEQnn.DAT;1", no padding
constexpr uint32_t kRecordXaAttributes = kRecordSystemUse + iso9660::kXaAttributes;
constexpr uint32_t kRecordXaFileNumber = kRecordSystemUse + iso9660::kXaFileNumber;
constexpr uint32_t kUnsentSectors = 10;  // a track file's length counts 10 sectors less
static_assert(kRecordSlots == 49160, "directory record slots start at sector 21, byte 96");
static_assert(kRecordSlots + kMaxTracks * kRecordSlotBytes - 1 == 51079, "and end at image byte 51079");
static_assert(kRecordXaAttributes == 50 && kRecordXaFileNumber == 54, "XA field at record byte 46");

// The Video CD entry table (ENTRIES.VCD): its count and its 4-byte entries.
constexpr uint32_t kEntryCountAt = userData(kEntriesSector) + kEntryCount;
constexpr uint32_t kEntrySlotsAt = userData(kEntriesSector) + kEntrySlots;
static_assert(kEntryCountAt == 352754 && kEntrySlotsAt == 352756, "entry table of sector 151");
static_assert(kEntrySlotsAt + kMaxTracks * kEntryBytes == kMinImageBytes, "the last patched byte");

// Writes `value` as `width` decimal digits (the low ones, should it have more).
void putDigits(uint8_t* p, int value, int width) {
    unsigned v = unsigned(value < 0 ? 0 : value);
    for (int i = width - 1; i >= 0; --i, v /= 10) p[i] = uint8_t('0' + v % 10);
}

}  // namespace

void putRecordDate(uint8_t* p, const LocalTime& t, int32_t biasMinutes) {
    p[0] = uint8_t(t.year - 1900);
    p[1] = uint8_t(t.month);
    p[2] = uint8_t(t.day);
    p[3] = uint8_t(t.hour);
    p[4] = uint8_t(t.minute);
    p[5] = uint8_t(t.second);
    p[6] = offsetByte(biasMinutes);
}

void putVolumeDate(uint8_t* p, const LocalTime& t, int32_t biasMinutes) {
    putDigits(p, t.year, 4);
    putDigits(p + 4, t.month, 2);
    putDigits(p + 6, t.day, 2);
    putDigits(p + 8, t.hour, 2);
    putDigits(p + 10, t.minute, 2);
    putDigits(p + 12, t.second, 2);
    putDigits(p + 14, t.milliseconds / 10, 2);
    p[16] = offsetByte(biasMinutes);
}

void putEntry(uint8_t* p, uint32_t discTrack, uint32_t start) {
    const Msf at = msf(start + kGapSectors);  // the program area begins at 00:02:00
    p[0] = bcd(discTrack);
    p[1] = bcd(at.minute);
    p[2] = bcd(at.second);
    p[3] = bcd(at.frame);
}

void patchImage(uint8_t* image, uint32_t length, const TrackRecord* tracks, int count, const LocalTime& now,
                int32_t nowBiasMinutes) {
    if (!image || length < kMinImageBytes) return;  // the export refuses such a buffer first
    const int n = tracks ? std::clamp(count, 0, int(kMaxTracks)) : 0;

    uint32_t start = firstTrackStart(length);
    for (int k = 1; k <= n; ++k) {
        const TrackRecord& track = tracks[k - 1];
        uint8_t* record = image + kRecordSlots + (k - 1) * kRecordSlotBytes;
        putBoth32(record + kRecordExtent, start);
        putBoth32(record + kRecordLength, (track.sectors - kUnsentSectors) * uint32_t(kForm1DataBytes));
        putRecordDate(record + kRecordDate, track.written, track.biasMinutes);
        putBe16(record + kRecordXaAttributes, kXaTrackFile);
        record[kRecordXaFileNumber] = uint8_t(k);
        putEntry(image + kEntrySlotsAt + (k - 1) * kEntryBytes, uint32_t(k) + 1, start);
        start += track.sectors + kGapSectors;
    }

    std::memcpy(image + kPvdSystemId, kSystemId, sizeof kSystemId - 1);
    putBoth32(image + kPvdSpaceSize, start);  // the end sector
    std::memset(image + kPvdVolumeId, ' ', kVolumeIdBytes);
    std::memcpy(image + kPvdVolumeId, kVolumeId, sizeof kVolumeId - 1);

    LocalTime effective = now;
    effective.year += kEffectiveYears;
    putVolumeDate(image + kPvdCreation, now, nowBiasMinutes);
    putVolumeDate(image + kPvdCreation + kVolumeDateBytes, now, nowBiasMinutes);
    putVolumeDate(image + kPvdCreation + 2 * kVolumeDateBytes, now, nowBiasMinutes);
    putVolumeDate(image + kPvdCreation + 3 * kVolumeDateBytes, effective, nowBiasMinutes);

    std::memset(image + kRecordSlots + n * kRecordSlotBytes, 0, (kMaxTracks - n) * kRecordSlotBytes);
    std::memset(image + kEntrySlotsAt + n * kEntryBytes, 0, (kMaxTracks - n) * kEntryBytes);
    putBe16(image + kEntryCountAt, uint32_t(n));
}

}  // namespace duvad::vcd
