#include "host/core/first_track.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace duvad::host {
namespace {

using namespace duvad::vcd;

using namespace duvad::vcd::iso9660;

constexpr uint32_t kTerminatorSector = kPrimarySector + 1;
constexpr uint32_t kPathTableL = 18, kPathTableM = 19;

constexpr uint16_t kXaDirectoryAttributes = kXaDirectory | kXaForm1 | kXaRead | kXaExec;
constexpr uint16_t kXaForm1File = kXaForm1 | kXaRead | kXaExec;
static_assert(kXaDirectoryAttributes == 0x8D55 && kXaForm1File == 0x0D55, "XA attribute words");
constexpr uint8_t kOffsetMultiplier = 8;  // INFO.VCD

uint8_t* block(std::vector<uint8_t>& image, uint32_t sector) { return image.data() + userData(sector); }

// A Form 1 sector's subheader: file 0, channel 0, the submode, coding 0; written twice.
void putSubheader(std::vector<uint8_t>& image, uint32_t sector, uint8_t submode) {
    uint8_t* p = image.data() + sector * kMode2SectorBytes;
    const uint8_t sub[4] = {0, 0, submode, 0};
    std::memcpy(p, sub, 4);
    std::memcpy(p + 4, sub, 4);
}

void putText(uint8_t* p, const std::string& text, uint32_t width) {
    std::memset(p, ' ', width);
    std::memcpy(p, text.data(), std::min<size_t>(text.size(), width));
}

struct Record {
    std::string id;  // "\0" for ".", "\1" for "..", else the identifier
    uint32_t extent = 0, length = kForm1DataBytes;
    bool directory = false;
    uint16_t attributes = kXaForm1File;
    uint8_t fileNumber = 0;
};

uint32_t recordBytes(const std::string& id, bool xa) {
    const uint32_t n = uint32_t(id.size());
    return kRecordId + n + (n % 2 == 0 ? 1 : 0) + (xa ? kXaFieldBytes : 0);
}

// Writes a directory record at p and returns its length.
uint32_t putRecord(uint8_t* p, const Record& r, const FirstTrackPlan& plan, bool xa) {
    const uint32_t size = recordBytes(r.id, xa);
    std::memset(p, 0, size);
    p[kRecordLength] = uint8_t(size);
    putBoth32(p + kRecordExtent, r.extent);
    putBoth32(p + kRecordDataLength, r.length);
    putRecordDate(p + kRecordDate, plan.made, plan.biasMinutes);
    p[kRecordFlags] = r.directory ? kFlagDirectory : 0;
    putBoth16(p + kRecordSequence, 1);
    p[kRecordIdLength] = uint8_t(r.id.size());
    std::memcpy(p + kRecordId, r.id.data(), r.id.size());
    if (xa) {
        uint8_t* su = p + size - kXaFieldBytes;
        putBe16(su + kXaAttributes, r.attributes);
        su[kXaSignature] = 'X', su[kXaSignature + 1] = 'A';
        su[kXaFileNumber] = r.fileNumber;
    }
    return size;
}

Record directoryRecord(const std::string& id, uint32_t sector) {
    Record r;
    r.id = id, r.extent = sector, r.directory = true, r.attributes = kXaDirectoryAttributes;
    return r;
}

// A directory of one sector: ".", "..", then the given records in identifier order.
void putDirectory(std::vector<uint8_t>& image, uint32_t sector, uint32_t parent, const std::vector<Record>& entries,
                  const FirstTrackPlan& plan) {
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
constexpr Folder kFolders[] = {
    {"CDI", 22}, {"EXT", 23}, {"MPEGAV", kTrackDirectorySector}, {"SEGMENT", 24}, {"VCD", 25}};

// Path table: the root, then its folders; in the byte order of `bigEndian`.
uint32_t putPathTable(uint8_t* p, bool bigEndian) {
    auto put32 = bigEndian ? putBe32 : putLe32;
    auto put16 = bigEndian ? putBe16 : putLe16;
    uint32_t at = 0;
    auto entry = [&](const std::string& id, uint32_t sector) {
        p[at + kPathIdLength] = uint8_t(id.size());
        put32(p + at + kPathExtent, sector);
        put16(p + at + kPathParent, 1);  // parent: the root, directory number 1
        std::memcpy(p + at + kPathId, id.data(), id.size());
        at += kPathId + uint32_t(id.size()) + uint32_t(id.size() % 2);
    };
    entry(std::string(1, '\0'), kRootSector);
    for (const Folder& f : kFolders) entry(f.name, f.sector);
    return at;
}

}  // namespace

std::vector<uint32_t> listedTrackStarts(const std::vector<uint8_t>& image) {
    std::vector<uint32_t> starts;
    if (image.size() < size_t(kTrackDirectorySector + 1) * kMode2SectorBytes) return starts;
    const uint8_t* dir = image.data() + userData(kTrackDirectorySector);
    for (uint32_t at = 0; at + kRecordId < uint32_t(kForm1DataBytes);) {
        const uint32_t size = dir[at + kRecordLength];
        const bool whole = size >= kRecordId + 1 && at + size <= uint32_t(kForm1DataBytes);
        if (!whole || kRecordId + dir[at + kRecordIdLength] > size) break;
        const uint8_t* r = dir + at;
        if (!(r[kRecordFlags] & kFlagDirectory)) starts.push_back(getLe32(r + kRecordExtent));
        at += size;
    }
    return starts;
}

std::vector<uint8_t> buildFirstTrack(const FirstTrackPlan& plan) {
    const int tracks = std::clamp(plan.tracks, 0, int(kMaxTracks));
    std::vector<uint8_t> image(size_t(kFirstTrackSectors) * kMode2SectorBytes, 0);
    for (uint32_t s = 0; s < kFirstTrackSectors; ++s) putSubheader(image, s, kSubmodeData);

    // Path tables.
    const uint32_t pathTableBytes = putPathTable(block(image, kPathTableL), false);
    putPathTable(block(image, kPathTableM), true);
    putSubheader(image, kPathTableL, kSubmodeData | kSubmodeEndOfRecord | kSubmodeEndOfFile);
    putSubheader(image, kPathTableM, kSubmodeData | kSubmodeEndOfRecord | kSubmodeEndOfFile);

    // Primary volume descriptor.
    uint8_t* pvd = block(image, kPrimarySector);
    pvd[kDescriptorType] = kPrimaryDescriptor;
    std::memcpy(pvd + kDescriptorStandardId, kStandardId, 5);
    pvd[kDescriptorVersion] = 1;
    putText(pvd + kPvdSystemId, kSystemId, 32);
    putText(pvd + kPvdVolumeId, kVolumeId, kVolumeIdBytes);
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
    putText(pvd + kPvdCopyrightFile, "", 3 * kFileIdBytes);
    // Creation and modification now; expiration and effective "not specified" (digits 0, offset 0).
    putVolumeDate(pvd + kPvdCreation, plan.made, plan.biasMinutes);
    putVolumeDate(pvd + kPvdCreation + kVolumeDateBytes, plan.made, plan.biasMinutes);
    std::memset(pvd + kPvdCreation + 2 * kVolumeDateBytes, '0', 2 * kVolumeDateBytes);
    pvd[kPvdCreation + 3 * kVolumeDateBytes - 1] = pvd[kPvdCreation + 4 * kVolumeDateBytes - 1] = 0;
    pvd[kPvdStructureVersion] = 1;
    std::memcpy(pvd + kPvdXaMark, kXaMark, 8);
    putSubheader(image, kPrimarySector, kSubmodeData | kSubmodeEndOfRecord);

    uint8_t* end = block(image, kTerminatorSector);
    end[kDescriptorType] = kTerminator;
    std::memcpy(end + kDescriptorStandardId, kStandardId, 5);
    end[kDescriptorVersion] = 1;
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
    inf[kFileVersion] = kVcd2Version, inf[kFileProfile] = kVcd2Profile;
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
    ent[kFileVersion] = kVcd2Version, ent[kFileProfile] = kVcd2Profile;
    putSubheader(image, kEntriesSector, kSubmodeData | kSubmodeEndOfRecord | kSubmodeEndOfFile);
    return image;
}

}  // namespace duvad::host
