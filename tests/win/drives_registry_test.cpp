// ReadRegBlock and WriteRegBlock on real keys under HKEY_CURRENT_USER (a scratch key of this
// process, deleted before and after), and NTRestart: once as Wine takes it (accepted and ignored),
// once steered through stand-ins at the DLL's imports.
#include <vector>

#include "tests/win/drives_registry.h"
#include "tests/win/harness.h"
#include "tests/win/import_patch.h"

namespace duvad::test {
namespace {

class RegBlock : public ::testing::Test {
protected:
    void SetUp() override { deleteTree(HKEY_CURRENT_USER, root_); }
    void TearDown() override {
        locks_.release();
        deleteTree(HKEY_CURRENT_USER, root_);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\DuVadTests");  // when no other process uses it
    }
    std::string key(const char* sub = "Blocks") const { return root_ + "\\" + sub; }

    std::string root_ = "Software\\DuVadTests\\Blocks" + std::to_string(GetCurrentProcessId());
    KeyLocks locks_;
};

std::vector<uint8_t> pattern(size_t n, unsigned seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = uint8_t((i * 2654435761u + seed) >> 13);
    return v;
}

TEST_F(RegBlock, RoundTripsUpToAHundredThousandBytes) {
    for (size_t n : {size_t(0), size_t(1), size_t(4), size_t(4097), size_t(99999), size_t(100000)}) {
        SCOPED_TRACE(n);
        const std::vector<uint8_t> data = pattern(n, unsigned(n));
        GuardedBuffer in(n);
        std::copy(data.begin(), data.end(), in.bytes());
        EXPECT_EQ(VB(WriteRegBlock, key().c_str(), "Block", static_cast<const void*>(in.data()), int32_t(n)), 1);
        const Stored s = stored(HKEY_CURRENT_USER, key(), "Block");
        EXPECT_EQ(s.type, DWORD(REG_BINARY));
        EXPECT_EQ(s.bytes, std::string(data.begin(), data.end()));

        GuardedBuffer out(n);
        EXPECT_EQ(VB(ReadRegBlock, key().c_str(), "Block", static_cast<void*>(out.data()), int32_t(n)), 1);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), out.bytes()));
    }
}

TEST_F(RegBlock, OneByteBeyondTheLimitIsWrittenButNotReadBack) {
    const std::vector<uint8_t> data = pattern(100001, 7);
    EXPECT_EQ(VB(WriteRegBlock, key().c_str(), "Big", static_cast<const void*>(data.data()), int32_t(data.size())), 1);
    EXPECT_EQ(stored(HKEY_CURRENT_USER, key(), "Big").bytes.size(), 100001u);
    GuardedBuffer out(100001);
    EXPECT_EQ(VB(ReadRegBlock, key().c_str(), "Big", static_cast<void*>(out.data()), int32_t(100001)), -1);
    EXPECT_TRUE(out.untouchedFrom(0));
}

TEST_F(RegBlock, OtherLengthsLeaveTheBlockUntouched) {
    const std::vector<uint8_t> data = pattern(40, 1);
    ASSERT_EQ(VB(WriteRegBlock, key().c_str(), "Forty", static_cast<const void*>(data.data()), int32_t(40)), 1);
    for (int32_t length : {39, 41, 0, 100000, -1, -40}) {
        GuardedBuffer out(64);
        EXPECT_EQ(VB(ReadRegBlock, key().c_str(), "Forty", static_cast<void*>(out.data()), length), 0) << length;
        EXPECT_TRUE(out.untouchedFrom(0)) << length;
    }
}

TEST_F(RegBlock, TextValueIsReadByItsStoredLength) {
    ASSERT_TRUE(setText(HKEY_CURRENT_USER, key(), "Text", "hello"));
    GuardedBuffer out(6);
    EXPECT_EQ(VB(ReadRegBlock, key().c_str(), "Text", static_cast<void*>(out.data()), int32_t(5)), 0);
    EXPECT_TRUE(out.untouchedFrom(0));
    EXPECT_EQ(VB(ReadRegBlock, key().c_str(), "Text", static_cast<void*>(out.data()), int32_t(6)), 1);
    EXPECT_EQ(std::string(out.data(), 6), std::string("hello", 6));
}

