// The message pump and the pause (GoEvents, MySleep), with real windows, timers and posted messages.
#include <cstring>
#include <vector>

#include "tests/win/harness.h"
#include "tests/win/import_patch.h"
#include "tests/win/vcd_test_util.h"

namespace duvad::test {
namespace {

constexpr UINT kCountMe = WM_APP + 1;
constexpr UINT kPumpInside = WM_APP + 2;
constexpr UINT kHostHandler = WM_APP + 3;  // the host's handler that pumps in the middle of its work

constexpr UINT kQuitNow = WM_APP + 4;      // the host's main window closes: its handler posts the quit (code wp)
constexpr UINT kHostCall = WM_APP + 5;     // the host's handler that runs a long call of the library
constexpr UINT kSlowCountMe = WM_APP + 6;  // counted like kCountMe, by a handler that takes 5 ms

constexpr UINT_PTR kPassTimer = 1;   // 10 ms, counts the passes
constexpr UINT_PTR kQuitTimer = 2;   // one shot: the quit comes in the middle of a pause
constexpr UINT_PTR kSlowTimer = 3;   // 10 ms, with a handler of 15 ms
constexpr UINT_PTR kGuardTimer = 4;  // ends the host's loop when the quit never comes

int g_timerTicks, g_posted, g_nestedResult;
int g_queueQueries;          // the DLL's GetQueueStatus calls: one per pass
std::vector<DWORD> g_waits;  // the time-outs of the DLL's waits
DWORD WINAPI countedQueueStatus(UINT flags) {
    ++g_queueQueries;
    return GetQueueStatus(flags);
}
DWORD WINAPI notedWait(HANDLE handle, DWORD ms) {
    g_waits.push_back(ms);
    return WaitForSingleObject(handle, ms);
}
int g_postedSeenInHandler = -1;  // g_posted right after the handler's GoEvents calls
int g_slowTicks, g_slowLimit;    // the slow timer's handler runs; it stops itself at the limit
bool g_slowStopped;
int32_t (*g_hostCall)();  // what kHostCall runs
int32_t g_hostCallResult;
double g_hostCallMs;

LRESULT CALLBACK countingProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER:
        if (wp == kQuitTimer) {
            KillTimer(w, kQuitTimer);
            PostQuitMessage(8);
        } else if (wp == kSlowTimer) {
            Sleep(15);  // longer than the timer's period: another WM_TIMER is due when it returns
            if (++g_slowTicks >= g_slowLimit) {
                KillTimer(w, kSlowTimer);  // the test's own way out when a pump pass never ends
                g_slowStopped = true;
            }
        } else {
            ++g_timerTicks;
        }
        return 0;
    case kCountMe: ++g_posted; return 0;
    case kSlowCountMe:
        Sleep(5);
        ++g_posted;
        return 0;
    case kQuitNow: PostQuitMessage(int(wp)); return 0;
    case kHostCall: {
        const double t0 = nowMs();
        g_hostCallResult = g_hostCall();
        g_hostCallMs = nowMs() - t0;
        return 0;
    }
    case kPumpInside: g_nestedResult = VB(GoEvents, 0); return 0;
    case kHostHandler:
        g_nestedResult = VB(GoEvents, int32_t(wp));
        g_postedSeenInHandler = g_posted;
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

// A window of the test thread with a 10 ms timer: each pass of the pump that follows a wait
// finds exactly one WM_TIMER due, so the ticks count the passes.
class Pump : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = makeWindow("DuVadPumpTest", countingProc, "pump", 0, 0, 200, 100);
        ASSERT_NE(window_, nullptr) << "no display? run under Xvfb";
        drain();
    }
    void TearDown() override {
        for (UINT_PTR id : {kPassTimer, kQuitTimer, kSlowTimer, kGuardTimer}) KillTimer(window_, id);
        DestroyWindow(window_);
        drain();
    }
    // Dispatches (not just drops) what is queued: an unpainted window would post WM_PAINT for ever.
    static void drain() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        g_timerTicks = g_posted = 0;
    }
    // Runs GoEvents(duration) with the timer due at the start; returns its passes (queue queries)
    // and the elapsed time. The passes and waits are counted at the DLL's own calls: on a loaded
    // machine a pass can meet the 10 ms timer twice, so the timer's ticks only show that every
    // pass hands messages over. Load only lengthens the elapsed time; its upper end is not checked.
    int passes(int32_t duration, double* elapsed) {
        ImportPatch queries(dll(), "user32.dll", "GetQueueStatus", reinterpret_cast<const void*>(&countedQueueStatus));
        ImportPatch waits(dll(), "kernel32.dll", "WaitForSingleObject", reinterpret_cast<const void*>(&notedWait));
        EXPECT_TRUE(queries.active() && waits.active());
        SetTimer(window_, kPassTimer, USER_TIMER_MINIMUM, nullptr);
        Sleep(30);
        g_timerTicks = g_queueQueries = 0;
        g_waits.clear();
        const double t0 = nowMs();
        EXPECT_EQ(VB(GoEvents, duration), 1);
        *elapsed = nowMs() - t0;
        KillTimer(window_, kPassTimer);
        const int ticks = g_timerTicks, passes = g_queueQueries;
        EXPECT_GE(ticks, passes) << "a pass handed nothing over";
        EXPECT_EQ(g_waits, std::vector<DWORD>(size_t(passes > 0 ? passes - 1 : 0), 100))
            << "one 100 ms wait between passes";
        EXPECT_GE(*elapsed, 100.0 * (passes - 1) - 15);
        drain();
        return passes;
    }
    // The host's own message loop, GetMessage to WM_QUIT, after `call` was started from a handler
    // (posted first, so the loop's first message runs it). True and the quit's code when the loop
    // ended by WM_QUIT; false when it waited 3 s in vain.
    bool hostLoopEndsByQuit(int32_t (*call)(), WPARAM* code) {
        g_hostCall = call;
        g_hostCallResult = -999;
        PostMessageA(window_, kHostCall, 0, 0);
        SetTimer(window_, kGuardTimer, 3000, nullptr);
        MSG m;
        BOOL got;
        while ((got = GetMessageA(&m, nullptr, 0, 0)) > 0) {
            if (m.message == WM_TIMER && m.wParam == kGuardTimer) break;
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        KillTimer(window_, kGuardTimer);
        *code = m.wParam;
        return got == 0;
    }
    HWND window_ = nullptr;
};

