// MPEG-1 analysis over real ffmpeg streams (checked against ffprobe) and over hand-made bytes for
// the positions, widths and limits of each search.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>

#include "tests/native/vcd_streams.h"
#include "vcd/core/mpeg.h"

namespace duvad::vcd {
namespace {

using test::putPack;
using test::putSequence;

// The low 32 bits of the clock reference of the pack header at `at`, read for the test's own sake.
uint32_t clockAt(const std::vector<uint8_t>& f, size_t at) {
    const uint8_t* p = &f[at];
    const uint64_t scr = uint64_t(p[4] >> 1 & 7) << 30 | uint64_t(p[5]) << 22 | uint64_t(p[6] >> 1) << 15 |
                         uint64_t(p[7]) << 7 | uint64_t(p[8] >> 1);
    return uint32_t(scr);
}

Analysis analyzeBytes(const std::vector<uint8_t>& bytes, int64_t size = -2) {
    MemorySource file(bytes.data(), bytes.size(), size);
    return analyzeStream(file);
}

// ffprobe's view of a file's video stream: width, height, bit_rate, and the format's duration.
std::map<std::string, std::string> ffprobe(const std::string& path) {
    const std::string cmd =
        "ffprobe -v error -select_streams v:0 -show_entries "
        "stream=width,height,bit_rate:format=duration -of default=nw=1 '" +
        path + "'";
    std::map<std::string, std::string> facts;
    FILE* p = popen(cmd.c_str(), "r");
    char line[256];
    while (p && std::fgets(line, sizeof line, p)) {
        std::string s(line);
        const size_t eq = s.find('=');
        if (eq != std::string::npos) facts[s.substr(0, eq)] = s.substr(eq + 1, s.find('\n') - eq - 1);
    }
    if (p) pclose(p);
    return facts;
}

TEST(VcdAnalysis, AgreesWithFfprobeOnTheEncodedStreams) {
    struct Want {
        const char* file;
        int aspect, rate;
        bool compliant;
    };
    for (const Want& w :
         {Want{"ntsc.mpg", 12, 4, true}, Want{"pal.mpg", 8, 3, true}, Want{"film.mpg", 12, 1, true},
          Want{"square.mpg", 1, 4, false}, Want{"wide.mpg", 12, 4, false}, Want{"rate2880.mpg", 12, 4, false}}) {
        SCOPED_TRACE(w.file);
        const auto bytes = test::stream(w.file);
        ASSERT_GT(bytes.size(), 100000u);
        const Analysis a = analyzeBytes(bytes);
        ASSERT_EQ(a.result, 1);
        auto probe = ffprobe(test::streamPath(w.file));
        ASSERT_FALSE(probe.empty());
        EXPECT_EQ(std::to_string(a.header.width), probe["width"]);
        EXPECT_EQ(std::to_string(a.header.height), probe["height"]);
        if (std::strcmp(w.file, "rate2880.mpg") != 0)
            EXPECT_EQ(std::to_string(a.header.bitRate), probe["bit_rate"]);
        else
            EXPECT_EQ(a.header.bitRate, 1152000) << "the patched field, not the muxer's rate";
        EXPECT_EQ(a.playingSeconds, int(std::floor(std::stod(probe["duration"]))));
        EXPECT_EQ(a.header.aspectCode, w.aspect);
        EXPECT_EQ(a.header.rateCode, w.rate);
        EXPECT_EQ(a.compliant, w.compliant);
        EXPECT_EQ(bytes.size() % kPackBytes, 0u) << "ffmpeg's Video CD targets write whole packs";
        EXPECT_EQ(a.sectors, int64_t(bytes.size() / kPackBytes + 85));
    }
}

TEST(VcdAnalysis, OtherContainersAndCutFiles) {
    // RIFF CDXA: data from byte 44, length from the raw sectors; the header crossing raw sector
    // heads is still found (the blocks are not aligned to them).
    const auto cdxa = test::stream("ntsc.cdxa");
    const auto plain = test::stream("ntsc.mpg");
    Analysis a = analyzeBytes(cdxa);
    EXPECT_EQ(a.result, 1);
    EXPECT_TRUE(a.compliant);
    EXPECT_EQ(a.sectors, int64_t((cdxa.size() - 44) / 2352 + 85));
    EXPECT_EQ(a.sectors, int64_t(plain.size() / kPackBytes + 85));
    EXPECT_EQ(analyzeBytes(test::stream("ragged.cdxa")).sectors, a.sectors);

    // MPEG-2 program stream: its pack headers are not MPEG-1 ones; no playing time.
    a = analyzeBytes(test::stream("mpeg2.mpg"));
    EXPECT_EQ(a.playingSeconds, -1);
    EXPECT_FALSE(a.compliant);

    // An elementary stream is analysed all the same (no pack header: first clock 0).
    const auto m1v = test::stream("sequence.m1v");
    a = analyzeBytes(m1v);
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.header.width, 352);
    EXPECT_EQ(a.playingSeconds, -1);
    EXPECT_EQ(a.sectors, int64_t(m1v.size() / kPackBytes + 85));

