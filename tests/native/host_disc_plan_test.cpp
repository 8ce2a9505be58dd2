// The host tool's planning: what a source file is, and how a disc's length reads to a user.
#include "host/core/disc_plan.h"

#include <gtest/gtest.h>

namespace {

// The tool takes RIFF CDXA and MPEG-1 pack streams; of what the DLL would convert it refuses an
// MPEG-2 program stream and a pack start code followed by neither pack kind.
TEST(DiscPlan, SourceRefusalFromTheFirstBytes) {
    const uint8_t mpeg1[] = {0, 0, 1, 0xBA, 0x21, 0, 1};
    const uint8_t mpeg1b[] = {0, 0, 1, 0xBA, 0x31, 0, 1};
    const uint8_t mpeg2[] = {0, 0, 1, 0xBA, 0x44, 0, 4};
    const uint8_t oddPack[] = {0, 0, 1, 0xBA, 0x00, 0, 4};
    const uint8_t sequence[] = {0, 0, 1, 0xB3, 0x16, 0, 0xF0};
    const uint8_t cdxa[] = {'R', 'I', 'F', 'F', 1, 2, 3, 4, 'C', 'D', 'X', 'A'};
    const uint8_t wave[] = {'R', 'I', 'F', 'F', 1, 2, 3, 4, 'W', 'A', 'V', 'E'};
    const std::string notMpeg1 = "not an MPEG-1 system stream or RIFF CDXA file";
    EXPECT_EQ(duvad::host::sourceRefusal(mpeg1, sizeof mpeg1), "");
    EXPECT_EQ(duvad::host::sourceRefusal(mpeg1b, sizeof mpeg1b), "");
    EXPECT_EQ(duvad::host::sourceRefusal(cdxa, sizeof cdxa), "");
    EXPECT_EQ(duvad::host::sourceRefusal(mpeg2, sizeof mpeg2), "an MPEG-2 stream; a Video CD takes MPEG-1");
    EXPECT_EQ(duvad::host::sourceRefusal(oddPack, sizeof oddPack), notMpeg1);
    EXPECT_EQ(duvad::host::sourceRefusal(sequence, sizeof sequence), notMpeg1);
    EXPECT_EQ(duvad::host::sourceRefusal(wave, sizeof wave), notMpeg1);
    EXPECT_EQ(duvad::host::sourceRefusal(cdxa, 11), notMpeg1);  // only the bytes there count
    EXPECT_EQ(duvad::host::sourceRefusal(mpeg1, 4), notMpeg1);
}

TEST(DiscPlan, FactsReadAsAUserWouldSayThem) {
    duvad::host::StreamFacts f;
    f.result = 1, f.compliant = 1, f.width = 352, f.height = 240, f.aspect = 12, f.rate = 4;
    f.bitRate = 1150000, f.seconds = 3725, f.sectors = 1234;
    EXPECT_EQ(duvad::host::factsLine(f),
              "352x240  aspect 12 (1.0950)  rate 4 (29.97 Hz)  1150000 bit/s  1:02:05  1234 sectors  Video CD picture "
              "rules: met");
    f.compliant = 0, f.aspect = 15, f.rate = 12, f.seconds = -1;
    EXPECT_EQ(duvad::host::factsLine(f),
              "352x240  aspect 15 (?)  rate 12 (?)  1150000 bit/s  ?  1234 sectors  Video CD picture rules: not met");
    f.result = 0, f.seconds = 5;
    EXPECT_EQ(duvad::host::factsLine(f), "no MPEG-1 video sequence header  0:05  1234 sectors");
    // ffmpeg's variable-rate streams: the bit rate field all ones.
    f.result = 1, f.bitRate = 0x3FFFF * 400;
    EXPECT_EQ(
        duvad::host::factsLine(f),
        "352x240  aspect 15 (?)  rate 12 (?)  variable bit rate  0:05  1234 sectors  Video CD picture rules: not met");
    f.result = duvad::host::kTooLarge;
    EXPECT_EQ(duvad::host::factsLine(f), "too large: its length in sectors does not fit 32 bits");
    f.result = duvad::host::kCannotOpen;
    EXPECT_EQ(duvad::host::factsLine(f), "cannot be opened");
}

// What fails the Video CD picture rules, field by field, and the command that makes the stream
// again within them: ffmpeg's -target ntsc-vcd without -aspect (aspect code 1), mpeg2enc -f 1
// (1152000 bit/s), a picture 360 wide, a PAL picture with the NTSC aspect, 30 Hz.
TEST(DiscPlan, PictureRuleBreaksNameTheFieldAndTheFix) {
    duvad::host::StreamFacts f;
    f.result = 1, f.compliant = 1, f.width = 352, f.height = 240, f.aspect = 12, f.rate = 4, f.bitRate = 1150000;
    EXPECT_TRUE(duvad::host::pictureRuleBreaks(f, "a.mpg").empty());
    f.rate = 1, f.bitRate = 1151600;
    EXPECT_TRUE(duvad::host::pictureRuleBreaks(f, "a.mpg").empty());
    f.bitRate = 1151929;  // the first rate the rules refuse
    EXPECT_EQ(duvad::host::pictureRuleBreaks(f, "a.mpg").size(), 2u);
    f.bitRate = 1151928;
    EXPECT_TRUE(duvad::host::pictureRuleBreaks(f, "a.mpg").empty());

    f.rate = 4, f.aspect = 1, f.bitRate = 1150000;
    EXPECT_EQ(duvad::host::pictureRuleBreaks(f, "/tmp/square.mpg"),
              (std::vector<std::string>{
                  "aspect 1 (1.0000): the rules need 12 (1.0950) for 352x240",
                  "fix: make it again within the rules:  ffmpeg -i \"/tmp/square.mpg\" -target ntsc-vcd -aspect 4:3 "
                  "\"/tmp/square-vcd.mpg\""}));
    f.aspect = 12, f.bitRate = 1152000;
    EXPECT_EQ(duvad::host::pictureRuleBreaks(f, "C:\\m.v\\enc").front(),
              "bit rate 1152000 bit/s: the rules need a constant rate below 1151929 bit/s (ffmpeg's Video CD targets "
              "write 1150000)");
    EXPECT_EQ(duvad::host::pictureRuleBreaks(f, "C:\\m.v\\enc").back(),
              "fix: make it again within the rules:  ffmpeg -i \"C:\\m.v\\enc\" -target ntsc-vcd -aspect 4:3 "
              "\"C:\\m.v\\enc-vcd.mpg\"");
    f.bitRate = duvad::host::kVariableBitRate, f.rate = 1;
    EXPECT_EQ(duvad::host::pictureRuleBreaks(f, "f.mpg"),
              (std::vector<std::string>{"bit rate variable (the field all ones): the rules need a constant rate below "
                                        "1151929 bit/s (ffmpeg's Video CD targets write 1150000)",
                                        "fix: make it again within the rules:  ffmpeg -i \"f.mpg\" -target film-vcd "
                                        "-aspect 4:3 \"f-vcd.mpg\""}));

    f.bitRate = 1150000, f.rate = 4, f.width = 360;
    EXPECT_EQ(duvad::host::pictureRuleBreaks(f, "w.mpg").front(), "picture size 360x240: the rules need 352x240");
    f.width = 352, f.rate = 5;
    EXPECT_EQ(duvad::host::pictureRuleBreaks(f, "w.mpg").front(),
              "rate 5 (30 Hz): the rules need 4 (29.97 Hz) or 1 (23.976 Hz) for 352x240");
    f.height = 288, f.rate = 3;
    EXPECT_EQ(
        duvad::host::pictureRuleBreaks(f, "p.mpg"),
        (std::vector<std::string>{
            "aspect 12 (1.0950): the rules need 8 (0.9157) for 352x288",
            "fix: make it again within the rules:  ffmpeg -i \"p.mpg\" -target pal-vcd -aspect 4:3 \"p-vcd.mpg\""}));
    f.height = 240, f.rate = 3;  // 25 Hz at 240 lines: measured against the 625-line row
    EXPECT_EQ(duvad::host::pictureRuleBreaks(f, "p.mpg").front(), "picture size 352x240: the rules need 352x288");
    f.rate = 6;
    EXPECT_EQ(duvad::host::pictureRuleBreaks(f, "p.mpg").back(),
              "fix: make it again within the rules:  ffmpeg -i \"p.mpg\" -target pal-vcd -aspect 4:3 \"p-vcd.mpg\"");
    f.height = 288, f.rate = 8, f.aspect = 8;  // 60 Hz at 288 lines: measured against the 625-line row
    EXPECT_EQ(duvad::host::pictureRuleBreaks(f, "p.mpg").front(),
              "rate 8 (60 Hz): the rules need 3 (25 Hz) for 352x288");
    f.result = 0;
    EXPECT_TRUE(duvad::host::pictureRuleBreaks(f, "p.mpg").empty());
}

TEST(DiscPlan, CapacityAgainstSeventyFourAndEightyMinuteDiscs) {
    // 300 + 150 + 1000 + 150 = 1600 sectors up to the end sector: 1750 / 75 = 23 s of disc.
    EXPECT_EQ(duvad::host::capacityLine({300, {1000}}),
              "1600 sectors, 0:23 min; 74-min disc: 1% full; 80-min disc: 1% full");
    const uint32_t fills74 = duvad::host::kDisc74 - 300 - 2 * 150;  // exactly a 74-minute disc
    EXPECT_EQ(duvad::host::capacityLine({300, {fills74}}),
              "332850 sectors, 74:00 min; 74-min disc: 100% full; 80-min disc: 93% full");
    EXPECT_EQ(duvad::host::capacityLine({300, {fills74 + 1}}),
              "332851 sectors, 74:00 min; 74-min disc: too short by 1 sectors; 80-min disc: 93% full");
}

TEST(DiscPlan, TrackTableGivesEachTracksDiscAddress) {
    EXPECT_EQ(duvad::host::trackTable({300, {505, 85}}, {"ntsc.mpg", "tiny.mpg"}),
              "track  on disc        start     sectors  source\n"
              "    1  ISO 9660       00:02:00      300  (file system, INFO.VCD, ENTRIES.VCD)\n"
              "    2  AVSEQ01.DAT    00:08:00      505  ntsc.mpg\n"
              "    3  AVSEQ02.DAT    00:16:55       85  tiny.mpg\n");
}

}  // namespace