TEST_F(Pump, PassesAndWaitsFollowTheDuration) {
    struct Case {
        int32_t duration;
        int passes;
    };
    for (Case c : {Case{0, 1}, Case{-5, 1}, Case{1, 2}, Case{100, 2}, Case{101, 3}, Case{300, 4}}) {
        double elapsed = 0;
        EXPECT_EQ(passes(c.duration, &elapsed), c.passes) << "GoEvents(" << c.duration << ")";
    }
}

TEST_F(Pump, DispatchesEveryPostedMessageInOnePass) {
    for (int i = 0; i < 5; ++i) PostMessageA(window_, kCountMe, 0, 0);
    EXPECT_EQ(VB(GoEvents, 0), 1);
    EXPECT_EQ(g_posted, 5);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
}

// The bound of a pass does not cut short what was waiting when it began, slow handlers included.
TEST_F(Pump, APassHandsOverEverythingThatWasWaiting) {
    for (int i = 0; i < 5; ++i) PostMessageA(window_, kSlowCountMe, 0, 0);
    PostMessageA(window_, kCountMe, 0, 0);
    EXPECT_EQ(VB(GoEvents, 0), 1);
    EXPECT_EQ(g_posted, 6);
}

TEST_F(Pump, ReentersFromAHandler) {
    g_nestedResult = 0;
    PostMessageA(window_, kPumpInside, 0, 0);
    PostMessageA(window_, kCountMe, 0, 0);
    EXPECT_EQ(VB(GoEvents, 0), 1);
    EXPECT_EQ(g_nestedResult, 1);
    EXPECT_EQ(g_posted, 1);
}