TEST_F(RegBlock, MissingValueFailsAndTheReadCreatesTheKey) {
    const std::string deep = key("Not\\There\\Yet");
    ASSERT_FALSE(keyExists(HKEY_CURRENT_USER, deep));
    GuardedBuffer out(8);
    EXPECT_EQ(VB(ReadRegBlock, deep.c_str(), "Nothing", static_cast<void*>(out.data()), int32_t(8)), -1);
    EXPECT_TRUE(out.untouchedFrom(0));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, deep));
}

TEST_F(RegBlock, KeysThatCannotBeOpenedOrWritten) {
    // A leading backslash makes the key path invalid, so the key can be neither opened nor created.
    const std::string bad = "\\" + key();
    const uint8_t data[4] = {1, 2, 3, 4};
    GuardedBuffer out(4);
    EXPECT_EQ(VB(WriteRegBlock, bad.c_str(), "V", static_cast<const void*>(data), int32_t(4)), -1);
    EXPECT_EQ(VB(ReadRegBlock, bad.c_str(), "V", static_cast<void*>(out.data()), int32_t(4)), -1);
    EXPECT_TRUE(out.untouchedFrom(0));

    // A key only readable: it opens, the write fails; what it held can still be read.
    ASSERT_EQ(VB(WriteRegBlock, key().c_str(), "V", static_cast<const void*>(data), int32_t(4)), 1);
    ASSERT_EQ(locks_.readOnly(HKEY_CURRENT_USER, key()), ERROR_SUCCESS);
    const uint8_t other[4] = {9, 9, 9, 9};
    EXPECT_EQ(VB(WriteRegBlock, key().c_str(), "V", static_cast<const void*>(other), int32_t(4)), -1);
    EXPECT_EQ(VB(ReadRegBlock, key().c_str(), "V", static_cast<void*>(out.data()), int32_t(4)), 1);
    EXPECT_EQ(std::string(out.data(), 4), std::string("\1\2\3\4", 4));
}

// A null subkey (vbNullString) is HKEY_CURRENT_USER itself and a null value name the key's default
// value, as for the registry; only a null block or a negative length is refused.
TEST_F(RegBlock, NullNamesMeanTheUserHiveAndTheDefaultValue) {
    const char* none = nullptr;
    const uint8_t data[4] = {1, 2, 3, 4}, other[4] = {5, 6, 7, 8};
    const std::string name = "DuVadTestBlock" + std::to_string(GetCurrentProcessId());

    for (const char* top : {none, ""}) {
        SCOPED_TRACE(top ? "empty subkey" : "null subkey");
        EXPECT_EQ(VB(WriteRegBlock, top, name.c_str(), static_cast<const void*>(data), int32_t(4)), 1);
        const Stored s = stored(HKEY_CURRENT_USER, "", name.c_str());
        EXPECT_EQ(s.type, DWORD(REG_BINARY));
        EXPECT_EQ(s.bytes, std::string("\1\2\3\4", 4)) << "stored in HKEY_CURRENT_USER itself";
        GuardedBuffer out(4);
        EXPECT_EQ(VB(ReadRegBlock, top, name.c_str(), static_cast<void*>(out.data()), int32_t(4)), 1);
        EXPECT_EQ(std::string(out.data(), 4), std::string("\1\2\3\4", 4));
        RegDeleteValueA(HKEY_CURRENT_USER, name.c_str());
    }
    // The user hive stays usable after those calls (its handle was not closed under the process).
    HKEY software;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &software), ERROR_SUCCESS);
    RegCloseKey(software);

    // Null value name: the key's default value.
    EXPECT_EQ(VB(WriteRegBlock, key().c_str(), none, static_cast<const void*>(other), int32_t(4)), 1);
    EXPECT_EQ(stored(HKEY_CURRENT_USER, key(), "").bytes, std::string("\5\6\7\x08", 4));
    GuardedBuffer out(4);
    EXPECT_EQ(VB(ReadRegBlock, key().c_str(), none, static_cast<void*>(out.data()), int32_t(4)), 1);
    EXPECT_EQ(std::string(out.data(), 4), std::string("\5\6\7\x08", 4));
    EXPECT_EQ(VB(ReadRegBlock, key().c_str(), none, static_cast<void*>(out.data()), int32_t(3)), 0);

    // What is refused: a null block (unless nothing is to be written) and a negative length.
    GuardedBuffer untouched(4);
    EXPECT_EQ(VB(WriteRegBlock, key().c_str(), "V", static_cast<const void*>(nullptr), int32_t(4)), -1);
    EXPECT_EQ(VB(WriteRegBlock, key().c_str(), "V", static_cast<const void*>(data), int32_t(-1)), -1);
    EXPECT_EQ(VB(ReadRegBlock, key().c_str(), none, static_cast<void*>(nullptr), int32_t(4)), -1);
    EXPECT_EQ(stored(HKEY_CURRENT_USER, key(), "V").bytes, "<missing>");
    EXPECT_EQ(VB(WriteRegBlock, key().c_str(), "Empty", static_cast<const void*>(nullptr), int32_t(0)), 1);
    EXPECT_EQ(stored(HKEY_CURRENT_USER, key(), "Empty").bytes, "");
}

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

