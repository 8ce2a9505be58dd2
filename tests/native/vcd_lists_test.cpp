// The source and target lists of the track preparation: lines, names, refusals and which output a
// collision is blamed on.
#include "vcd/core/lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace duvad::vcd {
namespace {

TEST(VcdLists, WellFormedListsAndNullPointers) {
    VcdLists l;
    EXPECT_EQ(walkLists("a.mpg\r\nb.dat\r\n", "img.bin\r\nt1.bin\r\nt2.bin\r\nextra\r\n", l), 0);
    EXPECT_EQ(l.tracks, 2);
    EXPECT_STREQ(l.image, "img.bin");
    EXPECT_STREQ(l.source[1], "b.dat");
    EXPECT_STREQ(l.target[0], "t1.bin");
    EXPECT_STREQ(l.target[1], "t2.bin");
    EXPECT_TRUE(std::all_of(l.target[1] + 6, l.target[1] + kNameBytes, [](char c) { return c == 0; }));

    EXPECT_EQ(walkLists(nullptr, "img\r\n", l), 0);
    EXPECT_EQ(l.tracks, 0);
    EXPECT_EQ(walkLists("", "img\r\n", l), 0);
    EXPECT_EQ(walkLists(nullptr, nullptr, l), -300);
    EXPECT_EQ(walkLists("a\r\n", nullptr, l), -300);

    const std::string n255(255, 'n');
    EXPECT_EQ(walkLists((n255 + "\r\n").c_str(), ("i\r\n" + n255 + "\r\n").c_str(), l), 0);
    EXPECT_EQ(std::string(l.source[0]), n255);
}

TEST(VcdLists, RefusalsCarryTheCodeOfTheLinesRole) {
    VcdLists l;
    const std::string n256(256, 'n');
    struct Case {
        std::string sources, targets;
        int32_t code;
    };
    const Case cases[] = {
        {"a\r\nb", "i\r\n1\r\n2\r\n", -102},                 // last source line without CR LF
        {"a\r\nb\r", "i\r\n1\r\n2\r\n", -102},               // CR without LF
        {"a\nb\r\n", "i\r\n1\r\n", -101},                    // a bare LF does not end a line
        {"a\r\n" + n256 + "\r\n", "i\r\n1\r\n2\r\n", -102},  // name of 256 bytes
        {"a\r\nb\r\n", "i\r\n1\r\n", -302},                  // no target line for track 2
        {"a\r\nb\r\n", "i\r\n1\r\n2", -302},                 // target line without CR LF
        {"a\r\nb\r\n", "i\r\n" + n256 + "\r\n2\r\n", -301},
        {"a\r\n", "img", -300},
        {"a\r\n", n256 + "\r\n1\r\n", -300},
        {"", "", -300},
    };
    for (const Case& c : cases)
        EXPECT_EQ(walkLists(c.sources.c_str(), c.targets.c_str(), l), c.code) << c.sources << " | " << c.targets;

    std::string s32, t33 = "img\r\n";
    for (int i = 1; i <= 32; ++i) {
        s32 += "s" + std::to_string(i) + "\r\n";
        t33 += "t" + std::to_string(i) + "\r\n";
    }
    EXPECT_EQ(walkLists(s32.c_str(), t33.c_str(), l), 0);
    EXPECT_EQ(l.tracks, 32);
    EXPECT_EQ(walkLists((s32 + "s33\r\n").c_str(), (t33 + "t33\r\n").c_str(), l), -133);
    EXPECT_EQ(walkLists((s32 + "s33").c_str(), t33.c_str(), l), -133);
}

// Which output is blamed for a collision, with names compared as plain text: the first output in
// list order (image, then track files) that names a source or another output.
TEST(VcdLists, CollisionsAreBlamedOnTheFirstOutputInvolved) {
    auto same = [](const char* a, const char* b) { return std::strcmp(a, b) == 0; };
    struct Case {
        const char* sources;
        const char* targets;
        int32_t code;
    };
    for (const Case& c : {Case{"a\r\nb\r\n", "img\r\nt1\r\nt2\r\n", 0},
                          Case{"a\r\na\r\n", "img\r\nt1\r\nt2\r\n", 0},  // one source, two tracks
                          Case{"a\r\nb\r\n", "a\r\nt1\r\nt2\r\n", -300},
                          Case{"a\r\nb\r\n", "img\r\nb\r\nt2\r\n", -301},  // a later source
                          Case{"a\r\nb\r\n", "img\r\nt1\r\nb\r\n", -302},  // its own source
                          Case{"a\r\nb\r\n", "t2\r\nt1\r\nt2\r\n", -300},
                          Case{"a\r\nb\r\nc\r\n", "img\r\nt1\r\nt3\r\nt3\r\n", -302}, Case{"", "img\r\n", 0}}) {
        VcdLists l;
        ASSERT_EQ(walkLists(c.sources, c.targets, l), 0);
        EXPECT_EQ(findCollision(l, same), c.code) << c.targets;
    }
}

}  // namespace
}  // namespace duvad::vcd
