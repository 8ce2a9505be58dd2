// GetWinTempPath: the system's temporary folder, and one too long for the caller's buffer.
#include "tests/win/harness.h"

namespace duvad::test {
namespace {

TEST(TempPath, IsTheSystemsWithItsLength) {
    GuardedBuffer out(128);
    char want[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, want);
    EXPECT_EQ(VB(GetWinTempPath, out.data()), int32_t(n));
    EXPECT_EQ(out.str(), want);
    EXPECT_EQ(out.str().back(), '\\');
    EXPECT_EQ(VB(GetWinTempPath, static_cast<char*>(nullptr)), 0);
}

TEST(TempPath, TooLongForTheBufferGivesTheSizeNeeded) {
    char saved[MAX_PATH];
    const DWORD had = GetEnvironmentVariableA("TMP", saved, MAX_PATH);
    const std::string longPath = "C:\\" + std::string(150, 't') + "\\";
    SetEnvironmentVariableA("TMP", longPath.c_str());
    GuardedBuffer out(128);
    const int32_t got = VB(GetWinTempPath, out.data());
    SetEnvironmentVariableA("TMP", had ? saved : nullptr);
    EXPECT_GE(got, 154);  // the path and its terminating zero; nothing past the 128 bytes (guarded)
}

}  // namespace
}  // namespace duvad::test