// Wine accepts the restart request and does nothing with it, so the call is safe here.
TEST(Restart, RequestsAndLeavesTheShutdownPrivilegeDisabled) {
    HANDLE token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
    TOKEN_PRIVILEGES on = {};
    on.PrivilegeCount = 1;
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &on.Privileges[0].Luid);
    on.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &on, 0, nullptr, nullptr));
    CloseHandle(token);
    ASSERT_TRUE(shutdownPrivilegeEnabled());

    EXPECT_NE(VB(NTRestart), 0);
    EXPECT_FALSE(shutdownPrivilegeEnabled());
    EXPECT_NE(VB(NTRestart), 0);
    EXPECT_FALSE(shutdownPrivilegeEnabled());
}

// The restart steered: the DLL's imports of OpenProcessToken, AdjustTokenPrivileges and
// InitiateSystemShutdownA point at stand-ins that note every call. The token calls go on to the
// system unless the case makes them fail; the restart request never reaches it.
struct RestartSteering {
    bool openFails = false, requestFails = false, disableFails = false;
    std::vector<std::string> calls;
    HANDLE token = nullptr;
    ImportPatch* open = nullptr;
    ImportPatch* adjust = nullptr;
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
    const BOOL ok = g_restart->open->original<decltype(&OpenProcessToken)>()(process, access, token);
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
    return g_restart->adjust->original<decltype(&AdjustTokenPrivileges)>()(
        token, disableAll, state, length, previous, returned);
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

TEST(Restart, RequestArgumentsAndRefusals) {
    RestartSteering steering;
    ImportPatch open(dll(), "OpenProcessToken", reinterpret_cast<void*>(&openStandIn));
    ImportPatch adjust(dll(), "AdjustTokenPrivileges", reinterpret_cast<void*>(&adjustStandIn));
    ImportPatch request(dll(), "InitiateSystemShutdownA", reinterpret_cast<void*>(&requestStandIn));
    ASSERT_TRUE(open.active() && adjust.active() && request.active()) << "the DLL imports all three";
    steering.open = &open;
    steering.adjust = &adjust;
    g_restart = &steering;

    const std::vector<std::string> wholeRun = {"open this process access 40", "adjust attributes 2",
                                               "restart request timeout 0 not forced restart",
                                               "adjust attributes 0"};
    struct Case { const char* name; bool openFails, requestFails, disableFails; bool succeeds; size_t calls; };
    for (const Case& c : {Case{"accepted", false, false, false, true, 4},
                          Case{"request refused", false, true, false, false, 4},
                          Case{"disabling fails", false, false, true, false, 4},
                          Case{"no token", true, false, false, false, 1}}) {
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

}  // namespace
}  // namespace duvad::test
