// GoEvents, MySleep, SoundATune: the message pump the long operations call between their units of
// work, a pause that pumps nothing, and the module's sounds.
#include <windows.h>
#include <mmsystem.h>

#include "frame/module.h"
#include "frame/scoped.h"
#include "include/DuVad.h"
#include "shell/core/pump_schedule.h"

static_assert(QS_KEY == duvad::pump::kKeyBit && QS_ALLPOSTMESSAGE == duvad::pump::kAllPostedBit);

namespace {

// One pass: when no keyboard input waits (or arrived since the last query), hand every queued
// message to the thread's windows. A waiting keystroke holds the whole pass back, so the host's
// own keyboard handling sees it first.
//
// GoEvents(0) runs after every sector of a track conversion, so this is kept to one queue query
// when nothing is queued: the query covers all input kinds at once, and PeekMessage is only
// entered when its answer says something is in the queue now (not merely "new since the last
// look": the host's own loop may have looked last). The query names only the input kinds the
// running Windows version knows.
void pumpOnce() {
    using namespace duvad::pump;
    const DWORD version = GetVersion();  // read from the process, no system call
    const unsigned major = LOBYTE(LOWORD(version)), minor = HIBYTE(LOWORD(version));
    const DWORD status = GetQueueStatus(allInputBits(major, minor));
    if (passAction(status, knowsAllPosted(major, minor)) != PassAction::Dispatch) return;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

extern "C" int32_t WINAPI GoEvents(int32_t duration) {
    pumpOnce();
    if (duration <= 0) return 1;  // what closing an unused pause event would have given

    // The pause is a wait on an event nothing signals: a timer that nothing can cut short.
    duvad::ScopedHandle pause(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    for (int64_t waits = duvad::pump::waitsFor(duration); waits > 0; --waits) {
        WaitForSingleObject(pause.get(), duvad::pump::kStepMs);
        pumpOnce();
    }
    return pause.valid() && CloseHandle(pause.release()) ? 1 : 0;
}

extern "C" int32_t WINAPI MySleep(int32_t milliseconds) {
    duvad::ScopedHandle pause(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    WaitForSingleObject(pause.get(), static_cast<DWORD>(milliseconds));
    return pause.valid() && CloseHandle(pause.release()) ? 1 : 0;
}

extern "C" int32_t WINAPI SoundATune(int32_t sound) {
    // Without a wave device the loudspeaker beep stands in, for stop requests as well.
    if (waveOutGetNumDevs() == 0) return MessageBeep(0xFFFFFFFF) ? 1 : 0;
    if (sound == 0) return PlaySoundA(nullptr, nullptr, 0) ? 1 : 0;
    // Asynchronous, never cutting off a sound already playing, never waiting for a busy driver.
    // No SND_NODEFAULT: a missing identifier plays the system's default sound.
    const DWORD flags = SND_RESOURCE | SND_ASYNC | SND_NOSTOP | SND_NOWAIT;
    static_assert(SND_RESOURCE == 0x40004 && (SND_RESOURCE | SND_ASYNC | SND_NOSTOP | SND_NOWAIT) == 0x42015);
    return PlaySoundA(MAKEINTRESOURCEA(LOWORD(sound)), duvad::g_instance, flags) ? 1 : 0;
}
