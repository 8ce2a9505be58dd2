// The printer port transfer (DumpFileToPrinter), with LPT devices of the Wine prefix mapped to
// plain files.
#include <vector>

#include "tests/win/files_support.h"
#include "tests/win/harness.h"
#include "tests/win/import_patch.h"

namespace duvad::test {
namespace {

// What the port had received each time the host's window got its timer message.
struct Tick {
    double ms;
    int64_t portBytes;
};
std::vector<Tick> g_ticks;
std::string g_watched;

// When the DLL wrote each block, and how many bytes it handed over.
struct Write {
    double ms;
    DWORD bytes;
};
std::vector<Write> g_writes;
BOOL WINAPI notedWriteFile(HANDLE file, LPCVOID data, DWORD bytes, LPDWORD written, LPOVERLAPPED overlapped) {
    g_writes.push_back({nowMs(), bytes});
    return WriteFile(file, data, bytes, written, overlapped);
}

int64_t sizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return int64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

LRESULT CALLBACK watchingProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER) {
        g_ticks.push_back({nowMs(), sizeOf(g_watched)});
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

// LPT<n>: of the prefix mapped to a plain file, which receives what is written to the port.
class PrinterPort : public ::testing::Test {
protected:
    void SetUp() override {
        char prefix[MAX_PATH];
        const DWORD n = GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) GTEST_SKIP() << "mapping a port needs the Wine prefix (WINEPREFIX)";
        devices_ = std::string("\\\\?\\Z:") + prefix + "\\dosdevices\\";
        for (char& c : devices_) c = c == '/' ? '\\' : c;

        window_ = makeWindow("DuVadPortWatch", watchingProc, "port", 0, 0, 100, 100);
        ASSERT_NE(window_, nullptr) << "no display? run under Xvfb";
        drain();
    }
    void TearDown() override {
        for (int port : mapped_) DeleteFileA(device(port).c_str());
        if (window_) DestroyWindow(window_);
        drain();
    }
    static void drain() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    }
    std::string device(int port) const { return devices_ + "lpt" + std::to_string(port); }
    void map(int port) {
        ASSERT_TRUE(TempDir::writeFile(device(port), "")) << device(port);
        mapped_.push_back(port);
    }
    std::string received(int port) const { return TempDir::readFile(device(port)); }

    struct Transfer {
        int32_t result;
        double elapsed;
        std::vector<Tick> ticks;
        std::vector<Write> writes;
    };
    // Runs the transfer with a 10 ms timer on the test's window, due at the start: every pass of
    // the pump after one of its 100 ms pauses finds it due.
    Transfer send(const std::string& file, int32_t port) {
        g_watched = device(port);
        SetTimer(window_, 1, USER_TIMER_MINIMUM, nullptr);
        Sleep(30);
        g_ticks.clear();
        g_writes.clear();
        Transfer t;
        const double t0 = nowMs();
        {
            ImportPatch writes(dll(), "kernel32.dll", "WriteFile", reinterpret_cast<const void*>(&notedWriteFile));
            EXPECT_TRUE(writes.active());
            t.result = VB(DumpFileToPrinter, file.c_str(), port);
        }
        t.elapsed = nowMs() - t0;
        KillTimer(window_, 1);
        t.ticks = g_ticks;
        for (Tick& k : t.ticks) k.ms -= t0;
        t.writes = g_writes;
        for (Write& w : t.writes) w.ms -= t0;
        drain();
        return t;
    }
    // Expectations for a transfer whose port grows by `growth` (the sizes after each block): one
    // pump call per read (the blocks and the read that finds the end), each a pause of 100 ms; the
    // window's timer sees the port grow one block at a time, in the pump's passes.
    //
    // The pace is measured on the writes themselves, which a loaded machine can only push further
    // apart. The timer messages cannot measure it: a pump call's first pass comes one read and one
    // write after the previous call's last pass, and when that last pass took the 10 ms timer's
    // message just before its next due time, the first pass finds it due again. Two blocks were
    // then first seen 0.2 ms apart although they were written a pause apart.
    void expectPaced(const Transfer& t, const std::vector<int64_t>& growth) {
        const int calls = int(growth.size()) + (growth.back() == 0 ? 0 : 1);
        std::string trace = "elapsed " + std::to_string(t.elapsed) + " ms, ticks:";
        for (const Tick& k : t.ticks) trace += " " + std::to_string(int(k.ms)) + "ms/" + std::to_string(k.portBytes);
        trace += ", writes:";
        for (const Write& w : t.writes) trace += " " + std::to_string(int(w.ms)) + "ms/" + std::to_string(w.bytes);
        SCOPED_TRACE(trace);
        EXPECT_GE(t.elapsed, 100.0 * calls - 15);
        EXPECT_LT(t.elapsed, 100.0 * calls + 800) << "a loaded machine stretches the pauses, never by this much";
        EXPECT_GE(int(t.ticks.size()), calls);
        EXPECT_LE(int(t.ticks.size()), 2 * calls + 1);
        std::vector<int64_t> seen;
        for (const Tick& k : t.ticks)
            if (seen.empty() || seen.back() != k.portBytes) seen.push_back(k.portBytes);
        EXPECT_EQ(seen, growth);
        ASSERT_EQ(t.writes.size(), growth.size());
        for (size_t i = 0; i < t.writes.size(); ++i) {
            EXPECT_EQ(int64_t(t.writes[i].bytes), growth[i] - (i ? growth[i - 1] : 0)) << "block " << i;
            if (i) EXPECT_GE(t.writes[i].ms - t.writes[i - 1].ms, 100 - 15) << "block " << i << " came without a pause";
        }
    }
    TempDir dir_{"lpt"};
    std::string devices_;
    std::vector<int> mapped_;
    HWND window_ = nullptr;
};

