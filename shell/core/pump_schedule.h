// The pump's timing rule, apart from the platform: a call of GoEvents(duration) makes one pass
// over the queue, then waits a 100 ms step and passes again until the duration is used up.
#pragma once
#include <cstdint>

namespace duvad::shell {

constexpr int32_t kStepMs = 100;

// Number of 100 ms waits for a duration: ceil(duration / 100), none for 0 or less.
// (The count of passes is one more.) Exact for every 32-bit input, INT32_MAX included.
constexpr int64_t waitsFor(int32_t duration) { return duration <= 0 ? 0 : (int64_t(duration) + kStepMs - 1) / kStepMs; }

// Queue-status bits that ask for every kind of queued input on a Windows version. Windows 98 and
// 2000 added "some posted message is queued" (QS_ALLPOSTMESSAGE), Windows XP raw input and
// Windows 8 touch and pointer input; older versions refuse a query that names bits they do not
// know, which would leave the pump believing nothing is ever queued.
constexpr uint32_t kClassicQueueBits = 0x00FF;  // key, mouse, posted, timer, paint, sent, hot key
constexpr uint32_t kKeyBit = 0x0001;
constexpr uint32_t kAllPostedBit = 0x0100;
constexpr uint32_t kRawInputBit = 0x0400;
constexpr uint32_t kTouchAndPointerBits = 0x1800;

// Windows 98 is 4.10, Windows 2000 5.0; Windows 95 and NT 4 are both 4.0.
constexpr bool knowsAllPosted(unsigned major, unsigned minor) { return (major << 8 | minor) >= 0x040A; }

constexpr uint32_t allInputBits(unsigned major, unsigned minor) {
    const unsigned version = major << 8 | minor;
    return kClassicQueueBits | (knowsAllPosted(major, minor) ? kAllPostedBit : 0) |
           (version >= 0x0501 ? kRawInputBit : 0) | (version >= 0x0602 ? kTouchAndPointerBits : 0);
}

static_assert(allInputBits(4, 0) == 0x00FF && allInputBits(4, 10) == 0x01FF && allInputBits(5, 0) == 0x01FF);
static_assert(allInputBits(5, 1) == 0x05FF && allInputBits(6, 1) == 0x05FF && allInputBits(6, 2) == 0x1DFF);

// What one pass does with the answer of GetQueueStatus(allInputBits(...)). The high word says
// what is in the queue now; the low word only what arrived since the last query, which the host's
// own GetMessage, PeekMessage or GetQueueStatus may already have cleared, so it cannot tell that
// the queue is empty. A posted message that a filtered PeekMessage passed over shows only in the
// QS_ALLPOSTMESSAGE bit: where the version lacks it, the pass always looks into the queue.
enum class PassAction { HoldForKeyboard, Nothing, Dispatch };

constexpr PassAction passAction(uint32_t status, bool allPostedKnown) {
    if (status & (kKeyBit | kKeyBit << 16)) return PassAction::HoldForKeyboard;
    if (!allPostedKnown || (status >> 16) != 0) return PassAction::Dispatch;
    return PassAction::Nothing;
}

// Where one pass that hands over messages stops. It takes the messages that were waiting when it
// began: after each message it hands over, it ends if that message came later than the pass's start
// (a message's time is when it was posted, or for a generated one such as WM_TIMER or WM_PAINT when
// it was taken), or once the pass has run kPassLimitMs in all. So a timer whose handler outlasts its
// period, or a handler that posts itself a message, holds a pass for at most one more message and
// never keeps the caller (a sector conversion, a pause) from going on. Times are the 32-bit
// millisecond tick count and are compared across its wrap.
constexpr uint32_t kPassLimitMs = 250;

constexpr bool passEndsAfter(uint32_t messageTime, uint32_t passStart, uint32_t now) {
    return int32_t(messageTime - passStart) > 0 || now - passStart >= kPassLimitMs;
}

static_assert(!passEndsAfter(1000, 1000, 1000) && !passEndsAfter(999, 1000, 1249));
static_assert(passEndsAfter(1001, 1000, 1001) && passEndsAfter(900, 1000, 1250));
static_assert(!passEndsAfter(0xFFFFFFF0u, 0xFFFFFFF0u, 5) && passEndsAfter(3, 0xFFFFFFF0u, 5));  // across the wrap

static_assert(waitsFor(0) == 0 && waitsFor(-5) == 0);
static_assert(waitsFor(1) == 1 && waitsFor(100) == 1 && waitsFor(101) == 2 && waitsFor(3000) == 30);

}  // namespace duvad::shell