// The host's own loop takes message A with GetMessage and A's handler pumps: B, posted right after
// A, is in the queue although nothing new arrived since GetMessage looked, and must be handed over
// inside the handler, not after it returns.
TEST_F(Pump, TheHostsHandlerPumpsWhatItsOwnLoopLeftQueued) {
    for (int32_t duration : {0, 100}) {
        SCOPED_TRACE(duration);
        g_postedSeenInHandler = -1;
        PostMessageA(window_, kHostHandler, WPARAM(duration), 0);
        PostMessageA(window_, kCountMe, 0, 0);
        MSG m;
        ASSERT_GT(GetMessageA(&m, nullptr, 0, 0), 0);
        ASSERT_EQ(m.message, kHostHandler);
        DispatchMessageA(&m);
        EXPECT_EQ(g_nestedResult, 1);
        EXPECT_EQ(g_postedSeenInHandler, 1) << "B waited until A's handler returned";
        drain();
    }
}

// Whatever looked at the queue before the pass (the host's loop or a control's code), every
// message still in it is dispatched: the look may clear the "new since the last look" state, and a
// filtered PeekMessage the "posted message queued" one, but not the messages.
TEST_F(Pump, EveryQueuedMessageIsDispatchedWhateverLookedFirst) {
    struct Look {
        const char* what;
        void (*look)();
    };
    const Look looks[] = {
        {"PeekMessage PM_NOREMOVE",
         [] {
             MSG m;
             PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
         }},
        {"GetQueueStatus", [] { GetQueueStatus(QS_ALLINPUT); }},
        {"GetQueueStatus twice",
         [] {
             GetQueueStatus(QS_ALLINPUT);
             GetQueueStatus(QS_ALLINPUT);
         }},
        {"PeekMessage filtered to WM_TIMER",
         [] {
             MSG m;
             PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE);
         }},
        {"PeekMessage filtered, taking another message",
         [] {
             MSG m;
             PeekMessageA(&m, nullptr, WM_USER + 7, WM_USER + 7, PM_REMOVE);
         }},
    };
    for (const Look& look : looks) {
        SCOPED_TRACE(look.what);
        PostMessageA(window_, WM_USER + 7, 0, 0);  // only the last look takes this one
        PostMessageA(window_, kCountMe, 0, 0);
        PostMessageA(window_, kCountMe, 0, 0);
        look.look();
        EXPECT_EQ(VB(GoEvents, 0), 1);
        EXPECT_EQ(g_posted, 2);
        MSG m;
        EXPECT_FALSE(PeekMessageA(&m, nullptr, kCountMe, kCountMe, PM_NOREMOVE)) << "left in the queue";
        drain();
    }
}

// The same pump under each Windows version Wine can report (the OsFamily_* ctest entries run
// copies of this program under other names): the queue query must name only input kinds the
// version knows, or nothing would ever be dispatched.
class OsFamilyPump : public Pump {};

TEST_F(OsFamilyPump, DispatchesAndPausesOnEveryVersion) {
    for (int i = 0; i < 3; ++i) PostMessageA(window_, kCountMe, 0, 0);
    EXPECT_EQ(VB(GoEvents, 0), 1);
    EXPECT_EQ(g_posted, 3);
    // A posted message that a filtered look passed over (the versions without a query bit for it
    // look into the queue on every pass).
    PostMessageA(window_, kCountMe, 0, 0);
    MSG m;
    PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE);
    EXPECT_EQ(VB(GoEvents, 0), 1);
    EXPECT_EQ(g_posted, 4);
    double elapsed = 0;
    EXPECT_EQ(passes(101, &elapsed), 3);
}

