#include "files/core/sectors.h"

#include <cstring>

namespace duvad::files {

size_t firstDifference(const uint8_t* a, const uint8_t* b, size_t n) {
    // Equal blocks, the usual case, cost one memcmp (the C library's is the fastest compare the
    // system has); a block that differs is narrowed down run by run, then byte by byte.
    if (std::memcmp(a, b, n) == 0) return n;
    constexpr size_t kRun = 4096;
    size_t at = 0;
    while (at + kRun < n && std::memcmp(a + at, b + at, kRun) == 0) at += kRun;
    while (a[at] == b[at]) ++at;
    return at;
}

int32_t compareContents(ByteSource& first, ByteSource& second, uint64_t size, uint8_t* firstBlock,
                        uint8_t* secondBlock) {
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
