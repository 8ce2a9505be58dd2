// AnalyzeMpeg through the DLL: real ffmpeg streams, RIFF CDXA files, files other programs hold
// open, null pointers, and a sparse file beyond 2 GiB.
#include "tests/win/vcd_test_util.h"

namespace duvad::test::vcd {
namespace {

struct Outs {
    int32_t flag = kSentinel, width = kSentinel, height = kSentinel, aspect = kSentinel, rate = kSentinel,
            bitRate = kSentinel, seconds = kSentinel, sectors = kSentinel;
};

int32_t analyze(const std::string& path, Outs& o) {
    return VB(AnalyzeMpeg, path.c_str(), &o.flag, &o.width, &o.height, &o.aspect, &o.rate, &o.bitRate, &o.seconds,
              &o.sectors);
}

TEST(VcdAnalyze, EncodedStreamsAndTheirCdxaForm) {
    struct Want {
        const char* file;
        int32_t flag, width, height, aspect, rate, bitRate, seconds;
    };
    for (const Want& w :
         {Want{"ntsc.mpg", 1, 352, 240, 12, 4, 1150000, 4}, Want{"pal.mpg", 1, 352, 288, 8, 3, 1150000, 4},
          Want{"film.mpg", 1, 352, 240, 12, 1, 1150000, 4}, Want{"square.mpg", 0, 352, 240, 1, 4, 1150000, 2},
          Want{"wide.mpg", 0, 360, 240, 12, 4, 1150000, 2}, Want{"rate2880.mpg", 0, 352, 240, 12, 4, 1152000, 4},
          Want{"ntsc.cdxa", 1, 352, 240, 12, 4, 1150000, 4}}) {
        SCOPED_TRACE(w.file);
        Outs o;
        ASSERT_EQ(analyze(stream(w.file), o), 1);
        EXPECT_EQ(o.flag, w.flag);
        EXPECT_EQ(o.width, w.width);
        EXPECT_EQ(o.height, w.height);
        EXPECT_EQ(o.aspect, w.aspect);
        EXPECT_EQ(o.rate, w.rate);
        EXPECT_EQ(o.bitRate, w.bitRate);
        const int64_t size = fileSizeAt(stream(w.file));
        const bool cdxa = std::strstr(w.file, ".cdxa") != nullptr;
        EXPECT_EQ(o.sectors, cdxa ? (size - 44) / 2352 + 85 : size / 2324 + 85);
        EXPECT_EQ(o.seconds, w.seconds);
    }
    // The CDXA file holds the same packs: the same track length and playing time as the plain
    // stream (its last raw sector's pack lies where the end scan looks).
    Outs plain, cdxa;
    analyze(stream("ntsc.mpg"), plain);
    analyze(stream("ntsc.cdxa"), cdxa);
    EXPECT_EQ(plain.sectors, cdxa.sectors);
    EXPECT_EQ(plain.seconds, cdxa.seconds);
}

// A track file copied off a Video CD (vcdimager's disc of ntsc.mpg, as a RIFF CDXA file) ends in
// 45 empty margin sectors, a stream may end in zero padding: the playing time is still measured.
TEST(VcdAnalyze, PlayingTimeOfFilesEndingInEmptySectors) {
    Outs o;
    ASSERT_EQ(analyze(stream("disc.cdxa"), o), 1);
    EXPECT_EQ(o.flag, 1);
    EXPECT_EQ(o.seconds, 4) << "ffprobe: 4.5 s";
    EXPECT_EQ(o.sectors, int32_t((fileSizeAt(stream("disc.cdxa")) - 44) / 2352 + 85));

    TempDir dir("vcdan");
    ASSERT_TRUE(TempDir::writeFile(dir.file("padded.mpg"), bytesOf("ntsc.mpg") + std::string(60 * 2324, '\0')));
    Outs padded;
    ASSERT_EQ(analyze(dir.file("padded.mpg"), padded), 1);
    EXPECT_EQ(padded.seconds, 4);
}

TEST(VcdAnalyze, NoHeaderNoFileAndNullPointers) {
    TempDir dir("vcdan");
    // No sequence header: flag 0, playing time and length written, picture values untouched.
    std::string noHeader(40000, '\x55');
    std::memcpy(&noHeader[0], "\x00\x00\x01\xBA\x21\x00\x01\x00\x01", 9);
    ASSERT_TRUE(TempDir::writeFile(dir.file("noheader.mpg"), noHeader));
    Outs o;
    EXPECT_EQ(analyze(dir.file("noheader.mpg"), o), 0);
    EXPECT_EQ(o.flag, 0);
    EXPECT_EQ(o.width, kSentinel);
    EXPECT_EQ(o.bitRate, kSentinel);
    EXPECT_EQ(o.seconds, -1);
    EXPECT_EQ(o.sectors, 40000 / 2324 + 85);

    // A file that cannot be opened: nothing written, not even the flag.
    Outs none;
    EXPECT_EQ(analyze(dir.file("missing.mpg"), none), -1);
    EXPECT_EQ(none.flag, kSentinel);
    EXPECT_EQ(none.sectors, kSentinel);
    EXPECT_EQ(VB(AnalyzeMpeg, (const char*)nullptr, &none.flag, &none.width, &none.height, &none.aspect, &none.rate,
                 &none.bitRate, &none.seconds, &none.sectors),
              -1);
    EXPECT_EQ(none.flag, kSentinel);

    // Null out-parameters: the same answer; a null flag too (not wanted) is no crash.
    int32_t flag = kSentinel;
    EXPECT_EQ(VB(AnalyzeMpeg, stream("pal.mpg").c_str(), &flag, (int32_t*)nullptr, (int32_t*)nullptr, (int32_t*)nullptr,
                 (int32_t*)nullptr, (int32_t*)nullptr, (int32_t*)nullptr, (int32_t*)nullptr),
              1);
    EXPECT_EQ(flag, 1);
    int32_t sectors = kSentinel;
    EXPECT_EQ(VB(AnalyzeMpeg, stream("pal.mpg").c_str(), (int32_t*)nullptr, (int32_t*)nullptr, (int32_t*)nullptr,
                 (int32_t*)nullptr, (int32_t*)nullptr, (int32_t*)nullptr, (int32_t*)nullptr, &sectors),
              1);
    EXPECT_EQ(sectors, int32_t(fileSizeAt(stream("pal.mpg")) / 2324 + 85));
}

// A sequence header cut off by the end of the file: its missing bytes read as zero, and such a
// header never meets the Video CD rules, even when the bytes it has would.
TEST(VcdAnalyze, SequenceHeaderCutOffByTheEndOfTheFile) {
    TempDir dir("vcdan");
    const std::string ntsc = bytesOf("ntsc.mpg");
    const size_t header = ntsc.find(std::string("\0\0\1\xB3", 4));
    ASSERT_NE(header, std::string::npos);
    struct Cut {
        size_t keep;
        int32_t flag, bitRate;
    };
    // The bit rate field is 18 bits over header bytes 8 to 10: 2875 units of 400 bit/s.
    for (const Cut& c : {Cut{11, 1, 1150000},  // the whole header: conforming
                         Cut{10, 0, 1148800},  // byte 10 missing: 2872 units, under the limit
                         Cut{9, 0, 819200},    // bytes 9 and 10 missing: 2048 units
                         Cut{8, 0, 0}}) {      // the whole field missing: bit rate 0
        SCOPED_TRACE(c.keep);
        const std::string path = dir.file("cut" + std::to_string(c.keep) + ".mpg");
        ASSERT_TRUE(TempDir::writeFile(path, ntsc.substr(0, header + c.keep)));
        Outs o;
        EXPECT_EQ(analyze(path, o), 1);
        EXPECT_EQ(o.flag, c.flag);
        EXPECT_EQ(o.width, 352);
        EXPECT_EQ(o.height, 240);
        EXPECT_EQ(o.bitRate, c.bitRate);
    }
}

TEST(VcdAnalyze, FilesHeldOpenAndLeftClosed) {
    TempDir dir("vcdan");
    const std::string path = copyStream(dir, "ntsc.mpg");
    {
        // The host may hold the file open for writing while it is analysed.
        ScopedFile writer(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer.valid());
        Outs o;
        EXPECT_EQ(analyze(path, o), 1);
        EXPECT_EQ(o.flag, 1);
    }
    {
        // Held without read sharing: it cannot be opened.
        ScopedFile locked(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        Outs o;
        EXPECT_EQ(analyze(path, o), -1);
        EXPECT_EQ(o.flag, kSentinel);
    }
    Outs o;
    analyze(path, o);
    EXPECT_TRUE(deletable(path)) << "the file is closed when AnalyzeMpeg returns";
}

TEST(VcdAnalyze, SparseFileBeyond2GiB) {
    TempDir dir("vcdan");
    const std::string path = copyStream(dir, "ntsc.mpg", "big.mpg");
    const std::string head = bytesOf("ntsc.mpg");
    const int64_t size = 0x80000000ll + 2324ll * 1000 + 5;
    {
        ScopedFile f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(f.valid());
        LONG high = LONG(size >> 32);
        SetFilePointer(f.get(), LONG(uint32_t(size)), &high, FILE_BEGIN);
        ASSERT_TRUE(SetEndOfFile(f.get()));
        // The last 7008 bytes: the stream's last three packs, so the playing time is measured.
        high = LONG((size - 7008 - 5) >> 32);
        SetFilePointer(f.get(), LONG(uint32_t(size - 7008 - 5)), &high, FILE_BEGIN);
        DWORD put;
        WriteFile(f.get(), head.data() + head.size() - 7008, 7008, &put, nullptr);
    }
    ASSERT_EQ(fileSizeAt(path), size);
    Outs o;
    EXPECT_EQ(analyze(path, o), 1);
    EXPECT_EQ(o.flag, 1);
    EXPECT_EQ(o.sectors, int32_t(size / 2324 + 85));
    EXPECT_GE(o.seconds, 4);
    EXPECT_TRUE(deletable(path));
}

}  // namespace
}  // namespace duvad::test::vcd
