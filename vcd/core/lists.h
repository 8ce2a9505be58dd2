// The name lists PrepareVcdFiles is given: lines of a file name each, every line ending in CR LF.
// The source list names the MPEG-1 files, one per track; the target list names the image file
// (line 1) and then the track file of each source. The walk checks both lists whole before any
// file is touched and refuses what breaks that form with the code of the line's role.
#pragma once
#include <cstdint>

#include "vcd/core/image_patch.h"

namespace duvad::vcd {

constexpr int32_t kNameBytes = 256;  // a name and its terminator; names have at most 255 bytes

// Codes that name a track i: -100 - i for its source, -300 - i for its track file; -300 alone for
// the image file.
constexpr int32_t sourceFailure(int32_t i) { return -100 - i; }
constexpr int32_t formatFailure(int32_t i) { return -200 - i; }
constexpr int32_t targetFailure(int32_t i) { return -300 - i; }
constexpr int32_t kImageFailure = -300;

struct VcdLists {
    int32_t tracks = 0;                        // number of source lines
    char image[kNameBytes] = {};               // zero-filled past the name
    char source[kMaxTracks][kNameBytes] = {};  // source of track i at [i - 1]
    char target[kMaxTracks][kNameBytes] = {};  // its track file
};

// Takes one line from `*text`: the name before its CR LF, copied zero-filled into `name`, and
// moves `*text` past the LF. False when the line has no CR LF (a bare CR or LF ends
// it first) or its name has 256 bytes or more.
bool takeLine(const char** text, char (&name)[kNameBytes]);

// Which output would overwrite a source or another output. Outputs are the image file and the
// track files; `same(a, b)` tells whether two names of the lists name one file. Returns 0, or the
// code of the first output, in list order (image, then track files 1 to n), that names the same
// file as any source or as any other output: -300 for the image, -300 - i for track file i.
// Sources are not compared with one another: one source may feed several tracks.
template <typename Same>
int32_t findCollision(const VcdLists& lists, Same same) {
    const int32_t n = lists.tracks;
    auto output = [&](int32_t k) -> const char* { return k == 0 ? lists.image : lists.target[k - 1]; };
    for (int32_t k = 0; k <= n; ++k) {
        const int32_t code = k == 0 ? kImageFailure : targetFailure(k);
        for (int32_t j = 0; j < n; ++j)
            if (same(output(k), lists.source[j])) return code;
        for (int32_t j = 0; j <= n; ++j)
            if (j != k && same(output(k), output(j))) return code;
    }
    return 0;
}

// Walks both lists (null pointers are empty lists). Returns 0 and fills `out`, or the refusal:
// a source line i without CR LF or with a name of 256 bytes or more gives -100 - i, a 33rd source
// line -133; a missing or bad image line -300; a missing or bad target line for track i -300 - i.
// Target lines past the last track's are not looked at.
int32_t walkLists(const char* sources, const char* targets, VcdLists& out);

}  // namespace duvad::vcd