    // 7007 bytes: one short of the tail window, so no playing time; the rest as usual.
    a = analyzeBytes(test::stream("tiny.mpg"));
    EXPECT_EQ(a.result, 1);
    EXPECT_TRUE(a.compliant);
    EXPECT_EQ(a.playingSeconds, -1);
    EXPECT_EQ(a.sectors, 3 + 85);

    // 40 packs and 100 bytes: the packs near the end lie outside the positions the tail scan
    // tests (0..583 of each block); the last whole pack's clock gives the playing time.
    const auto cut = test::stream("cut.mpg");
    a = analyzeBytes(cut);
    EXPECT_EQ(a.sectors, 40 + 85);
    EXPECT_EQ(a.playingSeconds, int32_t((clockAt(cut, 39 * 2324) - clockAt(cut, 0)) / 90000));
}

// The tail window holds no pack header where a file ends in empty sectors or in a partial pack:
// the last pack header before the empty sectors, looked for past at most 300 of them, measures the
// time instead. Wherever the window finds one, its result stands.
TEST(VcdAnalysis, PlayingTimePastEmptySectorsAndPartialPacks) {
    const auto plain = test::stream("ntsc.mpg");
    ASSERT_EQ(analyzeBytes(plain).playingSeconds, 4);  // ffprobe: 4.5 s (AgreesWithFfprobe...)

    // The track file copied off a Video CD that vcdimager made of ntsc.mpg: 30 empty sectors in
    // front, 45 behind.
    const auto disc = test::stream("disc.cdxa");
    Analysis a = analyzeBytes(disc);
    EXPECT_EQ(a.result, 1);
    EXPECT_TRUE(a.compliant);
    EXPECT_EQ(a.playingSeconds, 4);
    EXPECT_EQ(a.sectors, int64_t((disc.size() - 44) / 2352 + 85));

    // Zero padding sectors after a stream: up to 300 sectors' worth of zero bytes are looked past
    // (the stream itself ends in 20 zero bytes).
    for (size_t pads : {1u, 3u, 45u, 299u}) {
        auto padded = plain;
        padded.resize(plain.size() + pads * 2324);
        EXPECT_EQ(analyzeBytes(padded).playingSeconds, 4) << pads << " zero sectors";
    }
    auto tooMany = plain;
    tooMany.resize(plain.size() + 300 * 2324);
    EXPECT_EQ(analyzeBytes(tooMany).playingSeconds, -1) << "beyond 300 zero sectors";
    // Exactly 300 sectors' worth of zero bytes after the stream's last non-zero byte is still
    // looked past; one zero byte more is not.
    auto bare = plain;
    while (!bare.empty() && bare.back() == 0) bare.pop_back();
    ASSERT_EQ(plain.size() - bare.size(), 20u);
    auto exactly = bare;
    exactly.resize(bare.size() + 300 * 2324);
    EXPECT_EQ(analyzeBytes(exactly).playingSeconds, 4) << "exactly 300 zero sectors";
    exactly.push_back(0);
    EXPECT_EQ(analyzeBytes(exactly).playingSeconds, -1) << "300 zero sectors and one byte";

    // A RIFF CDXA file with empty raw sectors after its stream: sync, header and subheader, and a
    // user data area of zeros.
    const auto cdxa = test::stream("ntsc.cdxa");
    auto withMargin = [&](size_t empties) {
        auto f = cdxa;
        for (size_t k = 0; k < empties; ++k) {
            uint8_t raw[2352] = {
                0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x10, uint8_t(k % 75),
                0x02, 0x01, 0x00, 0x60, 0x00, 0x01, 0x00, 0x60, 0x00};
            raw[2348] = 0xAF;  // an error detection field of the empty sector
            f.insert(f.end(), raw, raw + sizeof raw);
        }
        return f;
    };
    for (size_t empties : {45u, 55u, 300u}) EXPECT_EQ(analyzeBytes(withMargin(empties)).playingSeconds, 4) << empties;
    EXPECT_EQ(analyzeBytes(withMargin(301)).playingSeconds, -1) << "beyond 300 empty sectors";

    // A stream cut anywhere in its last pack; and one whose end is not empty but holds no pack
    // header (it is not looked past).
    for (size_t keep = 0; keep < 2324; keep += 83) {
        const std::vector<uint8_t> cutShort(plain.begin(), plain.end() - 2324 + keep);
        EXPECT_EQ(analyzeBytes(cutShort).playingSeconds, 4) << "last pack cut to " << keep << " bytes";
    }
    auto junk = plain;
    junk.insert(junk.end(), 7100, 0x55);
    EXPECT_EQ(analyzeBytes(junk).playingSeconds, -1);

    // Where the window finds a pack header, that result stands, whatever lies later in the file.
    std::vector<uint8_t> f(20 * kBlockBytes, 0xFF);
    putSequence(&f[5000], 352, 240, 12, 4, 2875);
    putPack(&f[0], 0);
    const size_t tail = f.size() - kTailBytes;
    putPack(&f[tail + kBlockBytes + 100], 90000ull * 11);
    putPack(&f[tail + 2 * kBlockBytes + 1000], 90000ull * 99);
    EXPECT_EQ(analyzeBytes(f).playingSeconds, 11);
    f.resize(f.size() + 50 * 2324);
    EXPECT_EQ(analyzeBytes(f).playingSeconds, 99) << "behind zero sectors, the last pack header";
}

TEST(VcdAnalysis, ClockReferencesAtTheScannedPositionsOnly) {
    std::vector<uint8_t> f(20 * kBlockBytes, 0xFF);
    putSequence(&f[5000], 352, 240, 12, 4, 2875);
    // The head scan tests positions 0..583 of blocks 0..4: a pack at 584 of block 0 is missed,
    // the one at 583 of block 4 found.
    putPack(&f[584], 90000ull * 1000);
    putPack(&f[4 * kBlockBytes + 583], 90000ull * 7);
    const int64_t tail = int64_t(f.size()) - kTailBytes;
    putPack(&f[tail + 2 * kBlockBytes + 583], 90000ull * 27 + 89999);
    Analysis a = analyzeBytes(f);
    EXPECT_EQ(a.playingSeconds, 20);
    EXPECT_EQ(a.sectors, int64_t(f.size()) / kPackBytes + 85);
    EXPECT_TRUE(a.compliant);

    // Nothing in the head: first clock 0. The tail's first hit is taken, not its last.
    std::fill(f.begin(), f.begin() + 5 * kBlockBytes, 0xFF);
    putSequence(&f[5000], 352, 240, 12, 4, 2875);
    putPack(&f[tail + kBlockBytes], 90000ull * 11);
    EXPECT_EQ(analyzeBytes(f).playingSeconds, 11);

    // The clock wraps modulo 2^32 and bit 32 is dropped: never negative, at most 47721 s.
    putPack(&f[0], 0x1FFFFFFFFull);  // low 32 bits all ones
    putPack(&f[tail + kBlockBytes], 0x100000000ull + 90000ull * 5);
    a = analyzeBytes(f);
    EXPECT_EQ(a.playingSeconds, int32_t((uint32_t(90000 * 5) - 0xFFFFFFFFu) / 90000u));
    putPack(&f[0], 1);
    putPack(&f[tail + kBlockBytes], 0);
    EXPECT_EQ(analyzeBytes(f).playingSeconds, 47721);

    // An MPEG-2 pack (marker nibble 0x4) is not one.
    std::fill(f.begin() + tail, f.end(), 0xFF);
    putPack(&f[0], 90000, 0x40);
    putPack(&f[tail + kBlockBytes], 90000ull * 9, 0x40);
    EXPECT_EQ(analyzeBytes(f).playingSeconds, -1);
}

// Byte 4 of a pack header: MPEG-1 begins it with the bits 0010, MPEG-2 with 01 (0x44 when its
// clock's top bits are zero, any of 0x40-0x7F otherwise). Only MPEG-1 packs carry the clock read.
TEST(VcdAnalysis, OnlyMpeg1PackHeadersCount) {
    uint8_t pack[14] = {0x00, 0x00, 0x01, 0xBA};
    for (int b = 0x40; b <= 0x7F; ++b) {
        pack[4] = uint8_t(b);
        EXPECT_FALSE(isPackHeader(pack)) << std::hex << b;
    }
    for (int b : {0x21, 0x23, 0x25, 0x27, 0x2F}) {
        pack[4] = uint8_t(b);
        EXPECT_TRUE(isPackHeader(pack)) << std::hex << b;
    }
    for (int b : {0x00, 0x01, 0x11, 0x81, 0xC4, 0xF1}) {
        pack[4] = uint8_t(b);
        EXPECT_FALSE(isPackHeader(pack)) << std::hex << b;
    }
}

TEST(VcdAnalysis, SequenceHeaderSearchBoundaries) {
    std::vector<uint8_t> f(120 * kBlockBytes, 0x55);
    // A start code straddling blocks 2 and 3 is found in neither; the next one is taken.
    putSequence(&f[3 * kBlockBytes - 2], 352, 240, 12, 4, 2875);
    putSequence(&f[7 * kBlockBytes + 9], 352, 288, 8, 3, 2875);
    Analysis a = analyzeBytes(f);
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.header.height, 288);
    EXPECT_TRUE(a.compliant);

