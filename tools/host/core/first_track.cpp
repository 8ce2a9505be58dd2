#include "tools/host/core/first_track.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace duvad::host {
namespace {

using namespace duvad::vcd;

constexpr uint32_t kPvdSector = 16, kTerminatorSector = 17;
constexpr uint32_t kPathTableL = 18, kPathTableM = 19;

// ISO 9660 volume descriptors (the user data of sectors 16 and 17).
constexpr uint8_t kPrimaryDescriptor = 1, kTerminator = 255;
constexpr char kStandardId[] = "CD001";
constexpr uint32_t kPvdSystemId = 8, kPvdVolumeId = 40, kPvdSpaceSize = 80, kPvdSetSize = 120;
constexpr uint32_t kPvdSequence = 124, kPvdBlockSize = 128, kPvdPathTableSize = 132;
constexpr uint32_t kPvdPathL = 140, kPvdPathM = 148, kPvdRoot = 156, kPvdVolumeSetId = 190;
constexpr uint32_t kPvdPublisher = 318, kPvdPreparer = 446, kPvdApplication = 574;
constexpr uint32_t kPvdCopyrightFile = 702, kPvdDates = 813, kPvdStructure = 881;
constexpr uint32_t kPvdXaMarker = 1024;  // "CD-XA001" in the application use area
static_assert(kPvdDates + 4 * kVolumeDateBytes == kPvdStructure, "four 17-byte volume dates");

// Directory records (ISO 9660 9.1) with the CD-ROM XA system use field.
constexpr uint32_t kRecExtent = 2, kRecLength = 10, kRecDate = 18, kRecFlags = 25;
constexpr uint32_t kRecSequence = 28, kRecIdLength = 32, kRecId = 33;
constexpr uint8_t kFlagDirectory = 0x02;
constexpr uint32_t kXaFieldBytes = 14;   // group, user, attributes, "XA", file number, reserved
constexpr uint16_t kXaDirectoryAttributes = kXaDirectory | kXaForm1 | kXaRead | kXaExec;
constexpr uint16_t kXaForm1File = kXaForm1 | kXaRead | kXaExec;
static_assert(kXaDirectoryAttributes == 0x8D55 && kXaForm1File == 0x0D55, "XA attribute words");

// Video CD 2.0 files.
constexpr char kInfoId[] = "VIDEO_CD", kEntriesId[] = "ENTRYVCD";
constexpr uint8_t kVcd2Version = 2, kVcd2Profile = 0, kOffsetMultiplier = 8;
constexpr uint32_t kInfoAlbum = 10, kInfoAlbumBytes = 16, kInfoVolumeCount = 26, kInfoVolumeNumber = 28;
constexpr uint32_t kInfoPalFlags = 30, kInfoOffsetMultiplier = 51;

uint8_t* block(std::vector<uint8_t>& image, uint32_t sector) { return image.data() + userData(sector); }

// A Form 1 sector's subheader: file 0, channel 0, the submode, coding 0; written twice.
void putSubheader(std::vector<uint8_t>& image, uint32_t sector, uint8_t submode) {
    uint8_t* p = image.data() + sector * kSectorBytes;
    const uint8_t sub[4] = {0, 0, submode, 0};
    std::memcpy(p, sub, 4);
    std::memcpy(p + 4, sub, 4);
}

void putText(uint8_t* p, const std::string& text, uint32_t width) {
    std::memset(p, ' ', width);
    std::memcpy(p, text.data(), std::min<size_t>(text.size(), width));
}

struct Record {
    std::string id;      // "\0" for ".", "\1" for "..", else the identifier
    uint32_t extent = 0, length = kForm1DataBytes;
    bool directory = false;
    uint16_t attributes = kXaForm1File;
    uint8_t fileNumber = 0;
};

uint32_t recordBytes(const std::string& id, bool xa) {
    const uint32_t n = uint32_t(id.size());
    return kRecId + n + (n % 2 == 0 ? 1 : 0) + (xa ? kXaFieldBytes : 0);
}

// Writes a directory record at p and returns its length.
uint32_t putRecord(uint8_t* p, const Record& r, const FirstTrackPlan& plan, bool xa) {
    const uint32_t size = recordBytes(r.id, xa);
    std::memset(p, 0, size);
    p[0] = uint8_t(size);
    putBoth32(p + kRecExtent, r.extent);
    putBoth32(p + kRecLength, r.length);
    putRecordDate(p + kRecDate, plan.made, plan.biasMinutes);
    p[kRecFlags] = r.directory ? kFlagDirectory : 0;
    putBoth16(p + kRecSequence, 1);
    p[kRecIdLength] = uint8_t(r.id.size());
    std::memcpy(p + kRecId, r.id.data(), r.id.size());
    if (xa) {
        uint8_t* su = p + size - kXaFieldBytes;
        putBe16(su + 4, r.attributes);
        su[6] = 'X', su[7] = 'A';
        su[8] = r.fileNumber;
    }
    return size;
}

Record directoryRecord(const std::string& id, uint32_t sector) {
    Record r;
    r.id = id, r.extent = sector, r.directory = true, r.attributes = kXaDirectoryAttributes;
    return r;
}

// A directory of one sector: ".", "..", then the given records in identifier order.
void putDirectory(std::vector<uint8_t>& image, uint32_t sector, uint32_t parent,
                  const std::vector<Record>& entries, const FirstTrackPlan& plan) {
    uint8_t* p = block(image, sector);
    uint32_t at = putRecord(p, directoryRecord(std::string(1, '\0'), sector), plan, true);
    at += putRecord(p + at, directoryRecord(std::string(1, '\1'), parent), plan, true);
    for (const Record& r : entries) at += putRecord(p + at, r, plan, true);
    putSubheader(image, sector, kSubmodeData | kSubmodeEndOfRecord | kSubmodeEndOfFile);
}

struct Folder {
    const char* name;
    uint32_t sector;
};
// The Video CD 2.0 folders, in identifier order (which is also their path table order).
constexpr Folder kFolders[] = {{"CDI", 22}, {"EXT", 23}, {"MPEGAV", kTrackDirectorySector},
                               {"SEGMENT", 24}, {"VCD", 25}};

// Path table: the root, then its folders; in the byte order of `bigEndian`.
uint32_t putPathTable(uint8_t* p, bool bigEndian) {
    auto put32 = bigEndian ? putBe32 : putLe32;
    auto put16 = bigEndian ? putBe16 : putLe16;
    uint32_t at = 0;
    auto entry = [&](const std::string& id, uint32_t sector) {
        p[at] = uint8_t(id.size());
        put32(p + at + 2, sector);
        put16(p + at + 6, 1);  // parent: the root, directory number 1
        std::memcpy(p + at + 8, id.data(), id.size());
        at += 8 + uint32_t(id.size()) + uint32_t(id.size() % 2);
    };
    entry(std::string(1, '\0'), kRootSector);
    for (const Folder& f : kFolders) entry(f.name, f.sector);
    return at;
}

}  // namespace