TEST_F(PrinterPort, EmptyFilePumpsOnceAndSendsNothing) {
    map(4);
    const std::string file = dir_.file("empty.prn");
    ASSERT_TRUE(TempDir::writeFile(file, ""));
    const Transfer t = send(file, 4);
    EXPECT_EQ(t.result, 1);
    EXPECT_EQ(received(4), "");
    EXPECT_GE(t.elapsed, 85);
    EXPECT_LT(t.elapsed, 900);
    EXPECT_EQ(t.ticks.size(), 2u) << "one pump call: a pass before and one after its pause";
}

// Each test maps a port of its own: ctest runs tests in parallel processes on one prefix.
TEST_F(PrinterPort, OneFullBlockThenTheEnd) {
    map(6);
    const std::string file = dir_.file("one.prn"), bytes = patternBytes(32000);
    ASSERT_TRUE(TempDir::writeFile(file, bytes));
    const Transfer t = send(file, 6);
    EXPECT_EQ(t.result, 1);
    const std::string got = received(6);
    EXPECT_TRUE(got == bytes) << "the port received " << got.size() << " bytes, not the file's 32000";
    expectPaced(t, {32000});
}

TEST_F(PrinterPort, BlocksOf32000BytesPaced) {
    map(7);
    const std::string file = dir_.file("three.prn"), bytes = patternBytes(64001, 9);
    ASSERT_TRUE(TempDir::writeFile(file, bytes));
    const Transfer t = send(file, 7);
    EXPECT_EQ(t.result, 1);
    const std::string got = received(7);
    EXPECT_TRUE(got == bytes) << "the port received " << got.size() << " bytes, not the file's 64001";
    expectPaced(t, {32000, 64000, 64001});
    EXPECT_TRUE(isFree(file)) << "the file is closed";
    EXPECT_TRUE(isFree(device(7))) << "the port is closed";
}

TEST_F(PrinterPort, PortNumberNamesTheDevice) {
    map(2);
    map(3);
    const std::string file = dir_.file("two.prn");
    ASSERT_TRUE(TempDir::writeFile(file, "to port two"));
    EXPECT_EQ(send(file, 2).result, 1);
    EXPECT_EQ(received(2), "to port two");
    EXPECT_EQ(received(3), "");
}

