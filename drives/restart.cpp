// NTRestart: restarts the computer, with the shutdown privilege enabled for the request only.
#include <windows.h>

#include "frame/scoped.h"
#include "include/DuVad.h"

extern "C" int32_t WINAPI NTRestart() {
    duvad::ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return 0;

    TOKEN_PRIVILEGES shutdown = {};
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &shutdown.Privileges[0].Luid);
    shutdown.PrivilegeCount = 1;
    shutdown.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token.get(), FALSE, &shutdown, 0, nullptr, nullptr);

    // Restart (not power off), at once, without forcing applications to close. A refused request
    // is reported as 0, so the host does not wait for a restart that will not come.
    const bool requested = InitiateSystemShutdownA(nullptr, nullptr, 0, FALSE, TRUE) != FALSE;

    // The privilege ends disabled on both paths.
    shutdown.Privileges[0].Attributes = 0;
    const BOOL disabled = AdjustTokenPrivileges(token.get(), FALSE, &shutdown, 0, nullptr, nullptr);
    return requested ? disabled : 0;
}
