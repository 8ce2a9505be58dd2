// The pump's decisions: what one pass does with the queue status, and how many passes a duration
// makes. Bits as the system defines them: QS_KEY 0x0001, QS_MOUSEMOVE 0x0002, QS_POSTMESSAGE
// 0x0008, QS_SENDMESSAGE 0x0040, QS_ALLPOSTMESSAGE 0x0100; the high word is what is queued now,
// the low word what arrived since the last query.
#include "shell/core/pump_schedule.h"

#include <gtest/gtest.h>

#include "tests/native/core_printers.h"

namespace duvad::shell {
namespace {

constexpr uint32_t now(uint32_t bits) { return bits << 16; }
constexpr uint32_t arrived(uint32_t bits) { return bits; }

TEST(PumpPass, KeyboardInputHoldsThePassWhereverItShows) {
    for (bool allPostedKnown : {true, false}) {
        EXPECT_EQ(passAction(now(0x0001), allPostedKnown), PassAction::HoldForKeyboard);
        EXPECT_EQ(passAction(arrived(0x0001), allPostedKnown), PassAction::HoldForKeyboard);
        EXPECT_EQ(passAction(now(0x0001 | 0x0008) | arrived(0x0002), allPostedKnown), PassAction::HoldForKeyboard);
    }
}

TEST(PumpPass, WhatIsQueuedNowIsDispatched) {
    for (uint32_t bits : {0x0002u, 0x0008u, 0x0040u, 0x0100u, 0x0108u})
        EXPECT_EQ(passAction(now(bits), true), PassAction::Dispatch) << std::hex << bits;
    // Only what arrived since the last query, already taken by the host: the queue is empty.
    EXPECT_EQ(passAction(arrived(0x0008 | 0x0002), true), PassAction::Nothing);
    EXPECT_EQ(passAction(0, true), PassAction::Nothing);
}

TEST(PumpPass, WithoutTheAllPostedBitEveryPassLooks) {
    // Windows 95 and NT 4 cannot say that a posted message passed over by a filtered
    // PeekMessage is still queued.
    EXPECT_FALSE(knowsAllPosted(4, 0));
    EXPECT_TRUE(knowsAllPosted(4, 10));
    EXPECT_TRUE(knowsAllPosted(5, 0));
    EXPECT_TRUE(knowsAllPosted(10, 0));
    EXPECT_EQ(passAction(0, false), PassAction::Dispatch);
    EXPECT_EQ(passAction(arrived(0x0008), false), PassAction::Dispatch);
}

TEST(PumpPass, WaitsOfAHundredMillisecondsStartedCountWhole) {
    EXPECT_EQ(waitsFor(INT32_MIN), 0);
    EXPECT_EQ(waitsFor(99), 1);
    EXPECT_EQ(waitsFor(199), 2);
    EXPECT_EQ(waitsFor(200), 2);
    EXPECT_EQ(waitsFor(INT32_MAX), 21474837);  // 2147483647 ms: 21474836 whole steps and a started one
}

}  // namespace
}  // namespace duvad::shell