    // A header in the last bytes of a block is read whole from the file.
    std::fill(f.begin(), f.end(), 0x55);
    putSequence(&f[kBlockBytes - 4], 352, 240, 12, 1, 2879);
    a = analyzeBytes(f);
    EXPECT_EQ(a.header.width, 352);
    EXPECT_EQ(a.header.rateCode, 1);
    EXPECT_EQ(a.header.bitRate, 2879 * 400);
    EXPECT_TRUE(a.compliant);

    // Past 100 blocks from the data start: result 0, no header, length still given.
    std::fill(f.begin(), f.end(), 0x55);
    putSequence(&f[100 * kBlockBytes], 352, 240, 12, 4, 2875);
    a = analyzeBytes(f);
    EXPECT_EQ(a.result, 0);
    EXPECT_FALSE(a.compliant);
    EXPECT_EQ(a.sectors, int64_t(f.size()) / kPackBytes + 85);
    putSequence(&f[100 * kBlockBytes - 4], 352, 240, 12, 4, 2875);
    EXPECT_EQ(analyzeBytes(f).result, 1);

    // A RIFF file that is not CDXA is a plain file; in a CDXA file the search starts at byte 44.
    std::fill(f.begin(), f.end(), 0x55);
    std::memcpy(&f[0], "RIFF\0\0\0\0WAVE", 12);
    EXPECT_EQ(analyzeBytes(f).sectors, int64_t(f.size()) / kPackBytes + 85);
    std::memcpy(&f[8], "CDXA", 4);
    putSequence(&f[40], 352, 240, 12, 4, 2875);
    EXPECT_EQ(analyzeBytes(f).result, 0) << "a header before the data start is not looked at";
    const std::vector<uint8_t> exact(f.begin(), f.begin() + 44 + 2352 * 7);
    EXPECT_EQ(analyzeBytes(exact).sectors, 7 + 85);