std::vector<uint32_t> listedTrackStarts(const std::vector<uint8_t>& image) {
    std::vector<uint32_t> starts;
    if (image.size() < size_t(kTrackDirectorySector + 1) * kSectorBytes) return starts;
    const uint8_t* dir = image.data() + userData(kTrackDirectorySector);
    for (uint32_t at = 0; at + kRecId < uint32_t(kForm1DataBytes);) {
        const uint32_t size = dir[at];
        if (size < kRecId + 1 || at + size > uint32_t(kForm1DataBytes) || kRecId + dir[at + kRecIdLength] > size) break;
        const uint8_t* r = dir + at;
        if (!(r[kRecFlags] & kFlagDirectory))
            starts.push_back(r[kRecExtent] | r[kRecExtent + 1] << 8 | r[kRecExtent + 2] << 16 | uint32_t(r[kRecExtent + 3]) << 24);
        at += size;
    }
    return starts;
}

std::vector<uint8_t> buildFirstTrack(const FirstTrackPlan& plan) {
    const int tracks = std::clamp(plan.tracks, 0, int(kMaxTracks));
    std::vector<uint8_t> image(size_t(kFirstTrackSectors) * kSectorBytes, 0);
    for (uint32_t s = 0; s < kFirstTrackSectors; ++s) putSubheader(image, s, kSubmodeData);

    // Path tables.
    const uint32_t pathTableBytes = putPathTable(block(image, kPathTableL), false);
    putPathTable(block(image, kPathTableM), true);
    putSubheader(image, kPathTableL, kSubmodeData | kSubmodeEndOfRecord | kSubmodeEndOfFile);
    putSubheader(image, kPathTableM, kSubmodeData | kSubmodeEndOfRecord | kSubmodeEndOfFile);

    // Primary volume descriptor.
    uint8_t* pvd = block(image, kPvdSector);
    pvd[0] = kPrimaryDescriptor;
    std::memcpy(pvd + 1, kStandardId, 5);
    pvd[6] = 1;
    putText(pvd + kPvdSystemId, "CD-RTOS CD-BRIDGE", 32);
    putText(pvd + kPvdVolumeId, "VideoCD", 32);
    putBoth32(pvd + kPvdSpaceSize, kFirstTrackSectors);
    putBoth16(pvd + kPvdSetSize, 1);
    putBoth16(pvd + kPvdSequence, 1);
    putBoth16(pvd + kPvdBlockSize, kForm1DataBytes);
    putBoth32(pvd + kPvdPathTableSize, pathTableBytes);
    putLe32(pvd + kPvdPathL, kPathTableL);
    putBe32(pvd + kPvdPathM, kPathTableM);
    putRecord(pvd + kPvdRoot, directoryRecord(std::string(1, '\0'), kRootSector), plan, false);
    putText(pvd + kPvdVolumeSetId, "", 128);
    putText(pvd + kPvdPublisher, "", 128);
    putText(pvd + kPvdPreparer, "DUVAD", 128);
    putText(pvd + kPvdApplication, "", 128);
    constexpr uint32_t kFileIdBytes = 37;  // copyright, abstract and bibliographic file identifiers
    putText(pvd + kPvdCopyrightFile, "", 3 * kFileIdBytes);
    static_assert(kPvdCopyrightFile + 3 * kFileIdBytes == kPvdDates, "the file identifiers end at the dates");
    // Creation and modification now; expiration and effective "not specified" (digits 0, offset 0).
    putVolumeDate(pvd + kPvdDates, plan.made, plan.biasMinutes);
    putVolumeDate(pvd + kPvdDates + kVolumeDateBytes, plan.made, plan.biasMinutes);
    std::memset(pvd + kPvdDates + 2 * kVolumeDateBytes, '0', 2 * kVolumeDateBytes);
    pvd[kPvdDates + 3 * kVolumeDateBytes - 1] = pvd[kPvdDates + 4 * kVolumeDateBytes - 1] = 0;
    pvd[kPvdStructure] = 1;
    std::memcpy(pvd + kPvdXaMarker, "CD-XA001", 8);
    putSubheader(image, kPvdSector, kSubmodeData | kSubmodeEndOfRecord);

    uint8_t* end = block(image, kTerminatorSector);
    end[0] = kTerminator;
    std::memcpy(end + 1, kStandardId, 5);
    end[6] = 1;
    putSubheader(image, kTerminatorSector, kSubmodeData | kSubmodeEndOfRecord | kSubmodeEndOfFile);

    // Directories.
    std::vector<Record> folders;
    for (const Folder& f : kFolders) folders.push_back(directoryRecord(f.name, f.sector));
    putDirectory(image, kRootSector, kRootSector, folders, plan);
    for (const Folder& f : kFolders) putDirectory(image, f.sector, kRootSector, {}, plan);

    std::vector<Record> tracksDir;
    for (int k = 1; k <= tracks; ++k) {
        Record r;  // extent and length are the DLL's to enter
        r.id = trackFileName(k) + ";1", r.length = 0, r.attributes = kXaTrackFile;
        r.fileNumber = uint8_t(k);
        tracksDir.push_back(r);
    }
    putDirectory(image, kTrackDirectorySector, kRootSector, tracksDir, plan);

    Record entries, info;
    entries.id = "ENTRIES.VCD;1", entries.extent = kEntriesSector;
    info.id = "INFO.VCD;1", info.extent = kInfoSector;
    putDirectory(image, kFolders[4].sector, kRootSector, {entries, info}, plan);

    // VCD/INFO.VCD
    uint8_t* inf = block(image, kInfoSector);
    std::memcpy(inf, kInfoId, 8);
    inf[8] = kVcd2Version, inf[9] = kVcd2Profile;
    putText(inf + kInfoAlbum, plan.album, kInfoAlbumBytes);
    putBe16(inf + kInfoVolumeCount, 1);
    putBe16(inf + kInfoVolumeNumber, 1);
    for (int k = 1; k <= tracks; ++k)
        if (plan.palTracks >> (k - 1) & 1) inf[kInfoPalFlags + (k - 1) / 8] |= uint8_t(1 << ((k - 1) % 8));
    inf[kInfoOffsetMultiplier] = kOffsetMultiplier;
    putSubheader(image, kInfoSector, kSubmodeData | kSubmodeEndOfRecord | kSubmodeEndOfFile);

    // VCD/ENTRIES.VCD: the header; the count and the entries are the DLL's.
    uint8_t* ent = block(image, kEntriesSector);
    std::memcpy(ent, kEntriesId, 8);
    ent[8] = kVcd2Version, ent[9] = kVcd2Profile;
    putSubheader(image, kEntriesSector, kSubmodeData | kSubmodeEndOfRecord | kSubmodeEndOfFile);
    return image;
}

}  // namespace duvad::host
