// The test program's entry. After the tests, the process ends through TerminateProcess: Wine's
// own process teardown (its display and sound drivers' detach code) was seen, rarely, to die of a
// Unix signal after every test had passed, which ctest reports as a crash of the whole entry.
// Nothing of ours runs at process end that a test relies on: DuVad.dll does nothing at detach.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::fflush(stdout);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), UINT(result));
    return result;
}
