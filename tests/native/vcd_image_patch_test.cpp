// Completion of the first track's image: the worked layouts, the dates, the cleared slots, that
// nothing but the named fields changes, and the patched volume read back by an ISO 9660 reader.
#include "vcd/core/image_patch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "host/core/first_track.h"

namespace {

using duvad::vcd::LocalTime;
using duvad::vcd::TrackRecord;
using Bytes = std::vector<uint8_t>;

// Image positions as the Video CD first track fixes them (independent of the patcher's names).
constexpr size_t kSlot1 = 49160, kSlotBytes = 60, kEntry1 = 352756, kEntryCount = 352754;
constexpr size_t kPvd = 37384;

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint32_t be32(const uint8_t* p) { return p[3] | p[2] << 8 | p[1] << 16 | uint32_t(p[0]) << 24; }
// An ISO 9660 both-endian field: both halves must agree.
uint32_t both32(const uint8_t* p) {
    EXPECT_EQ(le32(p), be32(p + 4)) << "the two byte orders disagree";
    return le32(p);
}
Bytes at(const Bytes& image, size_t pos, size_t n) { return Bytes(image.begin() + pos, image.begin() + pos + n); }
std::string text(const Bytes& image, size_t pos, size_t n) {
    return std::string(image.begin() + pos, image.begin() + pos + n);
}

// A host image of `sectors` sectors with prepared records for `tracks` track files.
Bytes hostImage(int tracks, uint32_t sectors = duvad::host::kFirstTrackSectors) {
    duvad::host::FirstTrackPlan plan;
    plan.tracks = tracks;
    plan.made = {1999, 12, 31, 23, 59, 58, 990};
    Bytes image = duvad::host::buildFirstTrack(plan);
    image.resize(size_t(sectors) * duvad::vcd::kMode2SectorBytes, 0);
    return image;
}

const LocalTime kNow{2000, 6, 22, 14, 5, 9, 237};
const LocalTime kWritten{2026, 12, 7, 10, 11, 12, 500};

// Every byte that the patch may write for `n` tracks; the test of "nothing else" uses it.
std::vector<bool> patchable(size_t length, int n) {
    std::vector<bool> m(length, false);
    auto mark = [&](size_t from, size_t count) {
        for (size_t i = 0; i < count; ++i) m[from + i] = true;
    };
    for (int k = 0; k < n; ++k) {
        const size_t r = kSlot1 + k * kSlotBytes;
        mark(r + 2, 23);  // extent, length, date
        mark(r + 50, 2);  // XA attributes
        mark(r + 54, 1);  // XA file number
    }
    mark(kSlot1 + n * kSlotBytes, (32 - n) * kSlotBytes);
    mark(kEntryCount, 2 + 32 * 4);
    mark(kPvd + 8, 17);
    mark(kPvd + 40, 32);
    mark(kPvd + 80, 8);
    mark(kPvd + 813, 68);
    return m;
}

void expectOnlyPatchableChanged(const Bytes& before, const Bytes& after, int n) {
    ASSERT_EQ(before.size(), after.size());
    const auto m = patchable(before.size(), n);
    size_t changed = 0;
    for (size_t i = 0; i < before.size(); ++i)
        if (!m[i] && before[i] != after[i] && changed++ < 5) ADD_FAILURE() << "byte " << i << " changed";
    EXPECT_EQ(changed, 0u);
}

TEST(ImagePatch, OneTrackInAThreeHundredSectorImage) {
    Bytes image = hostImage(1, 300);
    ASSERT_EQ(image.size(), 700800u);
    const Bytes before = image;
    const TrackRecord track{1000, kWritten, 300};
    duvad::vcd::patchImage(image.data(), uint32_t(image.size()), &track, 1, kNow, -60);

    const uint8_t* r = &image[kSlot1];
    EXPECT_EQ(both32(r + 2), 450u);
    EXPECT_EQ(both32(r + 10), 2027520u);  // (1000 - 10) x 2048
    EXPECT_EQ(at(image, kSlot1 + 18, 7), (Bytes{126, 12, 7, 10, 11, 12, 0xEC}));
    EXPECT_EQ(at(image, kSlot1 + 50, 2), (Bytes{0x31, 0x11}));
    EXPECT_EQ(image[kSlot1 + 54], 1);
    EXPECT_EQ(at(image, kEntry1, 4), (Bytes{0x02, 0x00, 0x08, 0x00}));
    EXPECT_EQ(at(image, kEntryCount, 2), (Bytes{0x00, 0x01}));
    EXPECT_EQ(both32(&image[kPvd + 80]), 1600u);  // the start a further track would have
    EXPECT_EQ(text(image, kPvd + 8, 32), "CD-RTOS CD-BRIDGE" + text(before, kPvd + 25, 15));
    EXPECT_EQ(text(image, kPvd + 40, 32), "VideoCD" + std::string(25, ' '));
    EXPECT_EQ(at(image, kSlot1 + kSlotBytes, 31 * kSlotBytes), Bytes(31 * kSlotBytes, 0));
    EXPECT_EQ(at(image, kEntry1 + 4, 31 * 4), Bytes(31 * 4, 0));
    expectOnlyPatchableChanged(before, image, 1);
}

TEST(ImagePatch, TheDirectoryListsWhereEachTrackStarts) {
    Bytes image = hostImage(3);
    EXPECT_EQ(duvad::host::listedTrackStarts(image), (std::vector<uint32_t>{0, 0, 0}));  // not yet entered
    const TrackRecord tracks[2] = {{1000, kWritten, 0}, {85, kWritten, 0}};
    duvad::vcd::patchImage(image.data(), uint32_t(image.size()), tracks, 2, kNow, 0);
    EXPECT_EQ(duvad::host::listedTrackStarts(image), (std::vector<uint32_t>{450, 1600}));  // the third cleared
    image[kSlot1] = 20;  // a record too short for its own fields ends the walk
    EXPECT_EQ(duvad::host::listedTrackStarts(image), std::vector<uint32_t>{});
    EXPECT_EQ(duvad::host::listedTrackStarts(Bytes(1000)), std::vector<uint32_t>{});
}

TEST(ImagePatch, VolumeDatesAreNowAndTheEffectiveDateACenturyAhead) {
    Bytes image = hostImage(0);
    const Bytes before = image;
    duvad::vcd::patchImage(image.data(), uint32_t(image.size()), nullptr, 0, kNow, -60);
    const std::string now = "2000062214050923\x04";
    EXPECT_EQ(text(image, 38197, 17), now);                     // creation
    EXPECT_EQ(text(image, 38214, 17), now);                     // modification
    EXPECT_EQ(text(image, 38231, 17), now);                     // expiration
    EXPECT_EQ(text(image, 38248, 17), "2100062214050923\x04");  // effective
    EXPECT_EQ(image[kPvd + 881], before[kPvd + 881]);           // file structure version stays

    // Single digits are zero-padded, hundredths drop their fraction, the bias sign flips.
    Bytes date(17);
    duvad::vcd::putVolumeDate(date.data(), {2001, 2, 3, 4, 5, 6, 9}, 300);
    EXPECT_EQ(std::string(date.begin(), date.end()), "2001020304050600\xEC");
}

TEST(ImagePatch, OffsetByteIsTheBiasInQuarterHoursEastPositive) {
    EXPECT_EQ(duvad::vcd::offsetByte(-60), 4);
    EXPECT_EQ(duvad::vcd::offsetByte(300), 0xEC);
    EXPECT_EQ(duvad::vcd::offsetByte(-330), 22);
    EXPECT_EQ(duvad::vcd::offsetByte(0), 0);
    EXPECT_EQ(duvad::vcd::offsetByte(-20), 1);  // fraction dropped toward zero
    EXPECT_EQ(duvad::vcd::offsetByte(20), 0xFF);
}

TEST(ImagePatch, EntryTimesAreBcdDiscAddresses) {
    uint8_t e[4];
    duvad::vcd::putEntry(e, 2, 4350);  // a = 4500: one minute
    EXPECT_EQ(Bytes(e, e + 4), (Bytes{0x02, 0x01, 0x00, 0x00}));
    duvad::vcd::putEntry(e, 9, 4500 * 59 + 75 * 59 + 74 - 150);  // the last frame of minute 59
    EXPECT_EQ(Bytes(e, e + 4), (Bytes{0x09, 0x59, 0x59, 0x74}));
    duvad::vcd::putEntry(e, 10, 0);
    EXPECT_EQ(Bytes(e, e + 4), (Bytes{0x10, 0x00, 0x02, 0x00}));
}

TEST(ImagePatch, TracksFollowEachOtherAfterTwoSecondGaps) {
    Bytes image = hostImage(2, 300);
    const TrackRecord tracks[2] = {{1000, kWritten, 0}, {85, kWritten, -120}};
    duvad::vcd::patchImage(image.data(), uint32_t(image.size()), tracks, 2, kNow, 0);
    EXPECT_EQ(both32(&image[kSlot1 + 2]), 450u);
    EXPECT_EQ(both32(&image[kSlot1 + kSlotBytes + 2]), 1600u);
    EXPECT_EQ(both32(&image[kSlot1 + kSlotBytes + 10]), 75u * 2048);
    EXPECT_EQ(image[kSlot1 + kSlotBytes + 24], 8);  // the second track's own bias
    EXPECT_EQ(image[kSlot1 + kSlotBytes + 54], 2);
    EXPECT_EQ(at(image, kEntry1 + 4, 4), (Bytes{0x03, 0x00, 0x23, 0x25}));  // a = 1750
    EXPECT_EQ(both32(&image[kPvd + 80]), 1600u + 85 + 150);
    EXPECT_EQ(at(image, kEntryCount, 2), (Bytes{0x00, 0x02}));
}

TEST(ImagePatch, ThirtyTwoTracksClearNothingAndNumberDiscTracksInBcd) {
    Bytes image = hostImage(32);
    const Bytes before = image;
    std::vector<TrackRecord> tracks(32, TrackRecord{100, kWritten, 0});
    duvad::vcd::patchImage(image.data(), uint32_t(image.size()), tracks.data(), 32, kNow, 0);
    uint32_t start = duvad::host::kFirstTrackSectors + 150;
    for (int k = 1; k <= 32; ++k) {
        SCOPED_TRACE(k);
        const size_t r = kSlot1 + (k - 1) * kSlotBytes;
        EXPECT_EQ(both32(&image[r + 2]), start);
        EXPECT_EQ(image[r + 54], k);
        EXPECT_EQ(text(image, r + 33, 13), text(before, r + 33, 13));  // the host's name stays
        const uint8_t* e = &image[kEntry1 + (k - 1) * 4];
        const int track = k + 1, a = int(start) + 150;
        EXPECT_EQ(e[0], (track / 10) << 4 | track % 10);  // 16 is 0x16, not 0x10
        EXPECT_EQ(e[1], (a / 4500 / 10) << 4 | a / 4500 % 10);
        EXPECT_EQ(e[2], (a % 4500 / 75 / 10) << 4 | a % 4500 / 75 % 10);
        EXPECT_EQ(e[3], (a % 75 / 10) << 4 | a % 75 % 10);
        start += 100 + 150;
    }
    EXPECT_EQ(image[kEntry1 + 14 * 4], 0x16);
    EXPECT_EQ(image[kEntry1 + 31 * 4], 0x33);
    EXPECT_EQ(at(image, kEntryCount, 2), (Bytes{0x00, 0x20}));
    EXPECT_EQ(both32(&image[kPvd + 80]), start);
    expectOnlyPatchableChanged(before, image, 32);
}

TEST(ImagePatch, NoTracksClearEverySlotAndStillDateTheVolume) {
    Bytes image = hostImage(32);
    const Bytes before = image;
    duvad::vcd::patchImage(image.data(), uint32_t(image.size()), nullptr, 0, kNow, 0);
    EXPECT_EQ(at(image, kSlot1, 32 * kSlotBytes), Bytes(32 * kSlotBytes, 0));
    EXPECT_EQ(at(image, kEntry1, 32 * 4), Bytes(32 * 4, 0));
    EXPECT_EQ(at(image, kEntryCount, 2), (Bytes{0, 0}));
    EXPECT_EQ(both32(&image[kPvd + 80]), duvad::host::kFirstTrackSectors + 150);
    expectOnlyPatchableChanged(before, image, 0);
}

TEST(ImagePatch, BuffersOutsideTheContractAreLeftAlone) {
    Bytes small(duvad::vcd::kMinImageBytes - 1, 0xBD);
    const TrackRecord track{1000, kWritten, 0};
    duvad::vcd::patchImage(small.data(), uint32_t(small.size()), &track, 1, kNow, 0);
    EXPECT_EQ(small, Bytes(small.size(), 0xBD));
    duvad::vcd::patchImage(nullptr, 1000000, &track, 1, kNow, 0);  // no crash

    // The smallest buffer that holds every field, with a track count beyond the 32 slots.
    Bytes exact(duvad::vcd::kMinImageBytes, 0xBD);
    std::vector<TrackRecord> many(40, track);
    duvad::vcd::patchImage(exact.data(), uint32_t(exact.size()), many.data(), 40, kNow, 0);
    EXPECT_EQ(at(exact, kEntryCount, 2), (Bytes{0x00, 0x20}));
    EXPECT_EQ(exact[kEntry1 + 31 * 4], 0x33);
}

// ---- The patched volume read by an independent ISO 9660 reader -------------------------------

std::string run(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    return out;
}

// The line of `listing` that names `name`, or "".
std::string lineOf(const std::string& listing, const std::string& name) {
    const size_t at = listing.find(name);
    if (at == std::string::npos) return {};
    const size_t from = listing.rfind('\n', at) + 1;
    return listing.substr(from, listing.find('\n', at) - from);
}

TEST(ImagePatch, PatchedVolumeReadsBackWithIsoReaders) {
    if (run("command -v isoinfo").empty() || run("command -v iso-info").empty())
        GTEST_SKIP() << "isoinfo (genisoimage) or iso-info (libcdio-utils) is not installed";
    Bytes image = hostImage(2, 152);  // the smallest image that holds every field
    const TrackRecord tracks[2] = {{1000, kWritten, 0}, {500, kWritten, 0}};
    duvad::vcd::patchImage(image.data(), uint32_t(image.size()), tracks, 2, kNow, -60);

    // The 2048-byte user data of each sector: what a drive reading Form 1 data delivers.
    const std::string path = testing::TempDir() + "duvad_patched_first_track.iso";
    {
        std::ofstream iso(path, std::ios::binary);
        for (size_t s = 0; s < image.size() / 2336; ++s)
            iso.write(reinterpret_cast<const char*>(&image[s * 2336 + 8]), 2048);
    }
    const std::string volume = run("isoinfo -d -i '" + path + "' 2>&1");
    EXPECT_NE(volume.find("System id: CD-RTOS CD-BRIDGE\n"), std::string::npos) << volume;
    EXPECT_NE(volume.find("Volume id: VideoCD\n"), std::string::npos) << volume;
    EXPECT_NE(volume.find("Volume size is: 2102\n"), std::string::npos) << volume;  // 152+150+1000+150+500+150

    // isoinfo: sizes, extents ([sector flags]) and names as recorded.
    const std::string listing = run("isoinfo -l -i '" + path + "' 2>&1");
    for (const char* dir : {"/CDI/", "/EXT/", "/MPEGAV/", "/SEGMENT/", "/VCD/"})
        EXPECT_NE(listing.find(std::string("Directory listing of ") + dir + "\n"), std::string::npos) << dir;
    const std::string t1 = lineOf(listing, "AVSEQ01.DAT;1"), t2 = lineOf(listing, "AVSEQ02.DAT;1");
    EXPECT_NE(t1.find(" 2027520 Dec  7 2026 [    302 00]"), std::string::npos) << t1;
    EXPECT_NE(t2.find(" 1003520 Dec  7 2026 [   1452 00]"), std::string::npos) << t2;
    EXPECT_NE(lineOf(listing, "ENTRIES.VCD;1").find("[    151 00]"), std::string::npos) << listing;
    EXPECT_NE(lineOf(listing, "INFO.VCD;1").find("[    150 00]"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("AVSEQ03"), std::string::npos) << listing;  // the cleared slots end the directory

    // iso-info reads the XA field: interleaved Form 2, readable, file number = track.
    const std::string xa = run("iso-info --no-header -l -i '" + path + "' 2>&1");
    EXPECT_NE(lineOf(xa, "avseq01.dat").find("--i2--r-r-r 0 0 [fn 01] [LSN    302]"), std::string::npos) << xa;
    EXPECT_NE(lineOf(xa, "avseq02.dat").find("[fn 02] [LSN   1452]"), std::string::npos) << xa;
    EXPECT_NE(lineOf(xa, "avseq01.dat").find("Dec 07 2026 10:11:12"), std::string::npos) << xa;
    if (!HasFailure()) std::remove(path.c_str());
}

}  // namespace
