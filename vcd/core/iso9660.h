// The ISO 9660 volume (ECMA-119) in its CD-ROM XA form, as the first track of a Video CD holds it:
// each field once, in field order, as its byte offset within its structure, with its ECMA-119
// clause. The DLL's image completion and the host tool's image builder both write through these.
#pragma once
#include <cstdint>

namespace duvad::vcd::iso9660 {

// Volume descriptors (8.1), one per 2048-byte block from sector 16 (6.2.1: the system area is
// sectors 0-15).
constexpr uint32_t kDescriptorType = 0;        // 8.1.1
constexpr uint32_t kDescriptorStandardId = 1;  // 8.1.2, 5 bytes
constexpr uint32_t kDescriptorVersion = 6;     // 8.1.3
constexpr char kStandardId[] = "CD001";
constexpr uint8_t kPrimaryDescriptor = 1;  // 8.4.1
constexpr uint8_t kTerminator = 255;       // 8.3.1
constexpr uint32_t kPrimarySector = 16;

// Primary volume descriptor (8.4).
constexpr uint32_t kPvdSystemId = 8;            // 8.4.5, 32 bytes
constexpr uint32_t kPvdVolumeId = 40;           // 8.4.6, 32 bytes
constexpr uint32_t kPvdSpaceSize = 80;          // 8.4.8, both-endian 32
constexpr uint32_t kPvdSetSize = 120;           // 8.4.10, both-endian 16
constexpr uint32_t kPvdSequence = 124;          // 8.4.11, both-endian 16
constexpr uint32_t kPvdBlockSize = 128;         // 8.4.12, both-endian 16
constexpr uint32_t kPvdPathTableSize = 132;     // 8.4.13, both-endian 32
constexpr uint32_t kPvdPathL = 140;             // 8.4.14, little-endian 32
constexpr uint32_t kPvdPathM = 148;             // 8.4.16, big-endian 32
constexpr uint32_t kPvdRoot = 156;              // 8.4.18, the root's 34-byte directory record
constexpr uint32_t kPvdVolumeSetId = 190;       // 8.4.19, 128 bytes
constexpr uint32_t kPvdPublisher = 318;         // 8.4.20, 128 bytes
constexpr uint32_t kPvdPreparer = 446;          // 8.4.21, 128 bytes
constexpr uint32_t kPvdApplication = 574;       // 8.4.22, 128 bytes
constexpr uint32_t kPvdCopyrightFile = 702;     // 8.4.23-8.4.25: copyright, abstract and
constexpr uint32_t kFileIdBytes = 37;           // bibliographic file identifiers, 37 bytes each
constexpr uint32_t kPvdCreation = 813;          // 8.4.26-8.4.29: creation, modification,
constexpr uint32_t kVolumeDateBytes = 17;       // expiration and effective dates (8.4.26.1)
constexpr uint32_t kPvdStructureVersion = 881;  // 8.4.30
constexpr uint32_t kPvdApplicationUse = 883;    // 8.4.32, 512 bytes
// CD-ROM XA marks its volumes with "CD-XA001" at descriptor byte 1024, in the application use.
constexpr uint32_t kPvdXaMark = 1024;
constexpr char kXaMark[] = "CD-XA001";
static_assert(kPvdCopyrightFile + 3 * kFileIdBytes == kPvdCreation, "the file identifiers end at the dates");
static_assert(kPvdCreation + 4 * kVolumeDateBytes == kPvdStructureVersion, "four dates");
static_assert(kPvdXaMark - kPvdApplicationUse == 141, "the XA mark in the application use");

// Directory record (9.1).
constexpr uint32_t kRecordLength = 0;       // 9.1.1
constexpr uint32_t kRecordExtent = 2;       // 9.1.3, both-endian 32
constexpr uint32_t kRecordDataLength = 10;  // 9.1.4, both-endian 32
constexpr uint32_t kRecordDate = 18;        // 9.1.5
constexpr uint32_t kRecordDateBytes = 7;
constexpr uint32_t kRecordFlags = 25;     // 9.1.6
constexpr uint32_t kRecordSequence = 28;  // 9.1.9, both-endian 16
constexpr uint32_t kRecordIdLength = 32;  // 9.1.10
constexpr uint32_t kRecordId = 33;        // 9.1.11; a padding byte follows an even length (9.1.12)
constexpr uint8_t kFlagDirectory = 0x02;
static_assert(kRecordDate + kRecordDateBytes == kRecordFlags, "the date ends at the flags");

// The CD-ROM XA system use field (9.1.13): 14 bytes behind the identifier and its padding.
constexpr uint32_t kXaOwnerGroup = 0;  // big-endian 16
constexpr uint32_t kXaOwnerUser = 2;   // big-endian 16
constexpr uint32_t kXaAttributes = 4;  // big-endian 16: the attribute word (disc_format.h)
constexpr uint32_t kXaSignature = 6;   // "XA"
constexpr uint32_t kXaFileNumber = 8;
constexpr uint32_t kXaFieldBytes = 14;

// Path table record (9.4).
constexpr uint32_t kPathIdLength = 0;  // 9.4.1
constexpr uint32_t kPathExtent = 2;    // 9.4.3, 32 bits in the table's byte order
constexpr uint32_t kPathParent = 6;    // 9.4.4, 16 bits in the table's byte order
constexpr uint32_t kPathId = 8;        // 9.4.5; a padding byte follows an odd length (9.4.6)

}  // namespace duvad::vcd::iso9660
