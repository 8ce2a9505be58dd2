// FindDirectCD and EnablepkWR against top-level windows made here. Each function's cases sit in
// one test: ctest runs tests in parallel processes, and both functions see every process's
// windows, so a window of one case must not exist while another case expects none.
#include <atomic>

#include "tests/win/harness.h"

namespace duvad::test {
namespace {

std::atomic<LPARAM> g_lastLParam{-1};

// A value the companion takes longer to answer than Windows' own 5 seconds after which it calls a
// program not responding, as a program busy with a drive may.
constexpr int32_t kSlowAnswer = 5600;

// The companion program's window: answers WM_USER with its wParam plus one (after a pause for
// wParam 1000, an answer that takes its time, and for kSlowAnswer a long one).
LRESULT CALLBACK companionProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_USER) {
        g_lastLParam = lp;
        if (wp == 1000) Sleep(400);
        if (wp == WPARAM(kSlowAnswer)) Sleep(kSlowAnswer);
        return LRESULT(wp + 1);
    }
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(w, msg, wp, lp);
}

// A top-level window of `cls` owned by a thread of its own, which pumps its messages, or (for a
// hung program) never looks at them until the window is taken down. A busy program looks at none
// for `busyMs` after making its window (as one held up by a drive), then pumps as usual.
class WindowThread {
public:
    WindowThread(const char* cls, const char* title, bool answers, DWORD busyMs = 0)
        : cls_(cls), title_(title), answers_(answers), busyMs_(busyMs) {
        ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
        WaitForSingleObject(ready_, 10000);
    }
    ~WindowThread() {
        if (answers_)
            PostMessageA(window_, WM_CLOSE, 0, 0);
        else
            SetEvent(release_);
        WaitForSingleObject(thread_, 10000);
        CloseHandle(thread_);
        CloseHandle(ready_);
        CloseHandle(release_);
    }
    HWND window() const { return window_; }

private:
    static DWORD WINAPI run(void* p) {
        auto* self = static_cast<WindowThread*>(p);
        self->window_ = makeWindow(self->cls_, companionProc, self->title_, 0, 0, 200, 100);
        SetEvent(self->ready_);
        if (self->answers_) {
            if (self->busyMs_) Sleep(self->busyMs_);
            MSG m;
            while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
        } else {
            WaitForSingleObject(self->release_, INFINITE);
            DestroyWindow(self->window_);
        }
        return 0;
    }

    const char* cls_;
    const char* title_;
    bool answers_;
    DWORD busyMs_;
    HANDLE ready_, release_, thread_;
    HWND window_ = nullptr;
};

TEST(PacketWriters, EnablepkWRAsksTheCompanionWindow) {
    ASSERT_EQ(FindWindowA("DARUVE", nullptr), nullptr) << "a companion window is already there";
    EXPECT_EQ(VB(EnablepkWR, int32_t(1)), -1);
    {
        WindowThread companion("DARUVE", "", true);
        ASSERT_NE(companion.window(), nullptr);
        for (int32_t value : {41, 0, -2, INT32_MAX, 1000}) {
            g_lastLParam = -1;
            EXPECT_EQ(VB(EnablepkWR, value), int32_t(uint32_t(value) + 1)) << value;
            EXPECT_EQ(g_lastLParam, 0) << value;
        }
    }
    EXPECT_EQ(VB(EnablepkWR, int32_t(1)), -1);

    // A companion that answers late, but within the limit, is waited for.
    {
        WindowThread slow("DARUVE", "slow", true);
        ASSERT_NE(slow.window(), nullptr);
        EXPECT_EQ(VB(EnablepkWR, kSlowAnswer), kSlowAnswer + 1);
    }

    // A companion busy with a drive: it looks at no message for 6 s, longer than the 5 s after
    // which the system calls a program not responding, and then answers. Its answer is returned.
    {
        WindowThread busy("DARUVE", "busy", true, 6000);
        ASSERT_NE(busy.window(), nullptr);
        // The system takes a program as hung once it has not looked at its queue for 5 seconds.
        for (const double since = nowMs(); !IsHungAppWindow(busy.window()) && nowMs() - since < 10000;) Sleep(50);
        ASSERT_TRUE(IsHungAppWindow(busy.window())) << "the system sees the busy companion as hung";
        g_lastLParam = -1;
        EXPECT_EQ(VB(EnablepkWR, int32_t(41)), 42);
        EXPECT_EQ(g_lastLParam, 0);
    }

    // A companion that never answers: -1 once the 30 s limit has passed, not before.
    WindowThread hung("DARUVE", "never", false);
    ASSERT_NE(hung.window(), nullptr);
    const double t0 = nowMs();
    EXPECT_EQ(VB(EnablepkWR, int32_t(41)), -1);
    const double waited = nowMs() - t0;
    EXPECT_GE(waited, 29000) << "given up before the limit";
    EXPECT_LT(waited, 60000);
}

class Windows {
public:
    Windows() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "DuVadProbeTest";
        RegisterClassA(&wc);
    }
    ~Windows() {
        for (int i = count_ - 1; i >= 0; --i) DestroyWindow(made_[i]);
    }
    HWND make(const std::string& title, HWND parent = nullptr) {
        HWND w = CreateWindowExA(0, "DuVadProbeTest", title.c_str(), parent ? WS_CHILD : WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                 50, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(w, nullptr) << title;
        made_[count_++] = w;
        return w;
    }

private:
    HWND made_[16];
    int count_ = 0;
};

int32_t withWindow(const std::string& title, bool visible = false) {
    Windows w;
    HWND h = w.make(title);
    if (visible) ShowWindow(h, SW_SHOWNOACTIVATE);
    return VB(FindDirectCD);
}

TEST(PacketWriters, FindDirectCDLooksAtTheTitlesOfTopLevelWindows) {
    ASSERT_EQ(VB(FindDirectCD), 0) << "a DirectCD window is already there";
    EXPECT_EQ(withWindow("directcd"), 1);                       // hidden, lower case
    EXPECT_EQ(withWindow("Adaptec DirectCD Wizard", true), 1);  // inside a longer title
    EXPECT_EQ(withWindow("DIRECT CD"), 0);
    EXPECT_EQ(withWindow("DirectC"), 0);
    EXPECT_EQ(withWindow(std::string(247, 'x') + "DiReCtCd"), 1);  // ends at character 255
    EXPECT_EQ(withWindow(std::string(248, 'x') + "DIRECTCD"), 0);  // its last letter is the 256th
    EXPECT_EQ(VB(FindDirectCD), 0);
    {
        Windows w;
        w.make("DirectCD", w.make("parent"));  // a child window is not examined
        EXPECT_EQ(VB(FindDirectCD), 0);
    }
    {
        WindowThread other("DuVadProbeOther", "DirectCD 5.0", true);  // another thread's window
        EXPECT_EQ(VB(FindDirectCD), 1);
    }
    EXPECT_EQ(VB(FindDirectCD), 0);
}

}  // namespace
}  // namespace duvad::test
