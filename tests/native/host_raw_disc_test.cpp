// The burner's side of the disc: raw sectors against an independent writer's output, the track
// layout, the cue sheet and the cdrdao table of contents.
#include "host/core/raw_disc.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

int unbcd(uint8_t b) { return (b >> 4) * 10 + (b & 15); }

// Sectors that vcdimager wrote, with its EDC and ECC: ours must be identical, byte for byte.
TEST(RawSector, MatchesVcdimagerForForm1AndForm2) {
    std::ifstream in(std::string(DUVAD_SOURCE_DIR) + "/tests/data/vcdimager_sectors.bin", std::ios::binary);
    const Bytes all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_EQ(all.size(), 5u * 2352);
    const int wantLba[5] = {16, 151, 480, 482, 300};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(wantLba[i]);
        const Bytes ref(all.begin() + i * 2352, all.begin() + (i + 1) * 2352);
        const int lba = unbcd(ref[12]) * 4500 + unbcd(ref[13]) * 75 + unbcd(ref[14]) - 150;
        ASSERT_EQ(lba, wantLba[i]);
        Bytes sector(ref.begin() + 16, ref.end());
        // Our track files and image carry no error detection: it must be computed afresh.
        const bool form2 = sector[2] & 0x20;
        std::fill(sector.begin() + (form2 ? 2332 : 2056), sector.end(), 0);
        Bytes raw(2352, 0xBD);
        duvad::host::makeRawSector(sector.data(), uint32_t(lba), raw.data());
        EXPECT_EQ(raw, ref);
    }
}

TEST(RawSector, GapAndEmptySectors) {
    uint8_t gap[2336], raw[2352];
    duvad::host::gapSector(gap);
    EXPECT_EQ(Bytes(gap, gap + 8), (Bytes{0, 0, 0x20, 0, 0, 0, 0x20, 0}));
    duvad::host::makeRawSector(gap, 0, raw);
    EXPECT_EQ(Bytes(raw, raw + 16),
              (Bytes{0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0x00, 0x02, 0x00, 2}));
    EXPECT_EQ(duvad::host::edc(raw + 16, 2332),
              uint32_t(raw[2348] | raw[2349] << 8 | raw[2350] << 16 | raw[2351] << 24));
    EXPECT_NE(duvad::host::edc(raw + 16, 2332), 0u);

    // The track files' empty sectors are all zero: a zero Form 1 sector has zero EDC and ECC.
    const uint8_t zero[2336] = {};
    duvad::host::makeRawSector(zero, 449849, raw);  // 99:59:74, the last address
    EXPECT_EQ(Bytes(raw + 12, raw + 16), (Bytes{0x99, 0x59, 0x74, 2}));
    EXPECT_EQ(Bytes(raw + 16, raw + 2352), Bytes(2336, 0));
}

// The EDC taken eight bytes a step must equal the CRC taken bit by bit from its polynomial, for
// every length and start (the step's tail and alignment), and the quick empty sectors must equal
// sectors made one by one.
TEST(RawSector, EdcOfAnyLengthAndEmptySectorsOfAnyAddress) {
    auto bitwise = [](const uint8_t* p, size_t n) {
        uint32_t crc = 0;  // x^32 + x^31 + x^16 + x^15 + x^4 + x^3 + x + 1, reflected
        for (size_t i = 0; i < n; ++i)
            for (int b = 0; b < 8; ++b) {
                const uint32_t in = (p[i] >> b & 1) ^ (crc & 1);
                crc = (crc >> 1) ^ (in ? 0xD8018001u : 0);
            }
        return crc;
    };
    Bytes data(64);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 97 + 13);
    for (size_t start = 0; start < 9; ++start)
        for (size_t n = 0; start + n <= data.size(); ++n)
            ASSERT_EQ(duvad::host::edc(data.data() + start, n), bitwise(data.data() + start, n)) << start << " " << n;

    uint8_t gap[2336];
    duvad::host::gapSector(gap);
    Bytes quick(3 * 2352), one(2352);
    for (uint32_t lba : {0u, 74u, 4349u, 449847u}) {
        duvad::host::emptyRawSectors(lba, 3, quick.data());
        for (uint32_t s = 0; s < 3; ++s) {
            duvad::host::makeRawSector(gap, lba + s, one.data());
            EXPECT_EQ(Bytes(quick.begin() + s * 2352, quick.begin() + (s + 1) * 2352), one) << lba + s;
        }
    }
}

