// The burner's side of the disc: raw sectors against an independent writer's output, the track
// layout, the cue sheet and the cdrdao table of contents.
#include "tools/host/core/raw_disc.h"

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
    EXPECT_EQ(duvad::host::edc(raw + 16, 2332), uint32_t(raw[2348] | raw[2349] << 8 | raw[2350] << 16 | raw[2351] << 24));
    EXPECT_NE(duvad::host::edc(raw + 16, 2332), 0u);

    // The track files' empty sectors are all zero: a zero Form 1 sector has zero EDC and ECC.
    const uint8_t zero[2336] = {};
    duvad::host::makeRawSector(zero, 449849, raw);  // 99:59:74, the last address
    EXPECT_EQ(Bytes(raw + 12, raw + 16), (Bytes{0x99, 0x59, 0x74, 2}));
    EXPECT_EQ(Bytes(raw + 16, raw + 2352), Bytes(2336, 0));
}

TEST(DiscLayout, TracksFollowTheImageAfterTwoSecondGaps) {
    duvad::host::DiscLayout layout{152, {1000, 85}};
    EXPECT_EQ(layout.trackStart(1), 302u);
    EXPECT_EQ(layout.trackStart(2), 1452u);
    EXPECT_EQ(layout.trackStart(3), 1687u);  // the end sector the volume records
    EXPECT_EQ(layout.totalSectors(), 1537u);
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

TEST(CdrdaoToc, NamesTheImageAndTheTrackFilesWithPregaps) {
    const std::string toc = duvad::host::cdrdaoToc("image.img", {"AVSEQ01.DAT", "AVSEQ02.DAT"});
    EXPECT_EQ(toc.rfind("CD_ROM_XA\n", 0), 0u);
    EXPECT_NE(toc.find("TRACK MODE2_FORM_MIX\nDATAFILE \"image.img\"\n"), std::string::npos);
    EXPECT_NE(toc.find("TRACK MODE2_FORM_MIX\nPREGAP 00:02:00\nDATAFILE \"AVSEQ02.DAT\"\n"), std::string::npos);
}

}  // namespace
