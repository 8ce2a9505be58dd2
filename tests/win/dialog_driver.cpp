#include "tests/win/dialog_driver.h"

#include <gtest/gtest.h>

namespace duvad::test {
namespace {

struct FindTop {
    const char* cls;
    HWND exclude;
    HWND found;
};

BOOL CALLBACK findTop(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<FindTop*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != GetCurrentProcessId() || w == f->exclude || !IsWindowVisible(w)) return TRUE;
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpA(cls, f->cls) != 0) return TRUE;
    f->found = w;
    return FALSE;
}

struct FindChild {
    const char* cls;
    int id;
    HWND found;
};

BOOL CALLBACK findChildCb(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<FindChild*>(lp);
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if ((f->id < 0 || GetDlgCtrlID(w) == f->id) && lstrcmpiA(cls, f->cls) == 0) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}

// Set on a script's thread: the flag that ends its waits.
thread_local volatile LONG* t_stop = nullptr;

bool stopped() { return t_stop && *t_stop; }

// The marker a settle() posts: a WM_NULL with this wParam and a sequence number as lParam. A hook on
// the window's thread notes the highest number that thread has taken from its queue.
constexpr WPARAM kMarker = 0x5E771E;
volatile LONG g_lastMarker = 0;
volatile LONG g_nextMarker = 0;
HANDLE g_markerTaken = CreateEventA(nullptr, FALSE, FALSE, nullptr);

LRESULT CALLBACK noteMarker(int code, WPARAM wp, LPARAM lp) {
    const auto* m = reinterpret_cast<const MSG*>(lp);
    if (code == HC_ACTION && m->message == WM_NULL && m->wParam == kMarker) {
        for (LONG seen = g_lastMarker; LONG(m->lParam) > seen; seen = g_lastMarker)
            if (InterlockedCompareExchange(&g_lastMarker, LONG(m->lParam), seen) == seen) break;
        SetEvent(g_markerTaken);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

// Waits on `handle`, answering messages other threads send to this one meanwhile (a script may
// send to a window of the thread that joins it).
bool waitAnswering(HANDLE handle, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        if (timeoutMs != INFINITE && waited >= timeoutMs) return false;
        const DWORD left = timeoutMs == INFINITE ? INFINITE : timeoutMs - waited;
        const DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) return false;
        MSG m;
        PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

bool settle(HWND window, DWORD timeoutMs) {
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (!thread) return false;
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, noteMarker, nullptr, thread);
    if (!hook) return false;
    const LONG mark = InterlockedIncrement(&g_nextMarker);
    bool taken = PostMessageA(window, WM_NULL, kMarker, mark);
    const DWORD start = GetTickCount();
    while (taken && g_lastMarker < mark) {
        // Short waits: the window may go away, and a script's waits end once the test has joined it.
        if (!IsWindow(window) || stopped() || GetTickCount() - start >= timeoutMs)
            taken = false;
        else
            WaitForSingleObject(g_markerTaken, 20);
    }
    UnhookWindowsHookEx(hook);
    return taken;
}

HWND waitForWindow(DWORD timeoutMs, HWND exclude, const char* cls) {
    const DWORD start = GetTickCount();
    do {
        FindTop f = {cls, exclude, nullptr};
        EnumWindows(findTop, reinterpret_cast<LPARAM>(&f));
        if (f.found) {
            // The dialog's set-up (WM_INITDIALOG, the callbacks it posts) is done once its modal
            // loop has taken everything queued before now.
            const DWORD waited = GetTickCount() - start;
            settle(f.found, timeoutMs > waited ? timeoutMs - waited : 0);
            return f.found;
        }
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs && !stopped());
    return nullptr;
}

HWND findChild(HWND dialog, const char* cls, int id) {
    FindChild f = {cls, id, nullptr};
    EnumChildWindows(dialog, findChildCb, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

void press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(findChild(dialog, "Button", id)));
}

void setText(HWND dialog, int id, const char* text) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

std::string windowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

DialogScript::DialogScript(std::function<void(HWND)> script, DWORD timeoutMs)
    : script_(std::move(script)), timeoutMs_(timeoutMs) {
    thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
}

DWORD WINAPI DialogScript::run(LPVOID p) {
    auto* self = static_cast<DialogScript*>(p);
    t_stop = &self->stop_;
    HWND dialog = waitForWindow(self->timeoutMs_);
    self->sawDialog_ = dialog != nullptr;
    if (dialog) self->script_(dialog);
    return 0;
}

void DialogScript::join() {
    if (!thread_) return;
    InterlockedExchange(&stop_, 1);
    // The script uses this object and whatever the test handed it: it must have ended before either
    // goes. One that is still busy after 30 s is a failure, and is still waited for (a real hang is
    // ended by ctest's time limit, not by freeing what it uses).
    if (!waitAnswering(thread_, 30000)) {
        ADD_FAILURE() << "the dialog script was still running 30 s after the call under test returned";
        waitAnswering(thread_, INFINITE);
    }
    CloseHandle(thread_);
    thread_ = nullptr;
}

}  // namespace duvad::test
