// NTRestart: restarts the computer, with the shutdown privilege enabled for the request only.
#include <windows.h>

#include "frame/scoped.h"
#include "include/DuVad.h"

namespace {

// The token and restart calls are NT's. They are looked up when NTRestart runs, not imported: a
// DLL whose import is missing does not load at all, and Windows 95's advapi32 is not known to
// export every one of them. Where one is missing, no restart is requested (0).
struct RestartCalls {
    decltype(&OpenProcessToken) openToken = nullptr;
    decltype(&LookupPrivilegeValueA) lookUpPrivilege = nullptr;
    decltype(&AdjustTokenPrivileges) adjustPrivileges = nullptr;
    decltype(&InitiateSystemShutdownA) requestRestart = nullptr;

    bool found() {
        const HMODULE advapi = GetModuleHandleA("advapi32.dll");  // loaded: the registry calls import it
        if (!advapi) return false;
        lookUp(advapi, "OpenProcessToken", openToken);
        lookUp(advapi, "LookupPrivilegeValueA", lookUpPrivilege);
        lookUp(advapi, "AdjustTokenPrivileges", adjustPrivileges);
        lookUp(advapi, "InitiateSystemShutdownA", requestRestart);
        return openToken && lookUpPrivilege && adjustPrivileges && requestRestart;
    }

private:
    template <typename F>
    static void lookUp(HMODULE module, const char* name, F& into) {
        into = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
};

}  // namespace

extern "C" int32_t WINAPI NTRestart() {
    RestartCalls call;
    if (!call.found()) return 0;
    duvad::ScopedHandle token;
    if (!call.openToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return 0;

    TOKEN_PRIVILEGES shutdown = {};
    call.lookUpPrivilege(nullptr, "SeShutdownPrivilege", &shutdown.Privileges[0].Luid);
    shutdown.PrivilegeCount = 1;
    shutdown.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    call.adjustPrivileges(token.get(), FALSE, &shutdown, 0, nullptr, nullptr);

    // Restart (not power off), at once, without forcing applications to close. A refused request
    // is reported as 0, so the host does not wait for a restart that will not come.
    const bool requested = call.requestRestart(nullptr, nullptr, 0, FALSE, TRUE) != FALSE;

    // The privilege ends disabled on both paths.
    shutdown.Privileges[0].Attributes = 0;
    const BOOL disabled = call.adjustPrivileges(token.get(), FALSE, &shutdown, 0, nullptr, nullptr);
    return requested ? disabled : 0;
}
