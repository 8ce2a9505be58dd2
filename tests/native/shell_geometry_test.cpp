// The window arithmetic (work area split, centring) and the font units of the shell services.
#include "shell/core/geometry.h"

#include <gtest/gtest.h>

namespace duvad::shell {
namespace {

TEST(Geometry, WorkAreaSplitAndCentring) {
    WorkAreaSplit s = splitWorkArea({0, 0, 1024, 768});
    EXPECT_EQ(s.host, (Box{0, 0, 1024, 384}));
    EXPECT_EQ(s.explorer, (Box{0, 384, 1024, 384}));
    s = splitWorkArea({10, 31, 810, 600});  // taskbar on top, odd height 569
    EXPECT_EQ(s.host, (Box{10, 31, 800, 284}));
    EXPECT_EQ(s.explorer, (Box{10, 315, 800, 285}));
    s = splitWorkArea({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});  // no overflow
    EXPECT_EQ(s.host.y, INT32_MIN);

    Point p = centreOver({100, 100, 500, 400}, {0, 0, 201, 101});
    EXPECT_EQ(p.x, 100 + 199 / 2);
    EXPECT_EQ(p.y, 100 + 199 / 2);
    // A dialog larger than its owner stands out on both sides; the halves truncate toward zero.
    p = centreOver({100, 100, 200, 200}, {0, 0, 301, 301});
    EXPECT_EQ(p.x, 100 - 100);
    EXPECT_EQ(p.y, 0);
}

TEST(Geometry, CentringTakesTheWidthAndHeightDifferencesApart) {
    // Owner 640 x 480 at (100, 50), dialog 300 x 200: (640 - 300) / 2 = 170 across,
    // (480 - 200) / 2 = 140 down.
    Point p = centreOver({100, 50, 740, 530}, {10, 20, 310, 220});
    EXPECT_EQ(p.x, 270);
    EXPECT_EQ(p.y, 190);
    // Owner 641 x 100, dialog 20 x 301: 310 across (621 / 2 truncated), 100 up (-201 / 2 truncated).
    p = centreOver({0, 400, 641, 500}, {0, 0, 20, 301});
    EXPECT_EQ(p.x, 310);
    EXPECT_EQ(p.y, 300);
}

TEST(Geometry, FontSizesInTwips) {
    for (int32_t twips = -14; twips <= 14; ++twips) EXPECT_EQ(fontHeightFromTwips(twips), 0) << twips;
    EXPECT_EQ(fontHeightFromTwips(200), -13);
    EXPECT_EQ(fontHeightFromTwips(INT32_MIN), INT32_MIN / -15);
    EXPECT_EQ(twipsFromTenthsOfPoint(95), 190);
    EXPECT_EQ(twipsFromTenthsOfPoint(INT32_MAX), INT32_MAX);
}

}  // namespace
}  // namespace duvad::shell
