// The whole-source scan: packs one per 2324 bytes, the dropped tail, and the audio a Video CD
// player expects. The streams are ffmpeg's (tests/data/make_streams.sh) and hand-made packs.
#include "host/core/stream_scan.h"

#include <gtest/gtest.h>

#include "vcd_streams.h"

namespace {

using duvad::host::AudioFormat;
using duvad::host::StreamScan;
using duvad::vcd::MemorySource;
namespace t = duvad::vcd::test;

StreamScan scanOf(const std::vector<uint8_t>& bytes, bool cdxa = false) {
    MemorySource source(bytes.data(), bytes.size());
    StreamScan scan;
    EXPECT_TRUE(duvad::host::scanStream(source, cdxa, &scan));
    return scan;
}

// A 2324-byte pack holding one packet of stream `id` whose data begins with `frame` (4 bytes), the
// packet header with a time stamp as ffmpeg writes it.
std::vector<uint8_t> pack(uint8_t id, const uint8_t* frame) {
    std::vector<uint8_t> p(2324, 0);
    t::putPack(p.data(), 900);
    const int length = 2324 - 12 - 6;
    const uint8_t head[] = {0, 0, 1, id, uint8_t(length >> 8), uint8_t(length), 0x40, 0x20, 0x21, 0, 1, 0, 1};
    std::copy(head, head + sizeof head, p.begin() + 12);
    std::copy(frame, frame + 4, p.begin() + 12 + sizeof head);
    return p;
}

std::vector<uint8_t> joined(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Frame headers written from the MPEG audio tables (ISO/IEC 11172-3, 13818-3), not from the reader.
const uint8_t kLayer2At44k224Stereo[] = {0xFF, 0xFD, 0xB0, 0x00};  // bit rate index 11, 44.1 kHz
const uint8_t kLayer2At48k192Mono[] = {0xFF, 0xFD, 0xA4, 0xC0};    // index 10, 48 kHz, single channel
const uint8_t kLayer3At44k128[] = {0xFF, 0xFB, 0x90, 0x40};        // index 9, joint stereo
const uint8_t kMpeg2Layer2At24k64[] = {0xFF, 0xF5, 0x84, 0xC0};    // MPEG-2, index 8, 24 kHz

TEST(StreamScan, AudioFrameHeadersReadFromTheTables) {
    AudioFormat f;
    ASSERT_TRUE(duvad::host::readAudioHeader(kLayer2At44k224Stereo, &f));
    EXPECT_EQ(f.version, 1);
    EXPECT_EQ(f.layer, 2);
    EXPECT_EQ(f.sampleRate, 44100);
    EXPECT_EQ(f.bitRate, 224);
    EXPECT_EQ(f.channels, 2);
    ASSERT_TRUE(duvad::host::readAudioHeader(kLayer2At48k192Mono, &f));
    EXPECT_EQ(f.sampleRate, 48000);
    EXPECT_EQ(f.bitRate, 192);
    EXPECT_EQ(f.channels, 1);
    ASSERT_TRUE(duvad::host::readAudioHeader(kLayer3At44k128, &f));
    EXPECT_EQ(f.layer, 3);
    EXPECT_EQ(f.bitRate, 128);
    ASSERT_TRUE(duvad::host::readAudioHeader(kMpeg2Layer2At24k64, &f));
    EXPECT_EQ(f.version, 2);
    EXPECT_EQ(f.sampleRate, 24000);
    EXPECT_EQ(f.bitRate, 64);
    const uint8_t badRate[] = {0xFF, 0xFD, 0xF0, 0}, badSampling[] = {0xFF, 0xFD, 0xBC, 0},
                  noSync[] = {0xFF, 0x1D, 0xB0, 0};
    EXPECT_FALSE(duvad::host::readAudioHeader(badRate, &f));
    EXPECT_FALSE(duvad::host::readAudioHeader(badSampling, &f));
    EXPECT_FALSE(duvad::host::readAudioHeader(noSync, &f));
}

// ffmpeg -target ntsc-vcd: one pack per 2324 bytes, MPEG-1 Layer II at 44100 Hz and 224 kbit/s.
TEST(StreamScan, FfmpegVideoCdStreamsAreAlignedWithVideoCdAudio) {
    for (const char* name : {"ntsc.mpg", "pal.mpg", "ntsc.cdxa"}) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> bytes = t::stream(name);
        const bool cdxa = bytes[0] == 'R';
        const StreamScan scan = scanOf(bytes, cdxa);
        EXPECT_EQ(scan.pieces, cdxa ? (bytes.size() - 44) / 2352 : bytes.size() / 2324);
        EXPECT_EQ(scan.misaligned, 0u);
        EXPECT_EQ(scan.droppedBytes, 0);
        EXPECT_EQ(scan.packs + scan.empty, scan.pieces);
        EXPECT_EQ(duvad::host::audioLine(scan), "MPEG-1 Layer II, 44100 Hz, 224 kbit/s, stereo; 1 audio stream");
        EXPECT_TRUE(duvad::host::audioWarnings(scan).empty());
        EXPECT_EQ(duvad::host::alignmentRefusal(scan, 4, name), "");
    }
}

// The tail the conversion drops: what lies behind the last whole piece or raw sector.
TEST(StreamScan, SaysHowManyTailBytesAreDropped) {
    EXPECT_EQ(scanOf(t::stream("cut.mpg")).droppedBytes, 100);  // 40 packs and 100 bytes
    EXPECT_EQ(scanOf(t::stream("cut.mpg")).pieces, 40u);
    EXPECT_EQ(scanOf(t::stream("ragged.cdxa"), true).droppedBytes, 1000);
    EXPECT_EQ(scanOf(t::stream("tiny.mpg")).droppedBytes, 7007 - 3 * 2324);
}

// 100 bytes cut out of the sixth pack: every piece from the seventh on starts inside a pack. All-zero
// pieces (ffmpeg's padding sectors) are no fault.
TEST(StreamScan, RefusesPacksThatAreNotOnePerPiece) {
    std::vector<uint8_t> bytes = t::stream("ntsc.mpg");
    const std::vector<uint8_t> zero(2324, 0);
    bytes.insert(bytes.begin() + 2 * 2324, zero.begin(), zero.end());
    StreamScan scan = scanOf(bytes);
    EXPECT_EQ(scan.misaligned, 0u);
    EXPECT_EQ(scan.empty, 1u);
    // An empty piece before one that begins otherwise: the empty one is no fault, the other is.
    std::vector<uint8_t> junk = bytes;
    junk.insert(junk.begin() + 3 * 2324, 2324, 0x47);
    junk.insert(junk.begin() + 3 * 2324, zero.begin(), zero.end());
    scan = scanOf(junk);
    EXPECT_EQ(scan.empty, 2u);
    EXPECT_EQ(scan.misaligned, 1u);
    EXPECT_EQ(scan.firstMisaligned, 4 * 2324);
    bytes.erase(bytes.begin() + 5 * 2324 + 1000, bytes.begin() + 5 * 2324 + 1100);
    scan = scanOf(bytes);
    EXPECT_EQ(scan.firstMisaligned, 6 * 2324);
    EXPECT_EQ(scan.misaligned, scan.pieces - 6);
    EXPECT_EQ(scan.droppedBytes, 2324 - 100);
    const std::string why = duvad::host::alignmentRefusal(scan, 3, "C:\\in.mpg");
    EXPECT_NE(why.find("not one per 2324 bytes (" + std::to_string(scan.pieces - 6) + " of " +
                       std::to_string(scan.pieces) + " sectors"),
              std::string::npos)
        << why;
    EXPECT_NE(why.find("remux it:  ffmpeg -f mpeg -i \"C:\\in.mpg\" -c copy -target pal-vcd \"C:\\in-vcd.mpg\""),
              std::string::npos)
        << why;
    EXPECT_NE(duvad::host::alignmentRefusal(scan, 1, "x").find("-target film-vcd"), std::string::npos);
    EXPECT_NE(duvad::host::alignmentRefusal(scan, 4, "x").find("-target ntsc-vcd"), std::string::npos);
}

// Bytes in front of the first pack (a WAVE header, junk, an empty sector): where the packs begin.
TEST(StreamScan, FindsTheFirstPackBehindLeadingBytes) {
    std::vector<uint8_t> bytes = t::stream("ntsc.mpg");
    bytes.resize(8000);
    EXPECT_EQ(duvad::host::firstPackAt(bytes.data(), bytes.size()), 0);
    bytes.insert(bytes.begin(), 2324, 0);
    EXPECT_EQ(duvad::host::firstPackAt(bytes.data(), bytes.size()), 2324);
    EXPECT_EQ(duvad::host::firstPackAt(bytes.data(), 2324 + 4), -1);  // a start code cut short
    EXPECT_EQ(duvad::host::firstPackAt(bytes.data(), 2324), -1);
    EXPECT_EQ(duvad::host::remuxCommand(4, "a/b.c/clip"),
              "ffmpeg -f mpeg -i \"a/b.c/clip\" -c copy -target ntsc-vcd \"a/b.c/clip-vcd.mpg\"");
}

// ffmpeg's -packetsize 2048: its packs are refused for the track, but the audio is found in
// them all the same (what ffprobe reports: MPEG-1 Layer II, 44100 Hz, 224 kbit/s, stereo).
TEST(StreamScan, FindsTheAudioInPacksOfAnySize) {
    const StreamScan scan = scanOf(t::stream("p2048.mpg"));
    EXPECT_GT(scan.misaligned, 0u);
    EXPECT_EQ(duvad::host::audioLine(scan), "MPEG-1 Layer II, 44100 Hz, 224 kbit/s, stereo; 1 audio stream");
    EXPECT_EQ(scan.videoStreams, 1u);
    EXPECT_TRUE(duvad::host::audioWarnings(scan).empty());
}

// Packs that each begin with a system header (its own length) before their audio packet, and an
// audio packet whose only frame header fills its last four bytes.
TEST(StreamScan, FindsAudioBehindSystemHeadersAndAtAPacketsEnd) {
    std::vector<uint8_t> p(2324, 0);
    t::putPack(p.data(), 900);
    const uint8_t system[] = {0,    0,    1,    0xBB, 0,    12,   0x80, 0x1B, 0x91,
                              0x04, 0xE1, 0xFF, 0xC0, 0xC0, 0x20, 0xE0, 0xE0, 0x2E};
    std::copy(system, system + sizeof system, p.begin() + 12);
    const int at = 12 + int(sizeof system), length = 2324 - at - 6;
    const uint8_t head[] = {0, 0, 1, 0xC0, uint8_t(length >> 8), uint8_t(length), 0x0F};
    std::copy(head, head + sizeof head, p.begin() + at);
    std::copy(kLayer2At48k192Mono, kLayer2At48k192Mono + 4, p.end() - 4);
    const StreamScan scan = scanOf(joined({p, p, p}));
    EXPECT_EQ(scan.misaligned, 0u);
    EXPECT_EQ(duvad::host::audioLine(scan), "MPEG-1 Layer II, 48000 Hz, 192 kbit/s, mono; 1 audio stream");
    // Stream ids as the system layer numbers them: 0xE0-0xEF video, 0xC0-0xDF audio; 0xF0 is
    // neither.
    std::vector<uint8_t> other = p;
    other[at + 3] = 0xF0;
    EXPECT_EQ(scanOf(other).videoStreams, 0u);
    EXPECT_EQ(scanOf(other).audioStreams, 0u);
    other[at + 3] = 0xEF;
    EXPECT_EQ(scanOf(other).videoStreams, 1u << 15);
    other[at + 3] = 0xDF;
    EXPECT_EQ(scanOf(other).audioStreams, 1u << 31);
    // A packet header of another form (MPEG-2's 0x8x flags): its data is not looked into.
    std::vector<uint8_t> mpeg2 = p;
    mpeg2[at + 6] = 0x81;
    std::copy(kLayer2At44k224Stereo, kLayer2At44k224Stereo + 4, mpeg2.begin() + at + 7);
    EXPECT_EQ(duvad::host::audioLine(scanOf(mpeg2)), "no MPEG audio frame header found; 1 audio stream");
    // The frame header one byte further on no longer fits the packet: no header in it.
    std::vector<uint8_t> cut = p;
    cut[at + 5] = uint8_t(length - 1);
    EXPECT_EQ(duvad::host::audioLine(scanOf(cut)), "no MPEG audio frame header found; 1 audio stream");
}

// A RIFF CDXA file whose fourth sector does not begin with a pack: the refusal names where that
// sector's payload lies in the file (behind the 44-byte header, three raw sectors, and 24 bytes
// of sync, header and subheader).
TEST(StreamScan, NamesTheFileOffsetOfAMisalignedCdxaSector) {
    std::vector<uint8_t> bytes = t::stream("ntsc.cdxa");
    bytes[44 + 3 * 2352 + 24] = 0x47;
    const StreamScan scan = scanOf(bytes, true);
    EXPECT_EQ(scan.misaligned, 1u);
    EXPECT_EQ(scan.firstMisaligned, 7124);
    EXPECT_NE(duvad::host::alignmentRefusal(scan, 4, "x").find("the first at byte 7124)"), std::string::npos);
}

TEST(StreamScan, WarnsWhereAVideoCdPlayerExpectsOtherAudio) {
    const std::vector<uint8_t> video = pack(0xE0, kLayer2At44k224Stereo);
    EXPECT_EQ(duvad::host::audioLine(scanOf(video)), "none");
    EXPECT_EQ(duvad::host::audioWarnings(scanOf(video)),
              std::vector<std::string>{"no audio stream: the disc plays without sound"});

    StreamScan scan = scanOf(joined({video, pack(0xC0, kLayer2At48k192Mono)}));
    EXPECT_EQ(duvad::host::audioLine(scan), "MPEG-1 Layer II, 48000 Hz, 192 kbit/s, mono; 1 audio stream");
    EXPECT_EQ(duvad::host::audioWarnings(scan),
              std::vector<std::string>{"48000 Hz audio: a Video CD player expects 44100 Hz"});

    scan = scanOf(joined({pack(0xC0, kLayer3At44k128), video}));
    EXPECT_EQ(duvad::host::audioWarnings(scan),
              std::vector<std::string>{"Layer III audio: a Video CD player expects Layer II"});

    scan = scanOf(joined({pack(0xC0, kLayer2At44k224Stereo), pack(0xC1, kMpeg2Layer2At24k64)}));
    EXPECT_EQ(duvad::host::audioLine(scan), "MPEG-1 Layer II, 44100 Hz, 224 kbit/s, stereo; 2 audio streams");
    EXPECT_EQ(duvad::host::audioWarnings(scan),
              std::vector<std::string>{
                  "2 audio streams: a Video CD player plays one; only stream 0's sectors are marked as audio"});

    scan = scanOf(pack(0xC1, kMpeg2Layer2At24k64));
    EXPECT_EQ(duvad::host::audioWarnings(scan),
              (std::vector<std::string>{"the audio is stream 1, not 0: its sectors are not marked as audio",
                                        "MPEG-2 audio (half sampling rate): a Video CD player expects MPEG-1",
                                        "24000 Hz audio: a Video CD player expects 44100 Hz"}));
}

}  // namespace
