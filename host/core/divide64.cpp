#include "host/core/divide64.h"

namespace duvad::host {
namespace {

// Leading zero bits of a non-zero value, through its 32-bit halves (no 64-bit helper).
int leadingZeros(uint64_t v) {
    const uint32_t high = uint32_t(v >> 32);
    return high ? __builtin_clz(high) : 32 + __builtin_clz(uint32_t(v));
}

}  // namespace

uint64_t divide64(uint64_t n, uint64_t d, uint64_t* remainder) {
    // Both within 32 bits: one processor division; a zero divisor faults there, as the
    // processor's own division does.
    if (!(d >> 32) && (!(n >> 32) || !d)) {
        *remainder = uint32_t(n) % uint32_t(d);
        return uint32_t(n) / uint32_t(d);
    }
    if (d > n) {
        *remainder = n;
        return 0;
    }
    // Shift and subtract, from the divisor moved up under the dividend's highest bit.
    const int shift = leadingZeros(d) - leadingZeros(n);
    d <<= shift;
    uint64_t q = 0;
    for (int i = 0; i <= shift; ++i, d >>= 1) {
        q <<= 1;
        if (n >= d) n -= d, q |= 1;
    }
    *remainder = n;
    return q;
}

int64_t divide64(int64_t n, int64_t d, int64_t* remainder) {
    const uint64_t un = n < 0 ? 0 - uint64_t(n) : uint64_t(n), ud = d < 0 ? 0 - uint64_t(d) : uint64_t(d);
    uint64_t ur;
    const uint64_t uq = divide64(un, ud, &ur);
    *remainder = int64_t(n < 0 ? 0 - ur : ur);
    return int64_t((n < 0) != (d < 0) ? 0 - uq : uq);
}

}  // namespace duvad::host