    // A header cut by the end of the file: its missing bytes read as zero.
    std::vector<uint8_t> shortFile(20, 0);
    uint8_t header[12];
    putSequence(header, 352, 240, 12, 4, 2875);
    std::memcpy(&shortFile[12], header, 8);
    a = analyzeBytes(shortFile);
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.header.width, 352);
    EXPECT_EQ(a.header.bitRate, 0);
    EXPECT_FALSE(a.compliant) << "a header not wholly in the file does not meet the rules";
    EXPECT_EQ(a.sectors, 85);
    // Cut after bytes 9 and 10: what it has would pass (2048 and 2872 units, under the limit).
    for (size_t keep : {9u, 10u}) {
        std::vector<uint8_t> cut(12 + keep, 0);
        std::memcpy(&cut[12], header, keep);
        a = analyzeBytes(cut);
        EXPECT_EQ(a.result, 1) << keep;
        EXPECT_EQ(a.header.bitRate, keep == 9 ? 819200 : 1148800) << keep;
        EXPECT_FALSE(a.compliant) << keep;
    }
    // The header's last byte is the file's last byte: whole, and conforming.
    std::vector<uint8_t> whole(12 + 11, 0);
    std::memcpy(&whole[12], header, 11);
    EXPECT_TRUE(analyzeBytes(whole).compliant);
}

