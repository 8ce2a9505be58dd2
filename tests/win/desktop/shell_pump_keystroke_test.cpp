// The message pump while a keystroke waits: the keystroke goes through the session's keyboard
// focus and foreground window, which every dialog of the desktop tests takes as well.
#include "tests/win/harness.h"

namespace duvad::test {
namespace {

constexpr UINT kCountMe = WM_APP + 1;
int g_posted;

LRESULT CALLBACK countingProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kCountMe) {
        ++g_posted;
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

TEST(DesktopPump, AWaitingKeystrokeHoldsEveryPassBack) {
    HWND window = makeWindow("DuVadPumpKeyTest", countingProc, "pump", 0, 0, 200, 100);
    ASSERT_NE(window, nullptr) << "no display? run under Xvfb";
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    // Dispatches (not just drops) what is queued: an unpainted window would post WM_PAINT for ever.
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    g_posted = 0;

    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = 'A';
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u);
    for (int i = 0; i < 100 && !PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE); ++i) Sleep(10);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE)) << "the keystroke did not arrive";

    PostMessageA(window, kCountMe, 0, 0);
    const double t0 = nowMs();
    EXPECT_EQ(VB(GoEvents, 300), 1);
    const double elapsed = nowMs() - t0;
    EXPECT_EQ(g_posted, 0) << "a message was dispatched while a keystroke waited";
    EXPECT_GE(elapsed, 285);
    EXPECT_LT(elapsed, 450);
    EXPECT_TRUE(PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE)) << "the keystroke was taken";
    DestroyWindow(window);
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
}

}  // namespace
}  // namespace duvad::test