TEST_F(PrinterPort, UnmappedPortGivesZeroAndClosesTheFile) {
    const std::string file = dir_.file("x.prn");
    ASSERT_TRUE(TempDir::writeFile(file, "data"));
    for (int32_t port : {9, 0, -1, 1000}) {
        ASSERT_EQ(GetFileAttributesA(device(port).c_str()), INVALID_FILE_ATTRIBUTES);
        const Transfer t = send(file, port);
        EXPECT_EQ(t.result, 0) << port;
        EXPECT_LT(t.elapsed, 95) << "no pump call (one would pause 100 ms)";
        EXPECT_TRUE(isFree(file)) << port;
    }
}

TEST_F(PrinterPort, BusyFileOrPortGivesZero) {
    map(5);
    const std::string file = dir_.file("busy.prn");
    ASSERT_TRUE(TempDir::writeFile(file, "data"));
    {
        ScopedFile reader = holdOpen(file, GENERIC_READ, FILE_SHARE_READ);
        EXPECT_EQ(send(file, 5).result, 0) << "the file is held";
        EXPECT_TRUE(isFree(device(5))) << "the port was not touched";
    }
    {
        ScopedFile port(CreateFileA("LPT5:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(port.valid());
        EXPECT_EQ(send(file, 5).result, 0) << "the port is held";
        EXPECT_TRUE(isFree(file));
    }
    EXPECT_EQ(received(5), "");
    EXPECT_EQ(VB(DumpFileToPrinter, dir_.file("missing.prn").c_str(), 5), 0);
    EXPECT_EQ(VB(DumpFileToPrinter, static_cast<const char*>(nullptr), 5), 0);
}

// LPT8: mapped to the host's /dev/full by the ctest entry PrinterPortOnFullDevice: the port
// opens, every write fails. A failed write does not stop the transfer; the last one decides.
TEST_F(PrinterPort, FailingWritesGiveZeroAfterTheWholeFile) {
    if (!ScopedFile(CreateFileA("LPT8:", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)).valid())
        GTEST_SKIP() << "LPT8: is mapped to /dev/full only by the ctest entry PrinterPortOnFullDevice";
    const std::string file = dir_.file("full.prn");
    ASSERT_TRUE(TempDir::writeFile(file, patternBytes(40000)));
    const Transfer t = send(file, 8);
    EXPECT_EQ(t.result, 0);
    EXPECT_GE(t.elapsed, 3 * 100 - 15) << "both blocks and the end were read, each followed by a pause";
    EXPECT_TRUE(isFree(file));
}

// LPT7: mapped to a file on a tmpfs of 32 KiB by the ctest entry PrinterPortShortWrites: a write
// that runs into the full volume takes fewer bytes than it is given, and that data is lost.
TEST_F(PrinterPort, ShortWritesGiveZero) {
    if (!ScopedFile(CreateFileA("LPT7:", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)).valid())
        GTEST_SKIP() << "LPT7: is mapped to a small volume only by the ctest entry PrinterPortShortWrites";
    const std::string port = device(7);  // the file on the small volume
    // Each transfer writes the port from its first byte. 32768 bytes fill the volume exactly:
    // nothing lost.
    const std::string fits = dir_.file("fits.prn"), over = dir_.file("over.prn");
    ASSERT_TRUE(TempDir::writeFile(fits, patternBytes(32768, 3)));
    EXPECT_EQ(send(fits, 7).result, 1);
    EXPECT_EQ(TempDir::readFile(port), patternBytes(32768, 3));

    // 64000 bytes: the first block goes whole, the second only in part (its write reports
    // success with 768 bytes taken), the end is read; all three reads are paced as usual.
    ASSERT_TRUE(TempDir::writeFile(over, patternBytes(64000, 5)));
    const Transfer t = send(over, 7);
    EXPECT_EQ(t.result, 0);
    EXPECT_EQ(TempDir::readFile(port), patternBytes(64000, 5).substr(0, 32768));
    EXPECT_GE(t.elapsed, 3 * 100 - 15) << "both blocks and the end were read, each followed by a pause";
    EXPECT_TRUE(isFree(over));

    // Three blocks, the second short and the third refused: 0 as well.
    ASSERT_TRUE(TempDir::writeFile(over, patternBytes(70000, 7)));
    EXPECT_EQ(send(over, 7).result, 0);
}

}  // namespace
}  // namespace duvad::test
