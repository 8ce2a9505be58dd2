#include "shell/core/printer_blocks.h"

#include <cstring>

namespace duvad::shell {
namespace {

size_t word16(const uint8_t* p) { return size_t(p[0]) | size_t(p[1]) << 8; }

}  // namespace

bool devModeFits(const uint8_t* block, size_t length) {
    if (!block || length < kDevModeLeast) return false;
    const size_t size = word16(block + kDevModeSizeAt);
    const size_t extra = word16(block + kDevModeExtraAt);
    return size >= kDevModeLeast && size + extra <= length;
}

bool devNamesFit(const uint8_t* block, size_t length) {
    if (!block || length < kDevNamesHeader) return false;
    for (size_t word = 0; word < 3; ++word) {
        const size_t offset = word16(block + 2 * word);
        if (offset < kDevNamesHeader || offset >= length) return false;
        if (!std::memchr(block + offset, 0, length - offset)) return false;
    }
    return true;
}

}  // namespace duvad::shell
