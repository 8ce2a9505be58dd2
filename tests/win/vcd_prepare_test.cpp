// PrepareVcdFiles through the DLL: track files byte for byte, files that end where their new
// contents end, each failure code with the files closed, the refusals of malformed input before
// any file is touched, and the message pump running between sectors.
#include <functional>

#include "tests/win/import_patch.h"
#include "tests/win/vcd_test_util.h"

namespace duvad::test::vcd {
namespace {

// The prepared image in a caller buffer that ends at a no-access page.
class Image {
public:
    explicit Image(int32_t length = kImageBytes) : buffer_(size_t(length)) {
        const std::string prepared = bytesOf("image300.bin");
        std::memcpy(buffer_.data(), prepared.data(), std::min<size_t>(prepared.size(), size_t(length)));
        original_.assign(buffer_.data(), size_t(length));
    }
    char* data() { return buffer_.data(); }
    int32_t length() const { return int32_t(buffer_.size()); }
    bool unchanged() const { return std::memcmp(buffer_.data(), original_.data(), original_.size()) == 0; }
    std::string bytes() const { return std::string(buffer_.data(), buffer_.size()); }

private:
    mutable GuardedBuffer buffer_;
    std::string original_;
};

std::string shortName(const std::string& path) {
    char out[MAX_PATH] = "";
    GetShortPathNameA(path.c_str(), out, MAX_PATH);
    return out;
}

int32_t prepare(Image& img, const std::string& sources, const std::string& targets) {
    return VB(PrepareVcdFiles, img.data(), img.length(), sources.c_str(), targets.c_str());
}

TEST(VcdPrepare, TrackFilesFromStreamsAndCdxaFilesEndWhereTheirContentsEnd) {
    TempDir dir("vcdpr");
    // Stale longer files of the same names: the new contents replace them whole.
    ASSERT_TRUE(TempDir::writeFile(dir.file("t2.bin"), std::string(3000000, 'S')));
    ASSERT_TRUE(TempDir::writeFile(dir.file("image.bin"), std::string(900000, 'S')));
    const char* names[] = {"ntsc.mpg", "ntsc.cdxa", "pal.mpg", "ragged.cdxa", "cut.mpg", "mpeg2.mpg"};
    std::string sources, targets = dir.file("image.bin") + "\r\n";
    for (int i = 0; i < 6; ++i) {
        sources += stream(names[i]) + "\r\n";
        targets += dir.file("t" + std::to_string(i + 1) + ".bin") + "\r\n";
    }
    Image img;
    ASSERT_EQ(prepare(img, sources, targets), 1);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(names[i]);
        const std::string track = TempDir::readFile(dir.file("t" + std::to_string(i + 1) + ".bin"));
        const std::string want = expectedTrack(bytesOf(names[i]), i + 1);
        ASSERT_EQ(track.size(), want.size());
        EXPECT_TRUE(sameBytes(track, want));
        // The length AnalyzeMpeg predicts.
        int32_t flag, sectors = kSentinel;
        VB(AnalyzeMpeg, stream(names[i]).c_str(), &flag, (int32_t*)nullptr, (int32_t*)nullptr, (int32_t*)nullptr,
           (int32_t*)nullptr, (int32_t*)nullptr, (int32_t*)nullptr, &sectors);
        EXPECT_EQ(int64_t(sectors) * 2336, int64_t(track.size()));
    }
    EXPECT_EQ(fileSizeAt(dir.file("image.bin")), kImageBytes);
    EXPECT_EQ(TempDir::readFile(dir.file("image.bin")), img.bytes()) << "the patched buffer, whole";
    for (const char* n : {"t1.bin", "t2.bin", "image.bin"}) EXPECT_TRUE(deletable(dir.file(n))) << n;
}

TEST(VcdPrepare, EmptySourceListWritesTheImageOnly) {
    TempDir dir("vcdpr");
    Image img;
    EXPECT_EQ(VB(PrepareVcdFiles, img.data(), img.length(), (const char*)nullptr,
                 (dir.file("image.bin") + "\r\nnever.bin\r\n").c_str()),
              1);
    EXPECT_EQ(fileSizeAt(dir.file("image.bin")), kImageBytes);
    EXPECT_FALSE(exists(dir.file("never.bin")));
    Image img2;
    EXPECT_EQ(prepare(img2, "", dir.file("image2.bin") + "\r\n"), 1);
    EXPECT_EQ(fileSizeAt(dir.file("image2.bin")), kImageBytes);
}

TEST(VcdPrepare, MalformedInputIsRefusedBeforeAnyFileIsTouched) {
    TempDir dir("vcdpr");
    const std::string a = stream("ntsc.mpg"), b = stream("pal.mpg");
    const std::string img = dir.file("image.bin"), t1 = dir.file("t1.bin"), t2 = dir.file("t2.bin");
    const std::string n256 = dir.file(std::string(256 - dir.path().size(), 'n'));
    std::string s33, t33 = img + "\r\n";
    for (int i = 1; i <= 33; ++i) {
        s33 += a + "\r\n";
        t33 += dir.file("t" + std::to_string(i) + ".bin") + "\r\n";
    }
    struct Case {
        std::string sources, targets;
        int32_t code;
        const char* what;
    };
    const Case cases[] = {
        {a + "\r\n" + b, lines({img, t1, t2}), -102, "last source line without CR LF"},
        {a + "\r\n" + b + "\n", lines({img, t1, t2}), -102, "LF without CR"},
        {a + "\r\n" + n256 + "\r\n", lines({img, t1, t2}), -102, "source name of 256 bytes"},
        {lines({a, b}), lines({img, t1}), -302, "no target line for track 2"},
        {lines({a, b}), img + "\r\n" + t1 + "\r\n" + t2, -302, "target line without CR LF"},
        {lines({a, b}), lines({img, n256, t2}), -301, "target name of 256 bytes"},
        {lines({a}), img, -300, "image line without CR LF"},
        {lines({a}), "", -300, "no image line"},
        {s33, t33, -133, "33 sources"},
    };
    for (const Case& c : cases) {
        Image image;
        EXPECT_EQ(prepare(image, c.sources, c.targets), c.code) << c.what;
        EXPECT_TRUE(image.unchanged()) << c.what;
        EXPECT_FALSE(exists(img) || exists(t1) || exists(t2)) << c.what;
    }
    Image image;
    EXPECT_EQ(VB(PrepareVcdFiles, image.data(), image.length(), lines({a}).c_str(), (const char*)nullptr), -300);
    EXPECT_EQ(VB(PrepareVcdFiles, (char*)nullptr, kImageBytes, lines({a}).c_str(), lines({img, t1}).c_str()), -300);
    Image tooShort(352883);
    EXPECT_EQ(prepare(tooShort, lines({a}), lines({img, t1})), -300);
    EXPECT_TRUE(tooShort.unchanged());
    EXPECT_EQ(VB(PrepareVcdFiles, image.data(), -1, lines({a}).c_str(), lines({img, t1}).c_str()), -300);
    EXPECT_FALSE(exists(img) || exists(t1));
    // The smallest image that holds every patched field is accepted.
    Image smallest(352884);
    EXPECT_EQ(prepare(smallest, "", lines({img})), 1);
    EXPECT_EQ(fileSizeAt(img), 352884);
}

TEST(VcdPrepare, FailuresKeepEarlierTracksAndCloseEveryFile) {
    TempDir dir("vcdpr");
    const std::string s1 = copyStream(dir, "cut.mpg", "s1.mpg");
    const std::string t1 = dir.file("t1.bin"), t2 = dir.file("t2.bin"), img = dir.file("image.bin");
    const std::string track1 = expectedTrack(bytesOf("cut.mpg"), 1);
    auto run = [&](const std::string& source2, const std::string& target2, const std::string& image, int32_t code,
                   const char* what) {
        DeleteFileA(t1.c_str());
        DeleteFileA(t2.c_str());
        Image buffer;
        EXPECT_EQ(prepare(buffer, lines({s1, source2}), lines({image, t1, target2})), code) << what;
        EXPECT_TRUE(sameBytes(TempDir::readFile(t1), track1)) << what << ": track 1 is complete";
        EXPECT_TRUE(deletable(t1)) << what;
        EXPECT_TRUE(deletable(s1)) << what;
        CopyFileA(stream("cut.mpg").c_str(), s1.c_str(), FALSE);
        if (code != 1) EXPECT_TRUE(buffer.unchanged()) << what;
    };

    run(dir.file("missing.mpg"), t2, img, -102, "source 2 missing");
    EXPECT_FALSE(exists(t2));

    const std::string es = copyStream(dir, "sequence.m1v");
    run(es, t2, img, -202, "source 2 begins with a sequence header");
    EXPECT_FALSE(exists(t2)) << "no track file for a refused source";
    EXPECT_TRUE(deletable(es));

    const std::string s2 = copyStream(dir, "ntsc.mpg", "s2.mpg");
    run(s2, dir.file("nofolder\\t2.bin"), img, -302, "track file 2 cannot be made");
    EXPECT_TRUE(deletable(s2));

    CopyFileA(stream("ntsc.mpg").c_str(), s2.c_str(), FALSE);
    {
        ScopedFile held(CreateFileA(s2.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        run(s2, t2, img, -102, "source 2 held without sharing");
    }
    {
        TempDir::writeFile(t2, "x");
        ScopedFile held(CreateFileA(t2.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        Image buffer;
        EXPECT_EQ(prepare(buffer, lines({s1, s2}), lines({img, t1, t2})), -302) << "track file 2 held";
        EXPECT_TRUE(deletable(s2));
    }
    CopyFileA(stream("ntsc.mpg").c_str(), s2.c_str(), FALSE);

    // The image file cannot be made: every track is written, the buffer is patched.
    Image buffer;
    EXPECT_EQ(prepare(buffer, lines({s1, s2}), lines({dir.file("nofolder\\image.bin"), t1, t2})), -300);
    EXPECT_TRUE(sameBytes(TempDir::readFile(t1), track1));
    EXPECT_TRUE(sameBytes(TempDir::readFile(t2), expectedTrack(bytesOf("ntsc.mpg"), 2)));
    for (const std::string& f : {t1, t2, s1, s2}) EXPECT_TRUE(deletable(f)) << f;
}

// Every output (the image file and each track file) is compared with every source and every other
// output before anything is written: by the file's identity where the file exists, by its full path
// otherwise. A collision is refused with the output's own code; no file is made, no source touched.
class VcdCollision : public ::testing::Test {
protected:
    void SetUp() override {
        s1_ = copyStream(dir_, "cut.mpg", "s1.mpg");
        s2_ = copyStream(dir_, "ntsc.mpg", "second source clip.mpg");
        ASSERT_NE(shortName(s2_), s2_);
        ASSERT_FALSE(shortName(s2_).empty());
    }
    void expectRefused(const std::string& sources, const std::string& targets, int32_t code, const std::string& what) {
        SCOPED_TRACE(what);
        Image buffer;
        EXPECT_EQ(prepare(buffer, sources, targets), code);
        EXPECT_TRUE(buffer.unchanged());
        for (const std::string& f : {img_, t1_, t2_}) EXPECT_FALSE(exists(f)) << f << " was made";
        EXPECT_TRUE(sameBytes(TempDir::readFile(s1_), bytesOf("cut.mpg"))) << "source 1 untouched";
        EXPECT_TRUE(sameBytes(TempDir::readFile(s2_), bytesOf("ntsc.mpg"))) << "source 2 untouched";
    }
    static std::string upper(std::string s) {
        CharUpperA(&s[0]);
        return s;
    }
    TempDir dir_{"vcdcol"};
    std::string s1_, s2_;
    const std::string img_ = dir_.file("image.bin"), t1_ = dir_.file("t1.bin"), t2_ = dir_.file("t2.bin");
};

TEST_F(VcdCollision, OutputsThatAreSourcesOrOneAnotherAreRefusedBeforeAnythingIsWritten) {
    const std::string both = lines({s1_, s2_});
    expectRefused(both, lines({s1_, t1_, t2_}), -300, "the image line names source 1");
    expectRefused(both, lines({shortName(s2_), t1_, t2_}), -300, "the image line names source 2 by its short name");
    expectRefused(both, lines({img_, s2_, t2_}), -301, "track file 1 is the later source 2");
    expectRefused(both, lines({img_, t1_, s2_}), -302, "track file 2 is its own source");
    expectRefused(both, lines({img_, t1_, shortName(s2_)}), -302, "... by its short name");
    expectRefused(both, lines({img_, t1_, upper(s2_)}), -302, "... in other case");
    expectRefused(both, lines({t1_, t1_, t2_}), -300, "the image line is track file 1's line");
    expectRefused(both, lines({img_, t1_, t1_}), -301, "two track lines name one file: the first is refused");
    expectRefused(both, lines({img_, t1_, dir_.file("sub\\..\\t1.bin")}), -301, "... by another path to it");

    // A track file that exists as another name (a hard link) of a source.
    const std::string linked = dir_.file("linked.bin");
    ASSERT_TRUE(CreateHardLinkA(linked.c_str(), s1_.c_str(), nullptr));
    expectRefused(both, lines({img_, linked, t2_}), -301, "track file 1 is a hard link of source 1");
    EXPECT_TRUE(deletable(linked));

    // One source may feed several tracks.
    Image buffer;
    EXPECT_EQ(prepare(buffer, lines({s1_, s1_}), lines({img_, t1_, t2_})), 1);
    EXPECT_TRUE(sameBytes(TempDir::readFile(t2_), expectedTrack(bytesOf("cut.mpg"), 2)));
}

// A file system that reports zeros for the file index (with or without a volume serial number)
// gives no identity: the check falls back to full paths, so distinct files are not taken for one.
ImportPatch* g_infoPatch;
bool g_keepSerial;
BOOL WINAPI zeroIdentity(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) {
    const BOOL ok = g_infoPatch->original<decltype(&GetFileInformationByHandle)>()(file, info);
    if (ok) {
        info->nFileIndexHigh = info->nFileIndexLow = 0;
        if (!g_keepSerial) info->dwVolumeSerialNumber = 0;
    }
    return ok;
}

TEST_F(VcdCollision, FileSystemWithoutIdentitiesFallsBackToPaths) {
    ImportPatch info(dll(), "GetFileInformationByHandle", reinterpret_cast<void*>(&zeroIdentity));
    ASSERT_TRUE(info.active()) << "the DLL reads file identities";
    g_infoPatch = &info;
    for (bool keepSerial : {false, true}) {
        SCOPED_TRACE(keepSerial ? "volume serial number kept" : "volume serial number 0");
        g_keepSerial = keepSerial;
        expectRefused(lines({s1_, s2_}), lines({img_, t1_, upper(s2_)}), -302, "track file 2 is its own source");
        expectRefused(lines({s1_, s2_}), lines({img_, t1_, t1_}), -301, "two track lines name one file");
        // Distinct files are accepted, also when the outputs exist already (a conversion run again),
        // so that every file has the same all-zero identity.
        for (int run = 1; run <= 2; ++run) {
            SCOPED_TRACE(run);
            Image buffer;
            EXPECT_EQ(prepare(buffer, lines({s1_, s2_}), lines({img_, t1_, t2_})), 1) << "distinct files are accepted";
            EXPECT_TRUE(sameBytes(TempDir::readFile(t1_), expectedTrack(bytesOf("cut.mpg"), 1)));
            EXPECT_TRUE(sameBytes(TempDir::readFile(t2_), expectedTrack(bytesOf("ntsc.mpg"), 2)));
        }
        for (const std::string& f : {img_, t1_, t2_}) EXPECT_TRUE(deletable(f)) << f;
    }
    g_infoPatch = nullptr;
}

// Other names for a file that does not exist yet cannot be compared before it is made: the outputs
// are opened first, held against other writers, and compared by identity before any data is
// written. The refused call leaves no file of its own making behind.
TEST_F(VcdCollision, OtherNamesOfAFileNotMadeYetAreRefusedBeforeAnyDataIsWritten) {
    const std::string both = lines({s1_, s2_});
    const std::string t1Long = "\\\\?\\" + t1_, t1Device = "\\\\.\\" + t1_;
    expectRefused(both, lines({img_, t1_, t1Long}), -301, "track file 2 is track file 1 through \\\\?\\");
    expectRefused(both, lines({img_, t1_, t1Device}), -301, "track file 2 is track file 1 through \\\\.\\");
    expectRefused(both, lines({t1Device, t1_, t2_}), -300, "the image is track file 1 through \\\\.\\");
    expectRefused(both, lines({img_, "\\\\?\\" + img_, t2_}), -300, "track file 1 is the image through \\\\?\\");
    // A file that exists already, other than the outputs, is kept whole when the call is refused.
    ASSERT_TRUE(TempDir::writeFile(t1_, "older track"));
    {
        Image buffer;
        EXPECT_EQ(prepare(buffer, both, lines({img_, t1_, t1Long})), -301);
        EXPECT_EQ(TempDir::readFile(t1_), "older track");
        EXPECT_FALSE(exists(img_) || exists(t2_));
    }
    EXPECT_TRUE(deletable(t1_));
}

// An output that is no disk file (here a pipe another program reads) is refused before any data goes
// into it.
TEST_F(VcdCollision, OutputsThatAreNoDiskFilesAreRefusedBeforeAnyDataIsWritten) {
    struct Reader {
        HANDLE pipe;
        DWORD bytes = 0;
        static DWORD WINAPI run(void* p) {
            auto* r = static_cast<Reader*>(p);
            if (!ConnectNamedPipe(r->pipe, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) return 0;
            char buffer[65536];
            DWORD got;
            while (ReadFile(r->pipe, buffer, sizeof buffer, &got, nullptr) && got) r->bytes += got;
            return 0;
        }
    };
    for (int role = 0; role < 2; ++role) {
        SCOPED_TRACE(role == 0 ? "track file 2" : "the image");
        const std::string name = "\\\\.\\pipe\\duvad-vcd-" + std::to_string(GetCurrentProcessId());
        Reader reader;
        reader.pipe = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 65536, 0,
                                       nullptr);
        ASSERT_NE(reader.pipe, INVALID_HANDLE_VALUE);
        ScopedHandle thread(CreateThread(nullptr, 0, &Reader::run, &reader, 0, nullptr));
        ASSERT_TRUE(WaitNamedPipeA(name.c_str(), 5000)) << "the reader does not listen";
        Image buffer;
        const std::string targets = role == 0 ? lines({img_, t1_, name}) : lines({name, t1_, t2_});
        EXPECT_EQ(prepare(buffer, lines({s1_, s2_}), targets), role == 0 ? -302 : -300);
        // The call has closed the pipe, or never opened it: then a client of our own ends the wait.
        ScopedFile client(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        client.reset();
        EXPECT_EQ(WaitForSingleObject(thread.get(), 10000), WAIT_OBJECT_0);
        CloseHandle(reader.pipe);
        EXPECT_EQ(reader.bytes, 0u) << "data went into the pipe";
        EXPECT_TRUE(buffer.unchanged());
        for (const std::string& f : {img_, t1_, t2_}) EXPECT_FALSE(exists(f)) << f << " was left behind";
    }
}

// Device names (the null device, the console, ports) are refused before anything is opened, in any
// folder and with any extension.
TEST_F(VcdCollision, DeviceNamesAreRefusedBeforeAnythingIsOpened) {
    const std::string both = lines({s1_, s2_});
    expectRefused(both, lines({img_, t1_, "NUL"}), -302, "NUL");
    expectRefused(both, lines({img_, t1_, dir_.file("nul.dat")}), -302, "nul.dat in a folder");
    expectRefused(both, lines({img_, dir_.file("CON"), t2_}), -301, "CON");
    expectRefused(both, lines({img_, t1_, dir_.file("Aux.bin")}), -302, "AUX with an extension");
    expectRefused(both, lines({dir_.file("lpt1.img"), t1_, t2_}), -300, "LPT1 as the image");
    expectRefused(both, lines({img_, "COM1:", t2_}), -301, "COM1:");
}

TEST(VcdPrepare, SourceTooLargeForTheImageIsRefusedBeforeItsTrackFile) {
    // A sparse stream whose track would have more sectors than a 32-bit data length can describe
    // ((sectors - 10) x 2048 bytes): 2097162 sectors, a 4.87 GB source.
    TempDir dir("vcdpr");
    const std::string big = dir.file("big.mpg"), t1 = dir.file("t1.bin");
    const int64_t size = 2324ll * (2097162 - 85);
    ASSERT_TRUE(TempDir::writeFile(big, bytesOf("ntsc.mpg").substr(0, 2324)));
    {
        ScopedFile f(CreateFileA(big.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        LONG high = LONG(size >> 32);
        SetFilePointer(f.get(), LONG(uint32_t(size)), &high, FILE_BEGIN);
        ASSERT_TRUE(SetEndOfFile(f.get()));
    }
    Image img;
    EXPECT_EQ(prepare(img, lines({big}), lines({dir.file("image.bin"), t1})), -101);
    EXPECT_FALSE(exists(t1));
    EXPECT_TRUE(img.unchanged());
    EXPECT_TRUE(deletable(big));
}

// The host's window procedure runs inside the conversion's pump passes.
constexpr UINT kShrinkSource = WM_APP + 11;
std::string g_shrinkPath, g_trackPath, g_analyzePath, g_trackSeen;
int32_t g_nestedSectors;

LRESULT CALLBACK hostProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != kShrinkSource) return DefWindowProcA(w, msg, wp, lp);
    g_trackSeen = TempDir::readFile(g_trackPath).substr(0, kSector + 1);
    // The host calls the library again from its handler.
    int32_t flag;
    VB(AnalyzeMpeg, g_analyzePath.c_str(), &flag, (int32_t*)nullptr, (int32_t*)nullptr, (int32_t*)nullptr,
       (int32_t*)nullptr, (int32_t*)nullptr, (int32_t*)nullptr, &g_nestedSectors);
    // Another program cuts the source short: the next read of the conversion comes short.
    ScopedFile f(CreateFileA(g_shrinkPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr));
    SetFilePointer(f.get(), LONG(10 * kPack + 5), nullptr, FILE_BEGIN);
    SetEndOfFile(f.get());
    return 0;
}

TEST(VcdPrepare, PumpRunsAfterEachSectorAndAShortReadFails) {
    TempDir dir("vcdpr");
    HWND host = makeWindow("DuVadVcdHost", hostProc, "host", 0, 0, 10, 10);
    ASSERT_NE(host, nullptr);
    g_shrinkPath = copyStream(dir, "ntsc.mpg", "s1.mpg");
    g_trackPath = dir.file("t1.bin");
    g_analyzePath = stream("pal.mpg");
    g_nestedSectors = -1;
    ASSERT_TRUE(TempDir::writeFile(g_trackPath, std::string(5000000, 'S')));
    PostMessageA(host, kShrinkSource, 0, 0);

    Image img;
    EXPECT_EQ(prepare(img, lines({g_shrinkPath}), lines({dir.file("image.bin"), g_trackPath})), -101);
    EXPECT_EQ(g_trackSeen, std::string(kSector, '\0') + "S") << "the first pass comes right after the first sector";
    EXPECT_EQ(g_nestedSectors, int32_t(fileSizeAt(g_analyzePath) / 2324 + 85));
    const std::string track = TempDir::readFile(g_trackPath);
    EXPECT_TRUE(sameBytes(track, expectedTrack(bytesOf("ntsc.mpg"), 1).substr(0, 40 * kSector)))
        << "30 empty sectors and the 10 whole packs left; the stale bytes are gone";
    EXPECT_FALSE(exists(dir.file("image.bin")));
    EXPECT_TRUE(deletable(g_trackPath) && deletable(g_shrinkPath));
    DestroyWindow(host);
}

// The user clicks "Make" again while a conversion runs: the host's handler, run by the pump between
// sectors, calls PrepareVcdFiles with other sources and the same targets. The inner call cannot
// write the outer call's open files: it reports its first track file, and the outer call's tracks
// hold its own sources only.
std::string g_outerTrack, g_innerSources, g_innerTargets;
int32_t g_innerResult;

LRESULT CALLBACK makeAgainProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_TIMER) return DefWindowProcA(w, msg, wp, lp);
    // Once the outer call is past its empty lead-in sectors, into its data.
    if (fileSizeAt(g_outerTrack) < int64_t(40 * kSector)) return 0;
    KillTimer(w, wp);
    Image inner;
    g_innerResult = prepare(inner, g_innerSources, g_innerTargets);
    return 0;
}

TEST(VcdPrepare, ACallFromTheHostsHandlerCannotWriteTheRunningCallsFiles) {
    TempDir dir("vcdre");
    HWND host = makeWindow("DuVadVcdMakeAgain", makeAgainProc, "host", 0, 0, 10, 10);
    ASSERT_NE(host, nullptr);
    // A long first track (8 x ntsc.mpg, 2680 packs), so that the click comes while it is written.
    std::string longStream;
    for (int k = 0; k < 8; ++k) longStream += bytesOf("ntsc.mpg");
    const std::string source1 = dir.file("long.mpg");
    ASSERT_TRUE(TempDir::writeFile(source1, longStream));
    const std::string img = dir.file("image.bin"), t1 = dir.file("t1.bin"), t2 = dir.file("t2.bin");
    g_outerTrack = t1;
    g_innerSources = lines({stream("pal.mpg"), stream("cut.mpg")});
    g_innerTargets = lines({img, t1, t2});
    g_innerResult = 0;
    SetTimer(host, 1, USER_TIMER_MINIMUM, nullptr);

    Image outer;
    EXPECT_EQ(prepare(outer, lines({source1, stream("ntsc.cdxa")}), lines({img, t1, t2})), 1);
    KillTimer(host, 1);
    EXPECT_EQ(g_innerResult, -301) << "the inner call was not refused its first track file (0: it never ran)";
    EXPECT_TRUE(sameBytes(TempDir::readFile(t1), expectedTrack(longStream, 1)));
    EXPECT_TRUE(sameBytes(TempDir::readFile(t2), expectedTrack(bytesOf("ntsc.cdxa"), 2)));
    EXPECT_EQ(TempDir::readFile(img), outer.bytes());
    DestroyWindow(host);
}

// Outputs the call made but did not write are removed by the paths they were made under, only while
// those paths still lead to them. A host's handler run by the pump changes the current folder (a
// file dialog does) or moves the outputs' folder away and puts the user's files in its place.
constexpr UINT kHostAction = WM_APP + 12;
std::function<void()> g_hostAction;

LRESULT CALLBACK actingProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != kHostAction) return DefWindowProcA(w, msg, wp, lp);
    if (g_hostAction) g_hostAction();
    g_hostAction = nullptr;
    return 0;
}

// The current folder as it was, whatever a test or the call did to it.
struct KeepCurrentFolder {
    KeepCurrentFolder() { GetCurrentDirectoryA(MAX_PATH, saved); }
    ~KeepCurrentFolder() { SetCurrentDirectoryA(saved); }
    char saved[MAX_PATH] = "";
};

TEST(VcdPrepare, EmptyOutputsAreRemovedWhereTheyWereMadeWhenAHandlerChangesTheFolder) {
    TempDir original("vcdcwd"), users("vcdusr");
    KeepCurrentFolder keep;
    ASSERT_TRUE(SetCurrentDirectoryA(original.path().c_str()));
    ASSERT_TRUE(TempDir::writeFile(users.file("image.bin"), "the user's image"));
    ASSERT_TRUE(TempDir::writeFile(users.file("t2.bin"), "the user's track"));
    HWND host = makeWindow("DuVadVcdActing", actingProc, "host", 0, 0, 10, 10);
    ASSERT_NE(host, nullptr);
    bool changed = false;
    g_hostAction = [&] { changed = SetCurrentDirectoryA(users.path().c_str()) != 0; };
    PostMessageA(host, kHostAction, 0, 0);

    const std::string s1 = copyStream(original, "cut.mpg", "s1.mpg");
    Image img;
    EXPECT_EQ(prepare(img, lines({s1, original.file("missing.mpg")}), lines({"image.bin", "t1.bin", "t2.bin"})), -102);
    EXPECT_TRUE(changed) << "the handler did not run during the call";
    EXPECT_EQ(TempDir::readFile(users.file("image.bin")), "the user's image");
    EXPECT_EQ(TempDir::readFile(users.file("t2.bin")), "the user's track");
    EXPECT_FALSE(exists(users.file("t1.bin")));
    EXPECT_TRUE(sameBytes(TempDir::readFile(original.file("t1.bin")), expectedTrack(bytesOf("cut.mpg"), 1)));
    EXPECT_FALSE(exists(original.file("image.bin"))) << "the call's empty image file was left";
    EXPECT_FALSE(exists(original.file("t2.bin"))) << "the call's empty track file was left";
    SetCurrentDirectoryA(keep.saved);
    DestroyWindow(host);
}

TEST(VcdPrepare, AnEmptyOutputIsKeptWhenItsPathNowLeadsToAnotherFile) {
    TempDir outer("vcdmov");
    const std::string folder = outer.file("out"), moved = outer.file("moved");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    HWND host = makeWindow("DuVadVcdActing", actingProc, "host", 0, 0, 10, 10);
    ASSERT_NE(host, nullptr);
    bool replaced = false;
    g_hostAction = [&] {
        replaced = MoveFileA(folder.c_str(), moved.c_str()) && CreateDirectoryA(folder.c_str(), nullptr) &&
                   TempDir::writeFile(folder + "\\t2.bin", "the user's track") &&
                   TempDir::writeFile(folder + "\\image.bin", "the user's image");
    };
    PostMessageA(host, kHostAction, 0, 0);

    const std::string s1 = copyStream(outer, "cut.mpg", "s1.mpg");
    Image img;
    EXPECT_EQ(prepare(img, lines({s1, outer.file("missing.mpg")}),
                      lines({folder + "\\image.bin", folder + "\\t1.bin", folder + "\\t2.bin"})),
              -102);
    ASSERT_TRUE(replaced) << "the handler could not move the folder";
    EXPECT_EQ(TempDir::readFile(folder + "\\t2.bin"), "the user's track");
    EXPECT_EQ(TempDir::readFile(folder + "\\image.bin"), "the user's image");
    EXPECT_TRUE(sameBytes(TempDir::readFile(moved + "\\t1.bin"), expectedTrack(bytesOf("cut.mpg"), 1)));
    DestroyWindow(host);
}

// The sources are read through the handles they were checked by: a handler run by the pump that
// puts another file under a later source's name does not change what that track is made of.
TEST(VcdPrepare, ASourceSwappedByAHandlerIsNotReadInItsPlace) {
    TempDir dir("vcdswp");
    const std::string s1 = copyStream(dir, "cut.mpg", "s1.mpg");
    const std::string s2 = copyStream(dir, "ntsc.cdxa", "s2.dat");
    const std::string other = copyStream(dir, "cut.mpg", "other.mpg");
    HWND host = makeWindow("DuVadVcdActing", actingProc, "host", 0, 0, 10, 10);
    ASSERT_NE(host, nullptr);
    bool ran = false, swapped = false;
    g_hostAction = [&] {
        ran = true;
        swapped = MoveFileA(s2.c_str(), dir.file("s2.old").c_str()) && CopyFileA(other.c_str(), s2.c_str(), TRUE);
    };
    PostMessageA(host, kHostAction, 0, 0);
    Image img;
    EXPECT_EQ(prepare(img, lines({s1, s2}), lines({dir.file("image.bin"), dir.file("t1.bin"), dir.file("t2.bin")})), 1);
    EXPECT_TRUE(ran) << "the handler did not run during the call";
    EXPECT_TRUE(sameBytes(TempDir::readFile(dir.file("t2.bin")), expectedTrack(bytesOf("ntsc.cdxa"), 2)))
        << (swapped ? "the file put under the source's name was read" : "the swap failed, yet the track differs");
    DestroyWindow(host);
}

TEST(VcdPrepare, AnImageNameThatIsAFolderIsRefusedBeforeAnyTrack) {
    TempDir dir("vcdfol");
    const std::string s1 = copyStream(dir, "cut.mpg", "s1.mpg"), t1 = dir.file("t1.bin"), t2 = dir.file("t2.bin");
    ASSERT_TRUE(TempDir::writeFile(t1, "an earlier track"));
    ASSERT_TRUE(CreateDirectoryA(dir.file("image.bin").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(dir.file("t3.bin").c_str(), nullptr));
    Image img;
    EXPECT_EQ(prepare(img, lines({s1}), lines({dir.file("image.bin"), t1})), -300);
    EXPECT_TRUE(img.unchanged());
    EXPECT_EQ(TempDir::readFile(t1), "an earlier track");
    // A track file name that is a folder, likewise.
    EXPECT_EQ(prepare(img, lines({s1, s1, s1}), lines({dir.file("image2.bin"), t1, t2, dir.file("t3.bin")})), -303);
    EXPECT_EQ(TempDir::readFile(t1), "an earlier track");
    EXPECT_FALSE(exists(t2) || exists(dir.file("image2.bin")));
}

// Run by the ctest entry VcdAliasDrive: drive M: of the prefix is a second name for the folder
// C:\duvad-alias, and COM9 leads to the file C:\duvad-alias-port.
TEST(VcdAliasDrive, ASecondDriveLetterAndAPortNameAreRefused) {
    char port[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("DUVAD_PORT_FILE", port, sizeof port)) GTEST_SKIP() << "needs drive M: and COM9";
    const std::string c = "C:\\duvad-alias\\", m = "M:\\";
    ASSERT_TRUE(TempDir::writeFile(c + "probe", "x"));
    ASSERT_EQ(TempDir::readFile(m + "probe"), "x") << "M: is not the folder";
    DeleteFileA((c + "probe").c_str());
    CopyFileA(stream("cut.mpg").c_str(), (c + "s1.mpg").c_str(), FALSE);
    CopyFileA(stream("ntsc.mpg").c_str(), (c + "s2.mpg").c_str(), FALSE);
    const std::string sources = lines({c + "s1.mpg", c + "s2.mpg"});
    struct Case {
        std::string targets;
        int32_t code;
        const char* what;
    };
    const Case cases[] = {
        {lines({c + "image.bin", c + "t1.bin", m + "t1.bin"}), -301, "track file 2 is track file 1 on M:"},
        {lines({m + "t2.bin", c + "t1.bin", c + "t2.bin"}), -300, "the image is track file 2 on M:"},
        {lines({c + "image.bin", m + "s2.mpg", c + "t2.bin"}), -301, "track file 1 is source 2 on M:"},
        {lines({c + "image.bin", c + "t1.bin", c + "COM9.dat"}), -302, "a port's name in a folder"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Image buffer;
        EXPECT_EQ(prepare(buffer, sources, k.targets), k.code);
        EXPECT_TRUE(buffer.unchanged());
        for (const char* f : {"image.bin", "t1.bin", "t2.bin"}) EXPECT_FALSE(exists(c + f)) << f << " was left";
        EXPECT_TRUE(sameBytes(TempDir::readFile(c + "s1.mpg"), bytesOf("cut.mpg")));
        EXPECT_TRUE(sameBytes(TempDir::readFile(c + "s2.mpg"), bytesOf("ntsc.mpg")));
        EXPECT_EQ(fileSizeAt(port), 0) << "the port was written";
    }
    for (const char* f : {"s1.mpg", "s2.mpg"}) EXPECT_TRUE(deletable(c + f));
}

// Run by the ctest entry VcdWriteLimit under `ulimit -f`: the track file outgrows the limit.
TEST(VcdWriteLimit, FailedWriteIsReportedNeverSuccess) {
    char limit[32] = "";
    if (!GetEnvironmentVariableA("DUVAD_FILE_LIMIT", limit, sizeof limit)) GTEST_SKIP() << "needs ulimit -f";
    TempDir dir("vcdlim");
    const int64_t cap = _atoi64(limit);
    const std::string s1 = copyStream(dir, "cut.mpg", "s1.mpg");   // 125 sectors: under the limit
    const std::string s2 = copyStream(dir, "ntsc.mpg", "s2.mpg");  // 420 sectors: over it
    ASSERT_LT(int64_t((93060 / kPack + 85) * kSector), cap);
    ASSERT_GT((fileSizeAt(s2) / int64_t(kPack) + 85) * int64_t(kSector), cap);
    Image img;
    SetLastError(ERROR_INVALID_PARAMETER);  // a leftover the host must not be shown as the cause
    const int32_t result = prepare(img, lines({s1, s2}),
                                   lines({dir.file("image.bin"), dir.file("t1.bin"), dir.file("t2.bin")}));
    const DWORD cause = GetLastError();
    EXPECT_EQ(result, -302);
    EXPECT_EQ(cause, DWORD(NO_ERROR)) << "a short write is no system error: the host reads the last error";
    EXPECT_EQ(TempDir::readFile(dir.file("t1.bin")), expectedTrack(bytesOf("cut.mpg"), 1));
    EXPECT_LE(fileSizeAt(dir.file("t2.bin")), cap);
    EXPECT_FALSE(exists(dir.file("image.bin")));
    EXPECT_TRUE(img.unchanged());
    EXPECT_TRUE(deletable(dir.file("t2.bin")) && deletable(s2));
}

// Run by the ctest entry VcdImageWriteLimit under `ulimit -f`: the track file fits, the image does
// not; the image's short write must be reported.
TEST(VcdImageWriteLimit, ShortWriteOfTheImageIsReported) {
    char limit[32] = "";
    if (!GetEnvironmentVariableA("DUVAD_FILE_LIMIT", limit, sizeof limit)) GTEST_SKIP() << "needs ulimit -f";
    TempDir dir("vcdilim");
    const int64_t cap = _atoi64(limit);
    const std::string s1 = copyStream(dir, "cut.mpg", "s1.mpg"), t1 = dir.file("t1.bin"), image = dir.file("image.bin");
    Image img;
    ASSERT_LT(int64_t(expectedTrack(bytesOf("cut.mpg"), 1).size()), cap);
    ASSERT_GT(int64_t(img.length()), cap);
    EXPECT_EQ(prepare(img, lines({s1}), lines({image, t1})), -300);
    EXPECT_TRUE(sameBytes(TempDir::readFile(t1), expectedTrack(bytesOf("cut.mpg"), 1)));
    EXPECT_LE(fileSizeAt(image), cap);
    EXPECT_TRUE(deletable(image) && deletable(t1));
}

// Run by the ctest entry VcdTwoFileSystems: fresh tmpfs mounts a, b and c under DUVAD_TMPFS, reached
// through drive Z: (no drive of their own, so Wine gives their files volume serial 0 and the inode
// as the index: the first file made on each has the same index).
TEST(VcdTwoFileSystems, DistinctFilesWithOneIndexAreNotOneFileButALinkIs) {
    char base[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("DUVAD_TMPFS", base, sizeof base)) GTEST_SKIP() << "needs the tmpfs mounts";
    std::string z = std::string("Z:") + base;
    for (char& c : z) c = c == '/' ? '\\' : c;
    const std::string s1 = z + "\\a\\s1.mpg", t1 = z + "\\b\\t1.bin", image = z + "\\c\\image.bin";
    ASSERT_TRUE(CopyFileA(stream("cut.mpg").c_str(), s1.c_str(), FALSE));
    auto identity = [](const std::string& path) {
        BY_HANDLE_FILE_INFORMATION info = {};
        ScopedFile f(
            CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        GetFileInformationByHandle(f.get(), &info);
        return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexLow);
    };
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run == 1 ? "outputs made by the call" : "outputs there already");
        Image img;
        EXPECT_EQ(prepare(img, lines({s1}), lines({image, t1})), 1);
        EXPECT_TRUE(sameBytes(TempDir::readFile(t1), expectedTrack(bytesOf("cut.mpg"), 1)));
        EXPECT_EQ(TempDir::readFile(image), img.bytes());
        // What made the case: one identity for the source and both outputs.
        EXPECT_EQ(identity(t1), identity(s1));
        EXPECT_EQ(identity(image), identity(s1));
        EXPECT_EQ(identity(s1).substr(0, 2), "0:");
    }
    // Where the index is the source's, size and times still tell files apart: the track file with
    // the source's bytes, index and size but written a second later; another file with the
    // source's bytes, size and times but another index.
    auto info = [](const std::string& path) {
        BY_HANDLE_FILE_INFORMATION i = {};
        ScopedFile f(
            CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        GetFileInformationByHandle(f.get(), &i);
        return i;
    };
    auto setTimes = [](const std::string& path, FILETIME created, FILETIME written) {
        ScopedFile f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        return SetFileTime(f.get(), &created, nullptr, &written) != 0;
    };
    const BY_HANDLE_FILE_INFORMATION source = info(s1);
    const std::string other = z + "\\c\\other.bin";
    for (const std::string& copy : {t1, other}) {
        SCOPED_TRACE(copy);
        ASSERT_TRUE(CopyFileA(s1.c_str(), copy.c_str(), FALSE));
        FILETIME later = source.ftLastWriteTime;
        later.dwLowDateTime += copy == t1 ? 10000000 : 0;
        ASSERT_TRUE(setTimes(copy, source.ftCreationTime, later));
        const BY_HANDLE_FILE_INFORMATION c = info(copy);
        ASSERT_EQ(c.nFileSizeLow, source.nFileSizeLow);
        ASSERT_EQ(c.ftCreationTime.dwLowDateTime == source.ftCreationTime.dwLowDateTime, copy == other);
        ASSERT_EQ(c.ftLastWriteTime.dwHighDateTime, source.ftLastWriteTime.dwHighDateTime);
        ASSERT_EQ(c.nFileIndexLow == source.nFileIndexLow, copy == t1);
        ASSERT_EQ(c.ftLastWriteTime.dwLowDateTime == source.ftLastWriteTime.dwLowDateTime, copy == other);
        Image img;
        EXPECT_EQ(prepare(img, lines({s1}), lines({image, copy})), 1);
        EXPECT_TRUE(sameBytes(TempDir::readFile(copy), expectedTrack(bytesOf("cut.mpg"), 1)));
    }
    EXPECT_TRUE(deletable(other));
    // A source not there yet that the call's own new track file is, under another name: the file
    // the call made is its source, not a file of its own beside it.
    const std::string fresh = z + "\\b\\fresh.bin";
    {
        Image img;
        EXPECT_EQ(prepare(img, lines({"\\\\?\\" + fresh}), lines({image, fresh})), -301);
        EXPECT_FALSE(exists(fresh)) << "the empty track file was left";
    }
    // A second name of the source on its own file system (serial 0 too) is still the source.
    const std::string link = z + "\\a\\link.bin";
    ASSERT_TRUE(CreateHardLinkA(link.c_str(), s1.c_str(), nullptr));
    Image img;
    EXPECT_EQ(prepare(img, lines({s1}), lines({image, link})), -301);
    EXPECT_TRUE(sameBytes(TempDir::readFile(s1), bytesOf("cut.mpg")));
    for (const std::string& f : {s1, t1, image, link}) EXPECT_TRUE(deletable(f)) << f;
}

}  // namespace
}  // namespace duvad::test::vcd