TEST(VcdAnalysis, VideoCdRules) {
    struct Case {
        int w, h, aspect, rate, field;
        bool ok;
    };
    for (const Case& c :
         {Case{352, 240, 12, 4, 2875, true}, Case{352, 240, 12, 4, 2879, true}, Case{352, 240, 12, 4, 2880, false},
          Case{352, 240, 12, 3, 2875, false}, Case{352, 240, 12, 1, 2875, true}, Case{352, 288, 8, 3, 2875, true},
          Case{352, 288, 12, 3, 2875, false}, Case{360, 240, 12, 4, 2875, false}, Case{352, 240, 8, 4, 2875, false},
          Case{352, 288, 8, 3, 262143, false}, Case{352, 288, 8, 4, 100, false}}) {
        uint8_t h[12];
        putSequence(h, c.w, c.h, c.aspect, c.rate, c.field);
        const SequenceHeader s = readSequenceHeader(h);
        EXPECT_EQ(s.width, c.w);
        EXPECT_EQ(s.height, c.h);
        EXPECT_EQ(s.bitRate, c.field * 400);
        EXPECT_EQ(meetsVideoCdRules(s), c.ok)
            << c.w << "x" << c.h << " " << c.aspect << "/" << c.rate << " field " << c.field;
    }
}

TEST(VcdAnalysis, SizesOf2GiBAndMoreAreExactAndTheCostStaysFlat) {
    const auto head = test::stream("ntsc.mpg");
    const int64_t sizes[] = {int64_t(head.size()), 0x80000000ll, 0x100000000ll + 2324 * 3 + 7,
                             2324ll * (0x7FFFFFFF - 85)};
    int64_t firstBytes = -1;
    for (int64_t size : sizes) {
        SCOPED_TRACE(size);
        MemorySource file(head.data(), head.size(), size);
        const Analysis a = analyzeStream(file);
        EXPECT_EQ(a.result, 1);
        EXPECT_EQ(a.sectors, size / 2324 + 85);
        // The usual reads, and for the sparse files (whose last 7008 bytes are zeros) the look past
        // 300 zero sectors: about 700 KB more, whatever the size.
        EXPECT_LE(file.reads(), 5 + 1 + 1 + 100 + 1 + 101);
        EXPECT_LE(file.bytesRead(), 260000 + 300 * 2324 + 2 * 7008);
        if (size == int64_t(head.size())) continue;
        if (firstBytes < 0) firstBytes = file.bytesRead();
        EXPECT_EQ(file.bytesRead(), firstBytes);
    }
    // A length in sectors that cannot be a signed 32-bit value is reported as such.
    MemorySource huge(head.data(), head.size(), 2324ll * (0x7FFFFFFFll - 84));
    const Analysis a = analyzeStream(huge);
    EXPECT_EQ(a.result, -2);
    EXPECT_FALSE(a.compliant);
}

}  // namespace
}  // namespace duvad::vcd
