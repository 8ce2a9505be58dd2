// The Video CD 2.0 first track's fixed places and files: the volume's identifiers, the MPEGAV
// directory whose record slots name the track files, INFO.VCD and ENTRIES.VCD. The DLL's image
// completion and the host tool's image builder both write through these.
#pragma once
#include <cstdint>

#include "vcd/core/iso9660.h"

namespace duvad::vcd {

constexpr char kSystemId[] = "CD-RTOS CD-BRIDGE";  // the PVD's system identifier, first 17 bytes
constexpr char kVolumeId[] = "VideoCD";            // the PVD's volume identifier, space-filled
constexpr uint32_t kVolumeIdBytes = 32;

// MPEGAV, the track files' directory: its own "." and ".." records (48 bytes each with the XA
// field), then one 60-byte record slot per track file, AVSEQnn.DAT;1 (a 13-byte identifier).
constexpr uint32_t kTrackDirectorySector = 21;
constexpr uint32_t kOwnRecordBytes = 48;
constexpr uint32_t kRecordSlotBytes = 60;
constexpr uint32_t kTrackFileIdBytes = 13;
static_assert(iso9660::kRecordId + 1 + iso9660::kXaFieldBytes == kOwnRecordBytes, "'.' and '..'");
static_assert(iso9660::kRecordId + kTrackFileIdBytes + iso9660::kXaFieldBytes == kRecordSlotBytes, "a slot");

// VCD/INFO.VCD and VCD/ENTRIES.VCD, one sector each at fixed places; both begin with an 8-byte
// identifier, the version and the profile.
constexpr uint32_t kInfoSector = 150;
constexpr uint32_t kEntriesSector = 151;
constexpr uint32_t kFileVersion = 8, kFileProfile = 9;
constexpr uint8_t kVcd2Version = 2, kVcd2Profile = 0;

constexpr char kInfoId[] = "VIDEO_CD";
constexpr uint32_t kInfoAlbum = 10, kInfoAlbumBytes = 16;          // album identification
constexpr uint32_t kInfoVolumeCount = 26, kInfoVolumeNumber = 28;  // big-endian 16 each
constexpr uint32_t kInfoPalFlags = 30;                             // bit k - 1: track file k is PAL
constexpr uint32_t kInfoOffsetMultiplier = 51;

constexpr char kEntriesId[] = "ENTRYVCD";
constexpr uint32_t kEntryCount = 10;  // big-endian 16
constexpr uint32_t kEntrySlots = 12;  // 4-byte entries: disc track, BCD minute, second, frame
constexpr uint32_t kEntryBytes = 4;

}  // namespace duvad::vcd
