// The numbers of the CD-ROM XA sector, the disc address and the ISO 9660 field encodings that the
// Video CD track layout and its first track's file system are written in. Every on-disc number is
// named here once; writers put values at a pointer, never through a struct laid over a buffer.
#pragma once
#include <cstdint>

namespace duvad::vcd {

// Sectors.
constexpr int32_t kMode2SectorBytes = 2336;  // Mode 2 sector without sync and header
constexpr int32_t kRawSectorBytes = 2352;    // with the 12-byte sync and the 4-byte header
constexpr int32_t kSyncHeaderBytes = 16;
constexpr int32_t kSubheaderBytes = 8;     // file, channel, submode, coding; twice
constexpr int32_t kForm1DataBytes = 2048;  // user data of a Form 1 sector (ISO 9660 block)
constexpr int32_t kForm2DataBytes = 2324;  // user data of a Form 2 sector (one MPEG pack)
constexpr int32_t kEdcBytes = 4;
static_assert(kSubheaderBytes + kForm2DataBytes + kEdcBytes == kMode2SectorBytes, "Form 2 layout");
static_assert(kSyncHeaderBytes + kMode2SectorBytes == kRawSectorBytes, "raw sector layout");

// Subheader submode bits (CD-ROM XA).
constexpr uint8_t kSubmodeEndOfRecord = 0x01;
constexpr uint8_t kSubmodeVideo = 0x02;
constexpr uint8_t kSubmodeAudio = 0x04;
constexpr uint8_t kSubmodeData = 0x08;
constexpr uint8_t kSubmodeTrigger = 0x10;
constexpr uint8_t kSubmodeForm2 = 0x20;
constexpr uint8_t kSubmodeRealTime = 0x40;
constexpr uint8_t kSubmodeEndOfFile = 0x80;

// Disc addresses: 75 sectors a second; the program area starts at 00:02:00, and each Video CD
// track follows the one before after a gap of the same two seconds.
constexpr uint32_t kSectorsPerSecond = 75;
constexpr uint32_t kSectorsPerMinute = 60 * kSectorsPerSecond;
constexpr uint32_t kGapSectors = 2 * kSectorsPerSecond;
static_assert(kSectorsPerMinute == 4500 && kGapSectors == 150, "disc address units");

// Byte offset of the user data of sector `sector` in an image of 2336-byte sectors.
constexpr uint32_t userData(uint32_t sector) { return sector * uint32_t(kMode2SectorBytes) + kSubheaderBytes; }

// A value 0..99 as two decimal digits, the tens in the high four bits.
constexpr uint8_t bcd(uint32_t v) { return uint8_t((v / 10 % 10) << 4 | v % 10); }
static_assert(bcd(33) == 0x33 && bcd(8) == 0x08 && bcd(59) == 0x59, "BCD digits");

// Minute, second and frame of a disc address counted in sectors from 00:00:00.
struct Msf {
    uint32_t minute, second, frame;
};
constexpr Msf msf(uint32_t address) {
    return {address / kSectorsPerMinute, address % kSectorsPerMinute / kSectorsPerSecond, address % kSectorsPerSecond};
}

// Integer writers (ISO 9660 7.2 and 7.3).
inline void putLe16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v), p[1] = uint8_t(v >> 8); }
inline void putBe16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v >> 8), p[1] = uint8_t(v); }
inline void putLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void putBe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[3 - i] = uint8_t(v >> (8 * i));
}
// Integer readers, least significant byte first.
constexpr uint32_t getLe16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
constexpr uint32_t getLe32(const uint8_t* p) { return getLe16(p) | getLe16(p + 2) << 16; }

// Both byte orders: least significant first, then most significant first.
inline void putBoth16(uint8_t* p, uint32_t v) { putLe16(p, v), putBe16(p + 2, v); }
inline void putBoth32(uint8_t* p, uint32_t v) { putLe32(p, v), putBe32(p + 4, v); }

// CD-ROM XA attribute word of a directory record's system use field (most significant byte first).
constexpr uint16_t kXaReadSystem = 0x0001, kXaExecSystem = 0x0004;
constexpr uint16_t kXaReadOwner = 0x0010, kXaExecOwner = 0x0040;
constexpr uint16_t kXaReadGroup = 0x0100, kXaExecGroup = 0x0400;
constexpr uint16_t kXaForm1 = 0x0800, kXaForm2 = 0x1000, kXaInterleaved = 0x2000;
constexpr uint16_t kXaCdda = 0x4000, kXaDirectory = 0x8000;
constexpr uint16_t kXaRead = kXaReadSystem | kXaReadOwner | kXaReadGroup;
constexpr uint16_t kXaExec = kXaExecSystem | kXaExecOwner | kXaExecGroup;
// A Video CD track file: readable, Mode 2 Form 2, interleaved.
constexpr uint16_t kXaTrackFile = kXaRead | kXaForm2 | kXaInterleaved;
static_assert(kXaTrackFile == 0x3111, "the attribute word of a Video CD track file");

}  // namespace duvad::vcd
