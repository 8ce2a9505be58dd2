#include "files/core/sectors.h"

#include <cstring>

namespace duvad::files {

size_t firstDifference(const uint8_t* a, const uint8_t* b, size_t n) {
    // Four machine words per step, in plain integer arithmetic (no vector unit assumed, and no
    // call into the C library's memcmp, which is a byte loop on some runtimes); the step that
    // differs is then walked byte by byte.
    using Word = uintptr_t;
    constexpr size_t kStep = 4 * sizeof(Word);
    size_t at = 0;
    for (; at + kStep <= n; at += kStep) {
        Word x[4], y[4];
        std::memcpy(x, a + at, kStep);
        std::memcpy(y, b + at, kStep);
        if ((x[0] ^ y[0]) | (x[1] ^ y[1]) | (x[2] ^ y[2]) | (x[3] ^ y[3])) break;
    }
    for (; at < n; ++at)
        if (a[at] != b[at]) return at;
    return n;
}

int32_t compareContents(ByteSource& first, ByteSource& second, uint64_t size, uint8_t* firstBlock, uint8_t* secondBlock) {
    uint64_t done = 0;
    while (done < size) {
        const uint32_t block = size - done < kMatchBlock ? uint32_t(size - done) : kMatchBlock;
        uint32_t got = 0;
        if (!first.read(firstBlock, block, &got) || got != block) return kFirstReadFailed;
        if (!second.read(secondBlock, block, &got) || got != block) return kSecondReadFailed;
        const size_t at = firstDifference(firstBlock, secondBlock, block);
        if (at < block) {
            const uint64_t position = done + at + 1;
            return position > uint64_t(kFarDifference) ? kFarDifference : int32_t(position);
        }
        done += block;
    }
    return kIdentical;
}

}  // namespace duvad::files
