#include "shell/core/printer_blocks.h"

#include <cstring>

namespace duvad::shell {
namespace {

size_t word16(const uint8_t* p) { return size_t(p[0]) | size_t(p[1]) << 8; }
uint32_t word32(const uint8_t* p) { return uint32_t(word16(p)) | uint32_t(word16(p + 2)) << 16; }

bool terminatedFrom(const uint8_t* block, size_t length, size_t at) {
    return at < length && std::memchr(block + at, 0, length - at) != nullptr;
}

}  // namespace

bool devModeFits(const uint8_t* block, size_t length) {
    if (!block || length < kDevModeLeast) return false;
    const size_t size = word16(block + kDevModeSizeAt);
    const size_t extra = word16(block + kDevModeExtraAt);
    if (size < kDevModeLeast || size + extra > length) return false;
    if (!terminatedFrom(block, length, 0)) return false;
    const bool formName = size >= kDevModeFormNameEnd && (word32(block + kDevModeFieldsAt) & kDevModeHasFormName) != 0;
    return !formName || terminatedFrom(block, length, kDevModeFormNameAt);
}

bool devNamesFit(const uint8_t* block, size_t length) {
    if (!block || length < kDevNamesHeader) return false;
    for (size_t word = 0; word < 3; ++word) {
        const size_t offset = word16(block + 2 * word);
        if (offset < kDevNamesHeader || !terminatedFrom(block, length, offset)) return false;
    }
    return true;
}

}  // namespace duvad::shell