// The host's main window closes while the library pumps: the quit message its handler posts must
// still reach the host's own loop, and the long operation goes on to its end.
TEST_F(Pump, AQuitMessageTakenByAPassReachesTheHostsLoop) {
    WPARAM code = 0;
    // Closed by a message queued ahead of the quit's pass; a message posted before the quit is still
    // handed over.
    PostMessageA(window_, kQuitNow, 7, 0);
    PostMessageA(window_, kCountMe, 0, 0);
    EXPECT_TRUE(hostLoopEndsByQuit([] { return VB(GoEvents, 0); }, &code)) << "GoEvents(0) swallowed WM_QUIT";
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(g_hostCallResult, 1);
    EXPECT_EQ(g_posted, 1);
    drain();

    // Closed in the middle of a pause: the pause goes on for its whole duration.
    SetTimer(window_, kQuitTimer, 150, nullptr);
    EXPECT_TRUE(hostLoopEndsByQuit([] { return VB(GoEvents, 300); }, &code)) << "GoEvents(300) swallowed WM_QUIT";
    EXPECT_EQ(code, 8u);
    EXPECT_EQ(g_hostCallResult, 1);
    EXPECT_GE(g_hostCallMs, 285) << "the pause ended early";
    drain();

    // Closed during a track conversion: every track and the image are still made.
    TempDir dir("pumpq");
    static std::string sources, targets;
    sources = vcd::lines({vcd::stream("cut.mpg")});
    targets = vcd::lines({dir.file("image.bin"), dir.file("t1.bin")});
    PostMessageA(window_, kQuitNow, 9, 0);
    EXPECT_TRUE(hostLoopEndsByQuit(
        [] {
            static std::string image;
            image = vcd::bytesOf("image300.bin");
            return VB(PrepareVcdFiles, &image[0], int32_t(image.size()), sources.c_str(), targets.c_str());
        },
        &code))
        << "PrepareVcdFiles swallowed WM_QUIT";
    EXPECT_EQ(code, 9u);
    EXPECT_EQ(g_hostCallResult, 1);
    EXPECT_TRUE(vcd::sameBytes(TempDir::readFile(dir.file("t1.bin")), vcd::expectedTrack(vcd::bytesOf("cut.mpg"), 1)));
    EXPECT_EQ(vcd::fileSizeAt(dir.file("image.bin")), vcd::kImageBytes);
}

// A WM_QUIT posted with values, to a window or to the thread, stays where it is in the host's queue:
// the host's loop takes it before what was posted after it, with its window, wParam and lParam. A
// message posted ahead of it is still handed over; what follows it waits, in every pass.
TEST_F(Pump, AQuitMessageKeepsItsPlaceItsWindowAndItsValues) {
    constexpr UINT kAfter = WM_APP + 9;
    for (int32_t duration : {0, 100}) {
        for (bool toWindow : {true, false}) {
            SCOPED_TRACE(std::string(toWindow ? "to the window" : "to the thread") + ", GoEvents(" +
                         std::to_string(duration) + ")");
            PostMessageA(window_, kCountMe, 0, 0);
            if (toWindow)
                PostMessageA(window_, WM_QUIT, 5, 1234);
            else
                PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 6, 4321);
            PostMessageA(window_, kAfter, 7, 77);
            EXPECT_EQ(VB(GoEvents, duration), 1);
            EXPECT_EQ(g_posted, 1);
            MSG m;
            ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
            EXPECT_EQ(m.message, UINT(WM_QUIT));
            EXPECT_EQ(m.hwnd, toWindow ? window_ : nullptr);
            EXPECT_EQ(m.wParam, toWindow ? 5u : 6u);
            EXPECT_EQ(m.lParam, toWindow ? 1234 : 4321);
            ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
            EXPECT_EQ(m.message, kAfter);
            EXPECT_EQ(m.wParam, 7u);
            EXPECT_EQ(m.lParam, 77);
            drain();
        }
    }
}