// A track file's empty sectors are all zero; on the disc the file is Form 2 throughout, so they
// must come out as vcdimager writes an empty Form 2 sector (its gap sector at LBA 300 in the
// reference), not as a zero Form 1 sector. Its data sectors come out as before.
TEST(RawTrackSectors, EmptySectorsBecomeForm2AndDataSectorsStay) {
    std::ifstream in(std::string(DUVAD_SOURCE_DIR) + "/tests/data/vcdimager_sectors.bin", std::ios::binary);
    const Bytes all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_EQ(all.size(), 5u * 2352);
    const Bytes video(all.begin() + 2 * 2352, all.begin() + 3 * 2352);  // LBA 480
    const Bytes gap300(all.begin() + 4 * 2352, all.end());              // LBA 300

    // Three sectors of a track file from LBA 299: empty, empty, then vcdimager's video sector
    // (as the DLL writes it: no EDC) placed at 301.
    Bytes file(3 * 2336, 0);
    std::copy(video.begin() + 16, video.begin() + 2348, file.begin() + 2 * 2336);
    Bytes raw(3 * 2352, 0xBD);
    duvad::host::makeRawTrackSectors(file.data(), 3, 299, raw.data());
    EXPECT_EQ(Bytes(raw.begin() + 2352, raw.begin() + 2 * 2352), gap300);
    EXPECT_EQ(Bytes(raw.begin() + 16, raw.begin() + 24), (Bytes{0, 0, 0x20, 0, 0, 0, 0x20, 0}));
    EXPECT_EQ(Bytes(raw.begin() + 12, raw.begin() + 16), (Bytes{0x00, 0x05, 0x74, 2}));  // 299 + 150
    // The video sector keeps its bytes and gets vcdimager's EDC; only its address differs.
    Bytes moved = video;
    moved[13] = 0x06, moved[14] = 0x01;  // LBA 301 = 00:06:01
    const Bytes third(raw.begin() + 2 * 2352, raw.end());
    EXPECT_EQ(Bytes(third.begin(), third.begin() + 2348), Bytes(moved.begin(), moved.begin() + 2348));
    EXPECT_EQ(Bytes(third.begin() + 2348, third.end()), Bytes(video.begin() + 2348, video.end()));

    // A sector with a zero subheader that holds data is not empty: its data is kept.
    Bytes odd(2336, 0);
    odd[1000] = 0x5A;
    Bytes oddRaw(2352);
    duvad::host::makeRawTrackSectors(odd.data(), 1, 300, oddRaw.data());
    EXPECT_EQ(oddRaw[16 + 1000], 0x5A);
    EXPECT_EQ(Bytes(oddRaw.begin() + 16, oddRaw.begin() + 24), Bytes(8, 0));
}

TEST(DiscLayout, TracksFollowTheImageAfterTwoSecondGaps) {
    duvad::host::DiscLayout layout{152, {1000, 85}};
    EXPECT_EQ(layout.trackStart(1), 302u);
    EXPECT_EQ(layout.trackStart(2), 1452u);
    EXPECT_EQ(layout.trackStart(3), 1687u);   // the end sector the volume records
    EXPECT_EQ(layout.totalSectors(), 1752u);  // 1537, and the 85-sector track padded by 215
    EXPECT_EQ((duvad::host::DiscLayout{152, {}}).totalSectors(), 152u);
}

TEST(CueSheet, NamesEachTrackWithItsGapAsIndexZero) {
    const duvad::host::DiscLayout layout{152, {1000, 85}};
    EXPECT_EQ(duvad::host::cueSheet("disc.bin", layout),
              "FILE \"disc.bin\" BINARY\n"
              "  TRACK 01 MODE2/2352\n"
              "    INDEX 01 00:00:00\n"
              "  TRACK 02 MODE2/2352\n"
              "    INDEX 00 00:02:02\n"
              "    INDEX 01 00:04:02\n"
              "  TRACK 03 MODE2/2352\n"
              "    INDEX 00 00:17:27\n"
              "    INDEX 01 00:19:27\n");
}

// Tracks under four seconds (300 sectors): the last is padded behind its file; one followed by
// another is padded out of the next track's gap, whose start stays where the image says.
TEST(DiscLayout, ShortTracksArePaddedToFourSecondsWithoutMovingTheNext) {
    const duvad::host::DiscLayout layout{300, {420, 233, 90}};
    EXPECT_EQ(layout.trackStart(2), 1020u);
    EXPECT_EQ(layout.trackStart(3), 1403u);
    EXPECT_EQ(layout.paddingSectors(1), 0u);
    EXPECT_EQ(layout.paddingSectors(2), 67u);
    EXPECT_EQ(layout.paddingSectors(3), 210u);
    EXPECT_EQ(layout.pregapSectors(1), 150u);
    EXPECT_EQ(layout.pregapSectors(2), 150u);
    EXPECT_EQ(layout.pregapSectors(3), 83u);  // 150 less track 3's padding
    EXPECT_EQ(layout.unpaddableTrack(), 0u);
    EXPECT_EQ(layout.totalSectors(), 1703u);  // 1403 + 90 + 210
    EXPECT_EQ(layout.trackStart(4), 1643u);   // the volume's end sector is unchanged

    // A track of exactly 300 sectors needs nothing; one of 150 uses the whole gap; one of 149
    // before another cannot be padded, at the end it can.
    EXPECT_EQ((duvad::host::DiscLayout{300, {300, 300}}).totalSectors(), 1200u);
    const duvad::host::DiscLayout whole{300, {150, 420}};
    EXPECT_EQ(whole.pregapSectors(2), 0u);
    EXPECT_EQ(whole.unpaddableTrack(), 0u);
    EXPECT_EQ((duvad::host::DiscLayout{300, {420, 149, 420}}).unpaddableTrack(), 2u);
    EXPECT_EQ((duvad::host::DiscLayout{300, {420, 420, 149}}).unpaddableTrack(), 0u);
    EXPECT_EQ((duvad::host::DiscLayout{300, {85}}).totalSectors(), 750u);
}

