// host/core/selftest: the report, the stream facts read from bytes, and the track comparison that
// "duvad selftest" holds the DLL's answers against.
#include "host/core/selftest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace duvad::host::selftest {
namespace {

// A pack header (ISO/IEC 11172-1) with the 33-bit system clock reference `scr`: 0010, SCR 32..30,
// marker; SCR 29..15, marker; SCR 14..0, marker; then the mux rate bytes.
void putPack(std::vector<uint8_t>& s, size_t at, uint64_t scr) {
    const uint8_t head[12] = {0,
                              0,
                              1,
                              0xBA,
                              uint8_t(0x21 | (scr >> 29 & 0x0E)),
                              uint8_t(scr >> 22),
                              uint8_t((scr >> 14 & 0xFE) | 1),
                              uint8_t(scr >> 7),
                              uint8_t((scr << 1 & 0xFE) | 1),
                              0x80,
                              0x1B,
                              0x83};
    std::memcpy(&s[at], head, sizeof head);
}

TEST(HostSelftest, ReadsTheCarriedStreamAsFfmpegMadeIt) {
    std::ifstream in(DUVAD_SOURCE_DIR "/host/selftest_stream.mpg", std::ios::binary);
    const std::vector<uint8_t> s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(s.size(), 74u * 2324);
    const StreamFacts f = readStream(s.data(), s.size());
    // -target ntsc-vcd -aspect 4:3: 352x240, pel aspect 12 (1.0950), 29.97 Hz (code 4), 1150 kbit/s.
    EXPECT_TRUE(f.sequenceHeader);
    EXPECT_EQ(f.width, 352);
    EXPECT_EQ(f.height, 240);
    EXPECT_EQ(f.aspectCode, 12);
    EXPECT_EQ(f.rateCode, 4);
    EXPECT_EQ(f.bitRate, 1150000);
    ASSERT_EQ(f.packClocks.size(), 74u);  // one pack per 2324 bytes
    for (size_t k = 0; k < 74; ++k) EXPECT_EQ(f.packClocks[k].first, k * 2324);
    // One second of stream: the last pack's clock lies within the second that follows the first's.
    const std::vector<int32_t> seconds = playingSecondsNearEnd(f, s.size(), 7008);
    ASSERT_FALSE(seconds.empty());
    EXPECT_LE(seconds.back(), 1);
}

TEST(HostSelftest, ReadsEachHeaderFieldFromItsBits) {
    std::vector<uint8_t> s(3 * 2324, 0);
    putPack(s, 0, 270005);                                                  // 3 s and 5 ticks
    putPack(s, 2324, (uint64_t(1) << 32) | 7);                              // bit 32 set: only the low 32 bits count
    s[4648] = 0, s[4649] = 0, s[4650] = 1, s[4651] = 0xBA, s[4652] = 0x44;  // MPEG-2 pack: not one
    // Sequence header: 352 x 240, aspect 12, rate 4, bit rate field 2875 (1150000 bit/s), marker.
    const uint8_t seq[11] = {0, 0, 1, 0xB3, 0x16, 0x00, 0xF0, 0xC4, 0x02, 0xCE, 0xE0};
    std::memcpy(&s[100], seq, sizeof seq);
    const uint8_t second[11] = {0, 0, 1, 0xB3, 0x2D, 0x01, 0x20, 0x83, 0xFF, 0xFF, 0xE0};
    std::memcpy(&s[200], second, sizeof second);  // a later one is not the first
    const StreamFacts f = readStream(s.data(), s.size());
    EXPECT_EQ(f.width, 352);
    EXPECT_EQ(f.height, 240);
    EXPECT_EQ(f.aspectCode, 12);
    EXPECT_EQ(f.rateCode, 4);
    EXPECT_EQ(f.bitRate, 1150000);
    ASSERT_EQ(f.packClocks.size(), 2u);
    EXPECT_EQ(f.packClocks[0], std::make_pair(uint64_t(0), uint32_t(270005)));
    EXPECT_EQ(f.packClocks[1], std::make_pair(uint64_t(2324), uint32_t(7)));

    // Widths and bit rates with every bit set: 4095 x 4095, field 0x3FFFF.
    const uint8_t full[11] = {0, 0, 1, 0xB3, 0xFF, 0xFF, 0xFF, 0x8F, 0xFF, 0xFF, 0xE0};
    const StreamFacts g = readStream(full, sizeof full);
    EXPECT_EQ(g.width, 4095);
    EXPECT_EQ(g.height, 4095);
    EXPECT_EQ(g.aspectCode, 8);
    EXPECT_EQ(g.rateCode, 15);
    EXPECT_EQ(g.bitRate, 0x3FFFF * 400);
    // Cut off before its fields end: no header.
    EXPECT_FALSE(readStream(full, 10).sequenceHeader);
    // A start code needs 00 00 01 in full: 00 xx 01 or xx 00 01 starts nothing.
    for (int at : {0, 1}) {
        uint8_t near[24] = {0, 0, 1,    0xB3, 0x16, 0x00, 0xF0, 0xC4, 0x02, 0xCE, 0xE0, 0,
                            0, 1, 0xBA, 0x21, 0,    1,    0,    1,    1,    0x80, 0x1B, 0x83};
        near[at] = 7, near[11 + at] = 7;
        const StreamFacts h = readStream(near, sizeof near);
        EXPECT_FALSE(h.sequenceHeader) << at;
        EXPECT_TRUE(h.packClocks.empty()) << at;
    }
}

TEST(HostSelftest, PlayingTimeFromThePacksNearTheEnd) {
    std::vector<uint8_t> s(5 * 2324, 0);
    const uint32_t clocks[5] = {90000, 180000, 270000, 360000, 455000};
    for (size_t k = 0; k < 5; ++k) putPack(s, k * 2324, clocks[k]);
    const StreamFacts f = readStream(s.data(), s.size());
    // A 7008-byte window from the end holds packs 3, 4 and 5 (offsets 4648, 6972, 9296 of 11620).
    EXPECT_EQ(playingSecondsNearEnd(f, s.size(), 7008), (std::vector<int32_t>{2, 3, 4}));
    EXPECT_EQ(playingSecondsNearEnd(f, s.size(), 2324), (std::vector<int32_t>{4}));
    // A clock that went back wraps (modulo 2^32), as a 32-bit difference does.
    putPack(s, 4 * 2324, 0);
    EXPECT_EQ(playingSecondsNearEnd(readStream(s.data(), s.size()), s.size(), 2324).back(),
              int32_t((uint32_t(0) - 90000u) / 90000u));
    EXPECT_TRUE(playingSecondsNearEnd(StreamFacts{}, 100, 100).empty());
}

// A stream of video, audio and video packs, and its track file made by hand from the format.
struct Made {
    std::vector<uint8_t> stream, track;
};
Made made(int index) {
    Made m;
    m.stream.assign(3 * 2324 + 50, 0);  // 50 bytes past the last whole pack: dropped
    for (size_t k = 0; k < 3; ++k) {
        putPack(m.stream, k * 2324, 90000 * k);
        for (size_t i = 12; i < 2324; ++i) m.stream[k * 2324 + i] = uint8_t(i * 13 + k);
        const uint8_t packet[4] = {0, 0, 1, uint8_t(k == 1 ? 0xC0 : 0xE0)};
        std::memcpy(&m.stream[k * 2324 + 12], packet, 4);
    }
    m.track.assign((30 + 3 + 55) * 2336, 0);
    for (size_t k = 0; k < 3; ++k) {
        uint8_t* sector = &m.track[(30 + k) * 2336];
        const uint8_t video[8] = {uint8_t(index), 1, 0x62, 0x0F, uint8_t(index), 1, 0x62, 0x0F};
        const uint8_t audio[8] = {uint8_t(index), 1, 0x64, 0x7F, uint8_t(index), 1, 0x64, 0x7F};
        std::memcpy(sector, k == 1 ? audio : video, 8);
        std::memcpy(sector + 8, &m.stream[k * 2324], 2324);
    }
    return m;
}

TEST(HostSelftest, TrackMatchesItsStream) {
    for (int index : {1, 3}) {
        Made m = made(index);
        EXPECT_EQ(trackMismatch(m.stream.data(), m.stream.size(), m.track.data(), m.track.size(), index), "");
    }
}

TEST(HostSelftest, TrackMismatchNamesWhatDiffers) {
    auto mismatch = [](const Made& m, int index = 1) {
        return trackMismatch(m.stream.data(), m.stream.size(), m.track.data(), m.track.size(), index);
    };
    Made m = made(1);
    EXPECT_EQ(mismatch(m, 2), "sector 30 has the wrong subheader for a video pack");
    m.track[31 * 2336 + 8 + 2000] ^= 1;
    EXPECT_EQ(mismatch(m), "sector 31 does not hold pack 2 of the stream");
    m = made(1);
    m.track[31 * 2336 + 2] = 0x62;  // the audio pack marked video
    EXPECT_EQ(mismatch(m), "sector 31 has the wrong subheader for an audio pack");
    m = made(1);
    m.track[32 * 2336 + 6] = 0x64;  // the repeated half differs
    EXPECT_EQ(mismatch(m), "sector 32 has the wrong subheader for a video pack");
    m = made(1);
    m.track[32 * 2336 + 2335] = 1;
    EXPECT_EQ(mismatch(m), "sector 32 has a non-zero error detection field");
    m = made(1);
    m.track[29 * 2336 + 100] = 1;
    EXPECT_EQ(mismatch(m), "sector 29 should be empty (all zero) but is not");
    m = made(1);
    m.track[33 * 2336] = 1;
    EXPECT_EQ(mismatch(m), "sector 33 should be empty (all zero) but is not");
    m = made(1);
    m.track.resize(m.track.size() - 2336);
    EXPECT_EQ(mismatch(m), "203232 bytes, not 88 sectors of 2336 (30 + 3 packs + 55)");
}

TEST(HostSelftest, ReportAndExitStatus) {
    const std::vector<Fact> facts = {{"Windows", "4.10.2222"}, {"code pages", "ANSI 1252"}};
    std::vector<Check> checks = {{"OS family", "ItsNT, OSType", Status::Pass, "98"},
                                 {"needs a person", "GetAColor", Status::NotRun, "a dialog"}};
    EXPECT_EQ(exitStatus(checks), 0);
    EXPECT_EQ(reportText(facts, checks, {"conversion: 159 sectors"}),
              "DuVad self-test\n\nWindows: 4.10.2222\ncode pages: ANSI 1252\n\n"
              "pass    OS family (ItsNT, OSType): 98\n"
              "not run needs a person (GetAColor): a dialog\n\n"
              "1 passed, 0 failed, 1 not run\nconversion: 159 sectors\nresult: all checks that ran passed\n");
    checks.push_back({"free space", "VolumeFreeKB", Status::Fail, "said 3 KB"});
    EXPECT_EQ(exitStatus(checks), 1);
    const std::string text = reportText({}, checks, {});
    EXPECT_NE(text.find("\nFAIL    free space (VolumeFreeKB): said 3 KB\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n1 passed, 1 failed, 1 not run\nresult: FAILED\n"), std::string::npos) << text;
    // Nothing ran: no pass to report.
    EXPECT_EQ(exitStatus({{"x", "y", Status::NotRun, "z"}}), 1);
    EXPECT_EQ(exitStatus({}), 1);
}

}  // namespace
}  // namespace duvad::host::selftest
