// NTRestart: once as Wine takes it (accepted and ignored), once steered through stand-ins for the
// calls the DLL looks up.
#include <string>
#include <vector>

#include "tests/win/harness.h"
#include "tests/win/import_patch.h"

namespace duvad::test {
namespace {

bool shutdownPrivilegeEnabled() {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    LUID luid;
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &luid);
    BYTE buffer[4096];
    DWORD size = 0;
    bool enabled = false;
    if (GetTokenInformation(token, TokenPrivileges, buffer, sizeof buffer, &size)) {
        auto* list = reinterpret_cast<TOKEN_PRIVILEGES*>(buffer);
        for (DWORD i = 0; i < list->PrivilegeCount; ++i)
            if (list->Privileges[i].Luid.LowPart == luid.LowPart && list->Privileges[i].Luid.HighPart == luid.HighPart)
                enabled = list->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED;
    }
    CloseHandle(token);
    return enabled;
}

void enableShutdownPrivilege() {
    HANDLE token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
    TOKEN_PRIVILEGES on = {};
    on.PrivilegeCount = 1;
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &on.Privileges[0].Luid);
    on.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &on, 0, nullptr, nullptr));
    CloseHandle(token);
    ASSERT_TRUE(shutdownPrivilegeEnabled());
}

// Wine accepts the restart request and does nothing with it, so the call is safe here.
TEST(Restart, RequestsAndLeavesTheShutdownPrivilegeDisabled) {
    ASSERT_NO_FATAL_FAILURE(enableShutdownPrivilege());

    EXPECT_NE(VB(NTRestart), 0);
    EXPECT_FALSE(shutdownPrivilegeEnabled());
    EXPECT_NE(VB(NTRestart), 0);
    EXPECT_FALSE(shutdownPrivilegeEnabled());
}

// The restart steered: the DLL's lookups of OpenProcessToken, AdjustTokenPrivileges and
// InitiateSystemShutdownA find stand-ins that note every call. The token calls go on to the
// system unless the case makes them fail; the restart request never reaches it.
struct RestartSteering {
    bool openFails = false, requestFails = false, disableFails = false;
    std::vector<std::string> calls;
    HANDLE token = nullptr;
};
RestartSteering* g_restart;

bool sameLuid(const LUID& a, const LUID& b) { return a.LowPart == b.LowPart && a.HighPart == b.HighPart; }

BOOL WINAPI openStandIn(HANDLE process, DWORD access, PHANDLE token) {
    g_restart->calls.push_back("open " + std::string(process == GetCurrentProcess() ? "this process" : "other") +
                               " access " + std::to_string(access));
    if (g_restart->openFails) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const BOOL ok = OpenProcessToken(process, access, token);
    g_restart->token = ok ? *token : nullptr;
    return ok;
}

BOOL WINAPI adjustStandIn(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES state, DWORD length,
                          PTOKEN_PRIVILEGES previous, PDWORD returned) {
    LUID shutdown;
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &shutdown);
    std::string note = "adjust";
    if (token != g_restart->token) note += " other token";
    if (disableAll) note += " all disabled";
    if (previous || returned) note += " wants the previous state";
    if (!state || state->PrivilegeCount != 1 || !sameLuid(state->Privileges[0].Luid, shutdown))
        note += " not the shutdown privilege alone";
    else
        note += " attributes " + std::to_string(state->Privileges[0].Attributes);
    g_restart->calls.push_back(note);
    if (g_restart->disableFails && state && state->Privileges[0].Attributes == 0) return FALSE;
    return AdjustTokenPrivileges(token, disableAll, state, length, previous, returned);
}

BOOL WINAPI requestStandIn(LPSTR machine, LPSTR message, DWORD timeout, BOOL forceClose, BOOL reboot) {
    g_restart->calls.push_back(std::string("restart request") + (machine ? " to another machine" : "") +
                               (message ? " with a message" : "") + " timeout " + std::to_string(timeout) +
                               (forceClose ? " forced" : " not forced") + (reboot ? " restart" : " power off"));
    if (g_restart->requestFails) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

TEST(Restart, RequestArgumentsAndRefusals) {
    RestartSteering steering;
    LookupPatch calls(dll(), {{"OpenProcessToken", reinterpret_cast<void*>(&openStandIn)},
                              {"AdjustTokenPrivileges", reinterpret_cast<void*>(&adjustStandIn)},
                              {"InitiateSystemShutdownA", reinterpret_cast<void*>(&requestStandIn)}});
    ASSERT_TRUE(calls.active()) << "the DLL looks functions up";
    g_restart = &steering;

    const std::vector<std::string> wholeRun = {"open this process access 40", "adjust attributes 2",
                                               "restart request timeout 0 not forced restart", "adjust attributes 0"};
    struct Case {
        const char* name;
        bool openFails, requestFails, disableFails;
        bool succeeds;
        size_t calls;
    };
    for (const Case& c :
         {Case{"accepted", false, false, false, true, 4}, Case{"request refused", false, true, false, false, 4},
          Case{"disabling fails", false, false, true, false, 4}, Case{"no token", true, false, false, false, 1}}) {
        SCOPED_TRACE(c.name);
        enableShutdownPrivilege();
        steering.openFails = c.openFails;
        steering.requestFails = c.requestFails;
        steering.disableFails = c.disableFails;
        steering.calls.clear();
        const int32_t result = VB(NTRestart);
        if (c.succeeds)
            EXPECT_NE(result, 0);
        else
            EXPECT_EQ(result, 0);
        EXPECT_EQ(steering.calls, std::vector<std::string>(wholeRun.begin(), wholeRun.begin() + long(c.calls)));
        // After a refused request too, the privilege ends disabled.
        if (!c.openFails && !c.disableFails) EXPECT_FALSE(shutdownPrivilegeEnabled());
    }
    g_restart = nullptr;
}

// Where the system lacks a restart call (the DLL loads on Windows 95 too), nothing is asked of it
// and the result is 0.
TEST(Restart, MissingRestartCallsGiveZero) {
    RestartSteering steering;
    g_restart = &steering;
    for (const char* missing : {"OpenProcessToken", "InitiateSystemShutdownA"}) {
        SCOPED_TRACE(missing);
        LookupPatch calls(dll(), {{"OpenProcessToken", reinterpret_cast<void*>(&openStandIn)},
                                  {"AdjustTokenPrivileges", reinterpret_cast<void*>(&adjustStandIn)},
                                  {"InitiateSystemShutdownA", reinterpret_cast<void*>(&requestStandIn)},
                                  {missing, nullptr}});
        steering.calls.clear();
        EXPECT_EQ(VB(NTRestart), 0);
        EXPECT_TRUE(steering.calls.empty()) << steering.calls.front();
    }
    g_restart = nullptr;
}

}  // namespace
}  // namespace duvad::test