// The handles this process holds, or -1 when the system cannot tell. GetProcessHandleCount
// (Windows XP SP1 and later) answers 0 under Wine 8, so the system's handle table is read then.
int handleCount() {
    using HandleCount = BOOL(WINAPI*)(HANDLE, PDWORD);
    const auto count = reinterpret_cast<HandleCount>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetProcessHandleCount")));
    DWORD n = 0;
    if (count && count(GetCurrentProcess(), &n) && n > 0) return int(n);
    using QuerySystem = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QuerySystem>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    struct Entry {  // SYSTEM_HANDLE_TABLE_ENTRY_INFO, 32-bit
        ULONG process;
        UCHAR type, attributes;
        USHORT value;
        PVOID object;
        ACCESS_MASK access;
    };
    constexpr ULONG kSystemHandleInformation = 16;
    std::vector<BYTE> table(1 << 20);
    for (;;) {
        ULONG needed = 0;
        const LONG status = query(kSystemHandleInformation, table.data(), ULONG(table.size()), &needed);
        if (status == LONG(0xC0000004)) {  // STATUS_INFO_LENGTH_MISMATCH
            table.resize(table.size() * 2);
            continue;
        }
        if (status != 0) return -1;
        break;
    }
    ULONG entries = 0;
    memcpy(&entries, table.data(), sizeof entries);
    int mine = 0;
    for (ULONG i = 0; i < entries; ++i) {
        Entry e;
        memcpy(&e, table.data() + sizeof(ULONG_PTR) + i * sizeof e, sizeof e);
        if (e.process == GetCurrentProcessId()) ++mine;
    }
    return mine;
}

// The message a pass looked at can be gone when it takes it (a hook or a handler of a message sent
// from another thread took it); for message number 0, which cannot be asked for alone, the pass
// then takes whatever is first, which may be a WM_QUIT. Such a quit is posted back with its window
// and values, never dropped. Here a hook takes the WM_NULL the pass has just looked at.
HHOOK g_hook;
bool g_hookTookHead;
LRESULT CALLBACK takeTheNullLookedAt(int code, WPARAM how, LPARAM lp) {
    const MSG* looked = reinterpret_cast<const MSG*>(lp);
    if (code == HC_ACTION && how == PM_NOREMOVE && looked->message == WM_NULL && !g_hookTookHead) {
        g_hookTookHead = true;
        MSG taken;
        PeekMessageA(&taken, nullptr, 0, 0, PM_REMOVE);
    }
    return CallNextHookEx(g_hook, code, how, lp);
}

TEST_F(Pump, AQuitTakenInPlaceOfAMessageThatWentIsPostedBack) {
    for (bool toWindow : {true, false}) {
        SCOPED_TRACE(toWindow ? "to the window" : "to the thread");
        PostMessageA(window_, WM_NULL, 0, 0);
        if (toWindow)
            PostMessageA(window_, WM_QUIT, 5, 1234);
        else
            PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 6, 4321);
        g_hookTookHead = false;
        g_hook = SetWindowsHookExA(WH_GETMESSAGE, takeTheNullLookedAt, nullptr, GetCurrentThreadId());
        ASSERT_NE(g_hook, nullptr);
        EXPECT_EQ(VB(GoEvents, 0), 1);
        UnhookWindowsHookEx(g_hook);
        EXPECT_TRUE(g_hookTookHead);
        MSG m;
        ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "the quit was dropped";
        EXPECT_EQ(m.message, UINT(WM_QUIT));
        EXPECT_EQ(m.hwnd, toWindow ? window_ : nullptr);
        EXPECT_EQ(m.wParam, toWindow ? 5u : 6u);
        EXPECT_EQ(m.lParam, toWindow ? 1234 : 4321);
        drain();
    }
}

// The pump leaves the caller's last error as it was, whatever its queue calls and the handlers set:
// a long operation that fails right after a pass (a short track write sets none of its own) must
// leave its caller the cause of the failure.
TEST_F(Pump, TheCallersLastErrorIsKept) {
    for (int32_t duration : {0, 100}) {
        SCOPED_TRACE(duration);
        PostMessageA(window_, kCountMe, 0, 0);
        PostThreadMessageA(GetCurrentThreadId(), WM_APP + 11, 0, 0);  // a message to no window
        // Called straight, not through VB(): the harness's checks after a call touch the last error.
        const auto goEvents = DUV_PROC(GoEvents);
        ASSERT_NE(goEvents, nullptr);
        SetLastError(12345);
        const int32_t result = goEvents(duration);
        const DWORD error = GetLastError();
        EXPECT_EQ(result, 1);
        EXPECT_EQ(error, 12345u);
        EXPECT_EQ(g_posted, 1);
        drain();
    }
}

