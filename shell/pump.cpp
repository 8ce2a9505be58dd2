// GoEvents, MySleep: the message pump the long operations call between their units of work, and a
// pause that pumps nothing.
#include <windows.h>

#include "frame/scoped.h"
#include "include/DuVad.h"
#include "shell/core/pump_schedule.h"

// The queue bits the core names, against the platform's own names for them.
static_assert(QS_KEY == duvad::shell::kKeyBit && QS_ALLPOSTMESSAGE == duvad::shell::kAllPostedBit);
static_assert((QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_SENDMESSAGE |
               QS_HOTKEY) == duvad::shell::kClassicQueueBits);
static_assert(QS_RAWINPUT == duvad::shell::kRawInputBit);

namespace {

// The caller's last error, kept through the pump: a long operation that fails right after a pass
// (a track write that comes out short sets no error of its own) leaves the cause its caller reads
// with GetLastError, not what a queue call or a handler happened to leave.
class KeepLastError {
public:
    KeepLastError() : error_(GetLastError()) {}
    ~KeepLastError() { SetLastError(error_); }
    KeepLastError(const KeepLastError&) = delete;
    KeepLastError& operator=(const KeepLastError&) = delete;

private:
    DWORD error_;
};

// One pass: when no keyboard input waits (or arrived since the last query), hand the queued
// messages to the thread's windows. A waiting keystroke holds the whole pass back, so the host's
// own keyboard handling sees it first.
//
// GoEvents(0) runs after every sector of a track conversion, so this is kept to one queue query
// when nothing is queued: the query covers all input kinds at once, and PeekMessage is only
// entered when its answer says something is in the queue now (not merely "new since the last
// look": the host's own loop may have looked last). The query names only the input kinds the
// running Windows version knows.
//
// The pass takes the messages that were waiting when it began (passEndsAfter), so a handler that
// is always due again cannot hold the caller for ever. WM_QUIT is the host's loop's to take: the
// pass looks at each message before it takes it and ends at a WM_QUIT, which stays where it is,
// ahead of what came after it, with its window and both values; the caller's work goes on.
void pumpOnce() {
    using namespace duvad::shell;
    const DWORD version = GetVersion();  // read from the process, no system call
    const unsigned major = LOBYTE(LOWORD(version)), minor = HIBYTE(LOWORD(version));
    const DWORD status = GetQueueStatus(allInputBits(major, minor));
    if (passAction(status, knowsAllPosted(major, minor)) != PassAction::Dispatch) return;
    const DWORD start = GetTickCount();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (msg.message == WM_QUIT) return;
        // The message looked at is the first of its number now, unless a handler of a message sent
        // from another thread (run inside PeekMessage) or a hook took it meanwhile: with none of
        // that number left the pass ends (a later pass goes on). Number 0 cannot be asked for
        // alone (0 to 0 is no filter), and then, or after such a handler, a WM_QUIT may be the one
        // taken: it is posted back with its window and values, the best that can be done.
        if (!PeekMessageA(&msg, nullptr, msg.message, msg.message, PM_REMOVE)) return;
        if (msg.message == WM_QUIT) {
            if (msg.hwnd)
                PostMessageA(msg.hwnd, WM_QUIT, msg.wParam, msg.lParam);
            else
                PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, msg.wParam, msg.lParam);
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (passEndsAfter(msg.time, start, GetTickCount())) return;
    }
}

}  // namespace

extern "C" int32_t WINAPI GoEvents(int32_t duration) {
    const KeepLastError keep;
    pumpOnce();
    if (duration <= 0) return 1;  // what closing an unused pause event would have given

    // The pause is a wait on an event nothing signals: a timer that nothing can cut short.
    duvad::ScopedHandle pause(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    for (int64_t waits = duvad::shell::waitsFor(duration); waits > 0; --waits) {
        WaitForSingleObject(pause.get(), duvad::shell::kStepMs);
        pumpOnce();
    }
    return pause.valid() && CloseHandle(pause.release()) ? 1 : 0;
}

extern "C" int32_t WINAPI MySleep(int32_t milliseconds) {
    duvad::ScopedHandle pause(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    WaitForSingleObject(pause.get(), static_cast<DWORD>(milliseconds));
    return pause.valid() && CloseHandle(pause.release()) ? 1 : 0;
}
