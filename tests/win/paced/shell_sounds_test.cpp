// SoundATune with and without a wave device.
#include "tests/win/harness.h"

#include <mmsystem.h>

namespace duvad::test {
namespace {

// Without a sound card (Wine here has no wave device unless the null ALSA device is set up)
// every call, stop requests too, is the loudspeaker beep.
TEST(SoundWithoutDevice, BeepsForEveryArgument) {
    if (waveOutGetNumDevs() != 0) GTEST_SKIP() << "a wave device is present";
    for (int32_t sound : {0, 1001, 1012, 1014, 4242, 1012 + 65536}) EXPECT_EQ(VB(SoundATune, sound), 1) << sound;
}

// Under the null ALSA device (the SoundWithWaveDevice ctest entry). The test program carries a
// 20 ms WAVE 1001 of its own: if the DLL looked its sound up through the wrong module, that one
// would have ended long before the second request, which would then start.
TEST(SoundWithDevice, PlaysTheModulesOwnSoundAndDoesNotCutItOff) {
    if (waveOutGetNumDevs() == 0) GTEST_SKIP() << "no wave device";
    ASSERT_NE(FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1001), "WAVE"), nullptr);
    EXPECT_NE(VB(SoundATune, 1001), 0);
    Sleep(300);
    EXPECT_EQ(VB(SoundATune, 1014), 0) << "the 13-second tune should still be playing";
    EXPECT_NE(VB(SoundATune, 0), 0);
    Sleep(100);
    EXPECT_NE(VB(SoundATune, 1012 + 65536), 0) << "only the low 16 bits name the sound";
    EXPECT_NE(VB(SoundATune, 0), 0);
}

}  // namespace
}  // namespace duvad::test
