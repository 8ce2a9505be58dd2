#include "shell/core/drop_list.h"

namespace duvad::shell {
namespace {

uint32_t word32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The length in characters of the name at `at`, or false when no terminator follows inside `size`.
bool nameLength(const uint8_t* block, size_t size, bool wide, size_t at, size_t* length) {
    const size_t unit = wide ? 2 : 1;
    for (size_t n = 0; at + (n + 1) * unit <= size; ++n) {
        const uint8_t* c = block + at + n * unit;
        if (c[0] == 0 && (!wide || c[1] == 0)) {
            *length = n;
            return true;
        }
    }
    return false;
}

}  // namespace

bool checkDropList(const uint8_t* block, size_t size, DropList* list) {
    if (!block || size < kDropHeaderBytes) return false;
    const size_t first = word32(block);
    if (first < kDropHeaderBytes || first >= size) return false;
    const bool wide = word32(block + 16) != 0;
    const size_t unit = wide ? 2 : 1;
    size_t count = 0;
    for (size_t at = first;;) {
        size_t length = 0;
        if (!nameLength(block, size, wide, at, &length)) return false;
        if (length == 0) break;
        ++count;
        at += (length + 1) * unit;
    }
    *list = {first, wide, count};
    return true;
}

bool nextDropName(const uint8_t* block, const DropList& list, size_t* at, DropName* name) {
    const size_t unit = list.wide ? 2 : 1;
    size_t length = 0;
    for (const uint8_t* c = block + *at; c[0] != 0 || (list.wide && c[1] != 0); c += unit) ++length;
    if (length == 0) return false;
    *name = {*at, length};
    *at += (length + 1) * unit;
    return true;
}

}  // namespace duvad::shell
