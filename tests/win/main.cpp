// The test programs' entry. After the tests, DuVad.dll is unloaded on every run, so a fault in its
// detach path (or a thread of its left running) ends the run with a crash instead of going unseen.
// Then the process ends through TerminateProcess: Wine's own process teardown (its display and
// sound drivers' detach code) was seen, rarely, to die of a Unix signal after every test had
// passed, which ctest reports as a crash of the whole entry. With DUVAD_EXIT=normal (the
// ExitsNormally ctest entry) the process ends the ordinary way instead; the line printed after the
// unload tells a crash in Wine's teardown from one of ours.
// A run under a Windows version setting (DUVAD_WINE_VERSION, see drives_os_family.h) first checks
// that Wine applied it to this program, so that no run passes as the wrong Windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "tests/win/drives_os_family.h"

namespace {

// GetVersion as the DLL reads it, against the version the run was started for; true without one.
bool versionIsTheSetting() {
    char wanted[32] = {};
    if (!GetEnvironmentVariableA("DUVAD_WINE_VERSION", wanted, sizeof wanted)) return true;
    const DWORD v = GetVersion();
    const bool nt = !(v & 0x80000000u);
    const unsigned major = LOBYTE(LOWORD(v)), minor = HIBYTE(LOWORD(v));
    for (const duvad::test::Family& f : duvad::test::kFamilies) {
        if (std::strcmp(f.version, wanted) != 0) continue;
        if (f.nt == nt && f.major == major && f.minor == minor) return true;
        break;
    }
    std::printf("[  FAILED  ] run for DUVAD_WINE_VERSION=%s, but GetVersion says %s %u.%u\n", wanted,
                nt ? "NT" : "95/98", major, minor);
    return false;
}

// Drops the harness's reference; the module must then be gone from the process. Nothing is printed
// when no test loaded it (a test listing, whose output ctest reads).
bool unloadDuVad() {
    HMODULE module = GetModuleHandleA("DuVad.dll");
    if (!module) return true;
    const bool gone = FreeLibrary(module) && GetModuleHandleA("DuVad.dll") == nullptr;
    std::printf(gone ? "DuVad.dll unloaded\n" : "DuVad.dll is still loaded after the harness let it go\n");
    return gone;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!versionIsTheSetting()) return 1;
    int result = RUN_ALL_TESTS();
    if (!unloadDuVad()) result = 1;
    char exitMode[16] = {};
    const bool normal = GetEnvironmentVariableA("DUVAD_EXIT", exitMode, sizeof exitMode) &&
                        std::strcmp(exitMode, "normal") == 0;
    if (normal) std::printf("ending the ordinary way: a crash from here on is in Wine's own process teardown\n");
    std::fflush(stdout);
    std::fflush(stderr);
    if (normal) return result;
    TerminateProcess(GetCurrentProcess(), UINT(result));
    return result;
}