TEST(CueSheet, PaddedTrackEndsWhereTheShortenedGapBegins) {
    EXPECT_EQ(duvad::host::cueSheet("v.bin", duvad::host::DiscLayout{300, {420, 233, 90}}),
              "FILE \"v.bin\" BINARY\n"
              "  TRACK 01 MODE2/2352\n"
              "    INDEX 01 00:00:00\n"
              "  TRACK 02 MODE2/2352\n"
              "    INDEX 00 00:04:00\n"
              "    INDEX 01 00:06:00\n"
              "  TRACK 03 MODE2/2352\n"
              "    INDEX 00 00:11:45\n"
              "    INDEX 01 00:13:45\n"
              "  TRACK 04 MODE2/2352\n"
              "    INDEX 00 00:17:45\n"
              "    INDEX 01 00:18:53\n");
    // A gap used up by the padding leaves no index 0.
    const std::string cue = duvad::host::cueSheet("v.bin", duvad::host::DiscLayout{300, {150, 420}});
    EXPECT_NE(cue.find("  TRACK 03 MODE2/2352\n    INDEX 01 00:10:00\n"), std::string::npos) << cue;
}

// The TOC names stretches of the raw image, as the cue sheet does: each track from its pregap
// to the next track's, the pregap as START; a padded track's stretch holds its padding.
TEST(CdrdaoToc, PaddedTracksGetEmptyForm2SectorsAndTheNextAShorterPregap) {
    const std::string toc = duvad::host::cdrdaoToc("v.bin", duvad::host::DiscLayout{300, {420, 233, 90}});
    // 300 | 150 + 420 | 150 + 233 + 67 padding | 83 + 90 + 210 padding: the cue sheet's sectors.
    EXPECT_NE(toc.find("// Track 2: AVSEQ01.DAT\nTRACK MODE2_RAW\nDATAFILE \"v.bin\" #705600 00:07:45\n"
                       "START 00:02:00\n"),
              std::string::npos)
        << toc;
    EXPECT_NE(toc.find("TRACK MODE2_RAW\nDATAFILE \"v.bin\" #2046240 00:06:00\nSTART 00:02:00\n"), std::string::npos);
    EXPECT_NE(toc.find("TRACK MODE2_RAW\nDATAFILE \"v.bin\" #3104640 00:05:08\nSTART 00:01:08\n"), std::string::npos);
    EXPECT_EQ(toc.find("ZERO"), std::string::npos);  // the image holds every sector
    // A gap used up by the padding leaves no START.
    const std::string whole = duvad::host::cdrdaoToc("v.bin", duvad::host::DiscLayout{300, {150, 420}});
    EXPECT_NE(
        whole.find("DATAFILE \"v.bin\" #705600 00:06:00\nSTART 00:02:00\n\n// Track 3: AVSEQ02.DAT\nTRACK MODE2_RAW\n"
                   "DATAFILE \"v.bin\" #1764000 00:05:45\n"),
        std::string::npos)
        << whole;
    EXPECT_EQ(whole.find("START 00:00:00"), std::string::npos);
}

TEST(CdrdaoToc, NamesTheRawImageForEveryTrack) {
    const std::string toc = duvad::host::cdrdaoToc("videocd.bin", duvad::host::DiscLayout{300, {1000, 1000}});
    EXPECT_EQ(toc,
              "CD_ROM_XA\n"
              "\n// Track 1: the ISO 9660 file system and the Video CD files\n"
              "TRACK MODE2_RAW\nDATAFILE \"videocd.bin\" #0 00:04:00\n"
              "\n// Track 2: AVSEQ01.DAT\n"
              "TRACK MODE2_RAW\nDATAFILE \"videocd.bin\" #705600 00:15:25\nSTART 00:02:00\n"
              "\n// Track 3: AVSEQ02.DAT\n"
              "TRACK MODE2_RAW\nDATAFILE \"videocd.bin\" #3410400 00:15:25\nSTART 00:02:00\n");
}

}  // namespace
