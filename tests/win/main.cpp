// The test programs' entry. After the tests, DuVad.dll is unloaded on every run, so a fault in its
// detach path (or a thread of its left running) ends the run with a crash instead of going unseen.
// Then the process ends through TerminateProcess: Wine's own process teardown (its display and
// sound drivers' detach code) was seen, rarely, to die of a Unix signal after every test had
// passed, which ctest reports as a crash of the whole entry. With DUVAD_EXIT=normal (the
// ExitsNormally ctest entry) the process ends the ordinary way instead; the line printed after the
// unload tells a crash in Wine's teardown from one of ours.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

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