// Every pause event is closed: many calls of GoEvents with a pause and of MySleep leave the
// process's handle count as it was (a pause that kept its event would add one handle per call).
TEST_F(Pump, PausesLeaveNoHandleBehind) {
    const int start = handleCount();
    ASSERT_GT(start, 0) << "the system does not tell this process's handle count";
    for (int i = 0; i < 200; ++i) ASSERT_EQ(VB(MySleep, 0), 1);
    const int afterSleeps = handleCount();
    EXPECT_LT(afterSleeps, start + 20) << "MySleep: " << start << " handles before 200 calls";
    for (int i = 0; i < 30; ++i) ASSERT_EQ(VB(GoEvents, 1), 1);
    EXPECT_LT(handleCount(), afterSleeps + 15) << "GoEvents(1): " << afterSleeps << " handles before 30 calls";
}

// A 10 ms timer whose handler takes 15 ms always has a WM_TIMER due. A pass takes what was waiting
// when it began, so the caller goes on: a pause ends on time, a conversion goes sector by sector.
TEST_F(Pump, ATimerThatOutlastsItsPeriodCannotHoldAPass) {
    auto start = [&](int limit) {
        g_slowTicks = 0;
        g_slowLimit = limit;
        g_slowStopped = false;
        SetTimer(window_, kSlowTimer, USER_TIMER_MINIMUM, nullptr);
        Sleep(30);
    };
    // A pass ends by itself at its time limit (250 ms, 17 runs of the handler) at the latest.
    constexpr int kMostPerPass = 250 / 15 + 1;
    for (int32_t duration : {0, 300}) {
        SCOPED_TRACE(duration);
        start(100);
        const double t0 = nowMs();
        EXPECT_EQ(VB(GoEvents, duration), 1);
        const double elapsed = nowMs() - t0;
        KillTimer(window_, kSlowTimer);
        EXPECT_FALSE(g_slowStopped) << "a pass ran until the test stopped the timer";
        EXPECT_LE(g_slowTicks, kMostPerPass * (1 + duration / 100)) << "more than one pass's worth per pass";
        EXPECT_GE(g_slowTicks, 1) << "the timer was not handed over at all";
        EXPECT_LT(elapsed, duration + 1000.0);
        drain();
    }

    // A conversion of 85 sectors (a stream shorter than one pack), a pass after each.
    TempDir dir("pumpt");
    const std::string source = dir.file("short.mpg"), track = dir.file("t1.bin");
    ASSERT_TRUE(TempDir::writeFile(source, vcd::bytesOf("ntsc.mpg").substr(0, 1000)));
    std::string image = vcd::bytesOf("image300.bin");
    start(600);
    const int32_t result = VB(PrepareVcdFiles, &image[0], int32_t(image.size()), vcd::lines({source}).c_str(),
                              vcd::lines({dir.file("image.bin"), track}).c_str());
    KillTimer(window_, kSlowTimer);
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(g_slowStopped) << "a pass ran until the test stopped the timer";
    EXPECT_LE(g_slowTicks, 85 * kMostPerPass);
    EXPECT_EQ(vcd::fileSizeAt(track), 85 * int64_t(vcd::kSector));
}

// The pause is one wait of the given time-out, seen at the DLL's own call (how long MySleep(0)
// takes is the machine's load: 112 ms was seen at a load average of 13); the wait is not cut short.
TEST_F(Pump, MySleepPausesWithoutPumping) {
    ImportPatch waits(dll(), "kernel32.dll", "WaitForSingleObject", reinterpret_cast<const void*>(&notedWait));
    ASSERT_TRUE(waits.active());
    PostMessageA(window_, kCountMe, 0, 0);
    g_waits.clear();
    EXPECT_EQ(VB(MySleep, 0), 1);
    EXPECT_EQ(g_waits, std::vector<DWORD>{0}) << "MySleep(0) paused";
    g_waits.clear();
    const double t0 = nowMs();
    EXPECT_EQ(VB(MySleep, 250), 1);
    EXPECT_GE(nowMs() - t0, 240);
    EXPECT_EQ(g_waits, std::vector<DWORD>{250});
    EXPECT_EQ(g_posted, 0);
}

}  // namespace
}  // namespace duvad::test
