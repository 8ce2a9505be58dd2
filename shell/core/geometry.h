// Screen arithmetic of the window and dialog services, and the font units the host speaks.
#pragma once
#include <cstdint>

namespace duvad::shell {

struct Box {
    int32_t x, y, width, height;
    constexpr bool operator==(const Box& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

struct Edges {
    int32_t left, top, right, bottom;
};

// The work area split in two, one part above the other: the host on top gets half the height
// (truncated), Explorer below gets the rest (one pixel more when the height is odd).
struct WorkAreaSplit {
    Box host;
    Box explorer;
};

constexpr int32_t clamp32(int64_t v) { return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : int32_t(v); }

constexpr WorkAreaSplit splitWorkArea(Edges a) {
    const int64_t width = int64_t(a.right) - a.left;
    const int64_t height = int64_t(a.bottom) - a.top;
    const int64_t half = height / 2;  // truncated toward zero, as signed integers
    return {Box{a.left, a.top, clamp32(width), clamp32(half)},
            Box{a.left, clamp32(a.top + half), clamp32(width), clamp32(height - half)}};
}

// Where a window of the size of `dialog` stands centred over `owner` (truncated toward zero).
struct Point {
    int32_t x, y;
};
constexpr Point centreOver(Edges owner, Edges dialog) {
    const int64_t dx = ((int64_t(owner.right) - owner.left) - (int64_t(dialog.right) - dialog.left)) / 2;
    const int64_t dy = ((int64_t(owner.bottom) - owner.top) - (int64_t(dialog.bottom) - dialog.top)) / 2;
    return {clamp32(owner.left + dx), clamp32(owner.top + dy)};
}

// The host gives font sizes in twips (1/20 point). Going in, 15 twips make a pixel (96 dots per
// inch) and a negative height asks for the character height; coming back, the dialog's size in
// tenths of a point times 2 gives twips, exactly.
constexpr int32_t fontHeightFromTwips(int32_t twips) { return twips / -15; }
constexpr int32_t twipsFromTenthsOfPoint(int32_t tenths) { return clamp32(int64_t(tenths) * 2); }

static_assert(fontHeightFromTwips(200) == -13 && fontHeightFromTwips(150) == -10 && fontHeightFromTwips(160) == -10);
static_assert(fontHeightFromTwips(14) == 0 && fontHeightFromTwips(-14) == 0 && fontHeightFromTwips(-15) == 1);
static_assert(twipsFromTenthsOfPoint(120) == 240);
static_assert(splitWorkArea({0, 0, 1024, 737}).host == Box{0, 0, 1024, 368});
static_assert(splitWorkArea({0, 0, 1024, 737}).explorer == Box{0, 368, 1024, 369});

}  // namespace duvad::shell
