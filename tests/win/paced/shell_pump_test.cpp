// The message pump and the pause (GoEvents, MySleep), with real windows, timers and posted messages.
#include "tests/win/harness.h"

namespace duvad::test {
namespace {

constexpr UINT kCountMe = WM_APP + 1;
constexpr UINT kPumpInside = WM_APP + 2;
constexpr UINT kHostHandler = WM_APP + 3;  // the host's handler that pumps in the middle of its work

int g_timerTicks, g_posted, g_nestedResult;
int g_postedSeenInHandler = -1;  // g_posted right after the handler's GoEvents calls

LRESULT CALLBACK countingProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER: ++g_timerTicks; return 0;
    case kCountMe: ++g_posted; return 0;
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
        KillTimer(window_, 1);
        DestroyWindow(window_);
        drain();
    }
    // Dispatches (not just drops) what is queued: an unpainted window would post WM_PAINT for ever.
    static void drain() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        g_timerTicks = g_posted = 0;
    }
    // Runs GoEvents(duration) with the timer due at the start; returns passes and elapsed time.
    int passes(int32_t duration, double* elapsed) {
        SetTimer(window_, 1, USER_TIMER_MINIMUM, nullptr);
        Sleep(30);
        g_timerTicks = 0;
        const double t0 = nowMs();
        EXPECT_EQ(VB(GoEvents, duration), 1);
        *elapsed = nowMs() - t0;
        KillTimer(window_, 1);
        int ticks = g_timerTicks;
        drain();
        return ticks;
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
        const double waited = 100.0 * (c.passes - 1);
        EXPECT_GE(elapsed, waited - 15) << c.duration;
        EXPECT_LT(elapsed, waited + 150) << c.duration;
    }
}

TEST_F(Pump, DispatchesEveryPostedMessageInOnePass) {
    for (int i = 0; i < 5; ++i) PostMessageA(window_, kCountMe, 0, 0);
    EXPECT_EQ(VB(GoEvents, 0), 1);
    EXPECT_EQ(g_posted, 5);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
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

TEST_F(Pump, MySleepPausesWithoutPumping) {
    PostMessageA(window_, kCountMe, 0, 0);
    double t0 = nowMs();
    EXPECT_EQ(VB(MySleep, 0), 1);
    EXPECT_LT(nowMs() - t0, 95) << "MySleep(0) paused";  // at once: 59 ms was seen on a busy machine
    t0 = nowMs();
    EXPECT_EQ(VB(MySleep, 250), 1);
    const double elapsed = nowMs() - t0;
    EXPECT_GE(elapsed, 240);
    EXPECT_LT(elapsed, 400);
    EXPECT_EQ(g_posted, 0);
}

}  // namespace
}  // namespace duvad::test
