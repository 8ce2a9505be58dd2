#include "vcd/core/lists.h"

#include <cstring>

namespace duvad::vcd {

bool takeLine(const char** text, char (&name)[kNameBytes]) {
    const char* p = *text;
    const char* cr = p;
    while (*cr && *cr != '\r' && *cr != '\n') ++cr;  // a bare LF ends no line
    if (cr[0] != '\r' || cr[1] != '\n') return false;
    const size_t length = size_t(cr - p);
    if (length >= size_t(kNameBytes)) return false;
    std::memset(name, 0, sizeof name);
    std::memcpy(name, p, length);
    *text = cr + 2;
    return true;
}

int32_t walkLists(const char* sources, const char* targets, VcdLists& out) {
    out.tracks = 0;
    const char* s = sources ? sources : "";
    while (*s) {
        const int32_t i = out.tracks + 1;
        if (i > kMaxTracks) return sourceFailure(i);
        if (!takeLine(&s, out.source[i - 1])) return sourceFailure(i);
        out.tracks = i;
    }
    const char* t = targets ? targets : "";
    if (!*t || !takeLine(&t, out.image)) return kImageFailure;
    for (int32_t i = 1; i <= out.tracks; ++i)
        if (!*t || !takeLine(&t, out.target[i - 1])) return targetFailure(i);
    return 0;
}

}  // namespace duvad::vcd
