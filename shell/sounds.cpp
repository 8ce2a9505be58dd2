// SoundATune: the module's own sounds (WAVE resources found through the saved instance handle),
// or the loudspeaker beep where there is no wave device.
#include <windows.h>
#include <mmsystem.h>

#include "frame/module.h"
#include "include/DuVad.h"

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
