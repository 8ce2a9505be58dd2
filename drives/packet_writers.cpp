// FindDirectCD: is DirectCD running (a top-level window whose title holds "DIRECTCD" in any case)?
// EnablepkWR: the enable request to the companion packet-writing program's "DARUVE" window.
#include <windows.h>

#include <cstring>

#include "frame/module.h"
#include "include/DuVad.h"

namespace {

// How long EnablepkWR waits for the companion program's answer. Its window procedure normally
// answers at once, but one busy with a drive (spinning up a disc, closing a session) may take
// seconds; a program that has not answered after this long is taken as hung, so that the host's
// user interface never freezes for good. A program the system calls "not responding" (one that
// has not looked at its messages for 5 seconds) is waited for too: that is what a companion busy
// with a drive looks like, and it answers once the drive lets it go.
constexpr UINT kCompanionAnswerMs = 30000;

BOOL CALLBACK lookForDirectCd(HWND window, LPARAM) {
    char title[256] = {};
    GetWindowTextA(window, title, sizeof title);
    CharUpperA(title);
    if (std::strstr(title, "DIRECTCD")) {
        duvad::g_directCdFound = 1;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

extern "C" int32_t WINAPI FindDirectCD() {
    duvad::g_directCdFound = 0;
    EnumWindows(lookForDirectCd, 0);
    return duvad::g_directCdFound;
}

extern "C" int32_t WINAPI EnablepkWR(int32_t value) {
    HWND companion = FindWindowA("DARUVE", nullptr);
    if (!companion) return DUVAD_ENABLEPKWR_NO_ANSWER;
    // Like SendMessageA (sent messages to this thread are still handled while waiting), but a
    // window that does not answer in time gives -1. No SMTO_ABORTIFHUNG: it would give up at once
    // on the busy companion the wait is for.
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(companion, WM_USER, WPARAM(value), 0, SMTO_NORMAL, kCompanionAnswerMs, &answer))
        return DUVAD_ENABLEPKWR_NO_ANSWER;
    return int32_t(answer);
}
