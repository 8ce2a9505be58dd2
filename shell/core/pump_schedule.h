// The pump's timing rule, apart from the platform: a call of GoEvents(duration) makes one pass
// over the queue, then waits a 100 ms step and passes again until the duration is used up.
#pragma once
#include <cstdint>

namespace duvad::pump {

constexpr int32_t kStepMs = 100;

// Number of 100 ms waits for a duration: ceil(duration / 100), none for 0 or less.
// (The count of passes is one more.) Exact for every 32-bit input, INT32_MAX included.
constexpr int64_t waitsFor(int32_t duration) {
    return duration <= 0 ? 0 : (int64_t(duration) + kStepMs - 1) / kStepMs;
}

static_assert(waitsFor(0) == 0 && waitsFor(-5) == 0);
static_assert(waitsFor(1) == 1 && waitsFor(100) == 1 && waitsFor(101) == 2 && waitsFor(3000) == 30);

}  // namespace duvad::pump
