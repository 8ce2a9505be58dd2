// The Color and Font dialogs through the DLL, driven from a helper thread.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/win/dialog_driver.h"
#include "tests/win/harness.h"

namespace duvad::test {
namespace {

constexpr int kRed = 706, kGreen = 707, kBlue = 708;
constexpr int kAddCustom = 0x2c8;    // "Add to Custom Colors"
constexpr int kCustomBoxes = 0x2d1;  // the 2 x 8 custom colour boxes
constexpr int kFaceCombo = 0x470, kStyleCombo = 0x471, kSizeCombo = 0x472, kUnderline = 0x411;

std::string text(HWND dialog, int id) { return windowText(GetDlgItem(dialog, id)); }

// The colours painted in the middle of the 16 custom colour boxes, read from the screen.
std::vector<COLORREF> customBoxes(HWND dialog) {
    HWND area = GetDlgItem(dialog, kCustomBoxes);
    RECT r = {};
    GetWindowRect(area, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    UpdateWindow(dialog);
    HDC dc = GetDC(dialog);
    std::vector<COLORREF> out;
    const int w = (r.right - r.left) / 8, h = (r.bottom - r.top) / 2;
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 8; ++col)
            out.push_back(GetPixel(dc, r.left + col * w + w / 2, r.top + row * h + h / 2));
    ReleaseDC(dialog, dc);
    return out;
}

TEST(DesktopColourDialog, OpensOnTheInitialColourAndReturnsTheChoice) {
    std::string shown[3];
    {
        DialogScript s([&](HWND d) {
            for (int i = 0; i < 3; ++i) shown[i] = text(d, kRed + i);
            setText(d, kRed, "0");
            setText(d, kGreen, "0");
            setText(d, kBlue, "255");
            press(d, IDOK);
        });
        EXPECT_EQ(VB(GetAColor, HWND(nullptr), 255), 0xFF0000);
    }
    EXPECT_EQ(shown[0], "255");
    EXPECT_EQ(shown[1], "0");
    EXPECT_EQ(shown[2], "0");
    {
        DialogScript s([](HWND d) { press(d, IDCANCEL); });
        EXPECT_EQ(VB(GetAColor, HWND(nullptr), 0x123456), -1);
        s.join();
        EXPECT_TRUE(s.sawDialog());
    }
    {
        DialogScript s([](HWND d) { press(d, IDOK); });
        EXPECT_EQ(VB(GetAColor, HWND(nullptr), 0x123456), 0x123456);
    }
}

// A custom colour defined in one call is gone in the next: every box starts white.
TEST(DesktopColourDialog, CustomColoursAreWhiteOnEveryCall) {
    std::vector<COLORREF> before, defined, next;
    {
        DialogScript s([&](HWND d) {
            before = customBoxes(d);
            setText(d, kRed, "0");
            setText(d, kGreen, "128");
            setText(d, kBlue, "0");
            SendMessageA(d, WM_COMMAND, MAKEWPARAM(kAddCustom, BN_CLICKED), LPARAM(GetDlgItem(d, kAddCustom)));
            settle(d);
            defined = customBoxes(d);
            press(d, IDOK);
        });
        EXPECT_EQ(VB(GetAColor, HWND(nullptr), 0xFFFFFF), 0x008000);
    }
    {
        DialogScript s([&](HWND d) {
            next = customBoxes(d);
            press(d, IDCANCEL);
        });
        EXPECT_EQ(VB(GetAColor, HWND(nullptr), 0), -1);
    }
    ASSERT_EQ(before.size(), 16u);
    for (COLORREF c : before) EXPECT_EQ(c, 0xFFFFFFu);
    // The screen reading sees a defined colour: so white below is really white boxes.
    EXPECT_NE(std::count(defined.begin(), defined.end(), COLORREF(0x008000)), 0);
    for (COLORREF c : next) EXPECT_EQ(c, 0xFFFFFFu);
}

struct Font {
    char face[32] = {};
    int32_t size = 0, weight = 0, italic = 0, underline = 0, colour = 0;
};

struct FontSeen {
    std::string face, style, size;
    bool underline = false;
};

DialogScript pickSize(FontSeen* seen, const char* newSize) {
    return DialogScript([=](HWND d) {
        seen->face = text(d, kFaceCombo);
        seen->style = text(d, kStyleCombo);
        seen->size = text(d, kSizeCombo);
        seen->underline = IsDlgButtonChecked(d, kUnderline) == BST_CHECKED;
        if (newSize) {
            HWND combo = GetDlgItem(d, kSizeCombo);
            SendMessageA(combo, CB_SELECTSTRING, WPARAM(-1), LPARAM(newSize));
            SendMessageA(d, WM_COMMAND, MAKEWPARAM(kSizeCombo, CBN_SELCHANGE), LPARAM(combo));
        }
        press(d, IDOK);
    });
}

int32_t getAFont(Font& f) {
    return VB(GetAFont, HWND(nullptr), f.face, &f.size, &f.weight, &f.italic, &f.underline, &f.colour);
}

TEST(DesktopFontDialog, SizesInTwipsBothWays) {
    Font f;
    strcpy(f.face, "Arial");
    f.size = 200;  // 10 points
    f.weight = 400;
    f.colour = 0x0000FF;
    FontSeen seen;
    {
        DialogScript s = pickSize(&seen, "12");
        EXPECT_EQ(getAFont(f), 1);
    }
    EXPECT_EQ(seen.face, "Arial");
    EXPECT_EQ(seen.size, "10");
    EXPECT_EQ(seen.style, "Regular");
    EXPECT_FALSE(seen.underline);
    EXPECT_STREQ(f.face, "Arial");
    EXPECT_EQ(f.size, 240);
    EXPECT_EQ(f.weight, 400);
    EXPECT_EQ(f.italic, 0);
    EXPECT_EQ(f.underline, 0);
    EXPECT_EQ(f.colour, 0x0000FF);

    // What came back goes in again and comes back unchanged.
    Font again = f;
    {
        DialogScript s = pickSize(&seen, nullptr);
        EXPECT_EQ(getAFont(again), 1);
    }
    EXPECT_EQ(seen.size, "12");
    EXPECT_EQ(again.size, 240);
}

TEST(DesktopFontDialog, BoldItalicUnderlinedOpensOnThatStyle) {
    Font f;
    strcpy(f.face, "Times New Roman");
    f.size = 240;
    f.weight = 700;
    f.italic = 1 + 0x100;  // only the low byte counts
    f.underline = 1;
    FontSeen seen;
    {
        DialogScript s = pickSize(&seen, nullptr);
        EXPECT_EQ(getAFont(f), 1);
    }
    EXPECT_EQ(seen.style, "Bold Italic");
    EXPECT_TRUE(seen.underline);
    EXPECT_EQ(seen.size, "12");
    EXPECT_EQ(f.weight, 700);
    EXPECT_GT(f.italic, 0);
    EXPECT_LE(f.italic, 255);
    EXPECT_GT(f.underline, 0);
    EXPECT_LE(f.underline, 255);
    EXPECT_EQ(f.size, 240);
}

TEST(DesktopFontDialog, CancelWritesNothing) {
    GuardedBuffer face(32);
    face.set("Arial");
    int32_t size = kSentinel, weight = kSentinel, italic = kSentinel, underline = kSentinel, colour = kSentinel;
    {
        DialogScript s([](HWND d) { press(d, IDCANCEL); });
        EXPECT_EQ(VB(GetAFont, HWND(nullptr), face.data(), &size, &weight, &italic, &underline, &colour), 0);
        s.join();
        EXPECT_TRUE(s.sawDialog());
    }
    EXPECT_EQ(face.str(), "Arial");
    EXPECT_TRUE(face.untouchedFrom(6));
    for (int32_t v : {size, weight, italic, underline, colour}) EXPECT_EQ(v, kSentinel);

    DialogScript none([](HWND d) { press(d, IDCANCEL); }, 3000);
    EXPECT_EQ(
        VB(GetAFont, HWND(nullptr), face.data(), &size, static_cast<int32_t*>(nullptr), &italic, &underline, &colour),
        0);
    none.join();
    EXPECT_FALSE(none.sawDialog());
}

}  // namespace
}  // namespace duvad::test
