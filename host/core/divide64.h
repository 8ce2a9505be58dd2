// 64-bit division from 32-bit operations: what the compiler's 64-bit division helpers of the
// host tool run (host/runtime/), which links no prebuilt runtime.
#pragma once
#include <cstdint>

namespace duvad::host {

// n / d, with n % d in *remainder; d must not be 0.
uint64_t divide64(uint64_t n, uint64_t d, uint64_t* remainder);
// Signed, as C++ divides: the quotient rounds toward zero, the remainder takes n's sign.
int64_t divide64(int64_t n, int64_t d, int64_t* remainder);

}  // namespace duvad::host
