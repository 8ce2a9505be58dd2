// Reading and writing list view cells and taking the focus mark off, on a real report-view
// list view control in a window of the test thread.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "tests/win/harness.h"

namespace duvad::test {
namespace {

class DesktopListView : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        parent_ = CreateWindowExA(0, "STATIC", "list", WS_OVERLAPPEDWINDOW, 0, 0, 500, 300, nullptr, nullptr, nullptr,
                                  nullptr);
        list_ = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 480,
                                280, parent_, nullptr, nullptr, nullptr);
        ASSERT_NE(list_, nullptr) << "no display? run under Xvfb";
        ShowWindow(parent_, SW_SHOWNORMAL);
        for (int c = 0; c < 3; ++c) {
            LVCOLUMNA col = {};
            col.mask = LVCF_TEXT | LVCF_WIDTH;
            col.cx = 150;
            col.pszText = const_cast<char*>(c == 0 ? "File" : c == 1 ? "Size" : "Track");
            SendMessageA(list_, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
        }
        // Three rows; row 1 has no text in its last column.
        const char* cells[3][3] = {{"a.mpg", "1200", "2"}, {"b.mpg", "900", nullptr}, {"c.mpg", "5", "4"}};
        for (int r = 0; r < 3; ++r) {
            LVITEMA item = {};
            item.mask = LVIF_TEXT;
            item.iItem = r;
            item.pszText = const_cast<char*>(cells[r][0]);
            SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
            for (int c = 1; c < 3; ++c) {
                if (!cells[r][c]) continue;
                item.iSubItem = c;
                item.pszText = const_cast<char*>(cells[r][c]);
                SendMessageA(list_, LVM_SETITEMTEXTA, r, reinterpret_cast<LPARAM>(&item));
            }
        }
    }
    void TearDown() override { DestroyWindow(parent_); }

    std::string cell(int item, int sub) {
        GuardedBuffer text(1024);
        EXPECT_EQ(VB(GetLVItemText, list_, item, sub, text.data()), 0);
        return text.str();
    }
    UINT state(int item, UINT mask) { return UINT(SendMessageA(list_, LVM_GETITEMSTATE, item, mask)); }
    void setState(int item, UINT value, UINT mask) {
        LVITEMA it = {};
        it.state = value;
        it.stateMask = mask;
        SendMessageA(list_, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&it));
    }

    HWND parent_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(DesktopListView, CellsByItemAndColumn) {
    EXPECT_EQ(cell(0, 0), "a.mpg");
    EXPECT_EQ(cell(0, 1), "1200");
    EXPECT_EQ(cell(2, 2), "4");
    EXPECT_EQ(cell(1, 2), "");  // a column with no text
    EXPECT_EQ(cell(1, 7), "");  // a column that does not exist
    EXPECT_EQ(cell(9, 0), "");  // an item out of range
    EXPECT_EQ(cell(-5, 0), "");
    // A window that is no list view fills nothing in.
    GuardedBuffer text(1024);
    EXPECT_EQ(VB(GetLVItemText, parent_, 0, 0, text.data()), 0);
    EXPECT_EQ(text.str(), "");
    EXPECT_EQ(VB(GetLVItemText, list_, 0, 0, static_cast<char*>(nullptr)), 0);
}

TEST_F(DesktopListView, LongCellsAreCutTo1023Characters) {
    std::string longText;
    for (int i = 0; i < 1500; ++i) longText += char('A' + i % 26);
    EXPECT_EQ(VB(SetLVItemText, list_, 2, 1, longText.c_str()), 1);
    // The caller's 1024 bytes end at a no-access page: the first 1023 characters and a terminator.
    GuardedBuffer text(1024);
    EXPECT_EQ(VB(GetLVItemText, list_, 2, 1, text.data()), 0);
    EXPECT_EQ(text.str(), longText.substr(0, 1023));
    EXPECT_EQ(text.data()[1023], '\0');
    // Exactly 1023 fits whole.
    EXPECT_EQ(VB(SetLVItemText, list_, 0, 0, longText.substr(0, 1023).c_str()), 1);
    EXPECT_EQ(cell(0, 0), longText.substr(0, 1023));
}

TEST_F(DesktopListView, SettingCellsAndItemsOutOfRange) {
    EXPECT_EQ(VB(SetLVItemText, list_, 1, 2, "7"), 1);
    EXPECT_EQ(cell(1, 2), "7");
    EXPECT_EQ(VB(SetLVItemText, list_, 0, 0, "renamed.mpg"), 1);
    EXPECT_EQ(cell(0, 0), "renamed.mpg");
    EXPECT_EQ(VB(SetLVItemText, list_, 1, 1, ""), 1);
    EXPECT_EQ(cell(1, 1), "");

    EXPECT_EQ(VB(SetLVItemText, list_, 3, 0, "beyond"), 0);
    EXPECT_EQ(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(VB(SetLVItemText, list_, 2, 0, static_cast<const char*>(nullptr)), 0);
    EXPECT_EQ(cell(2, 0), "c.mpg");
}

TEST_F(DesktopListView, FocusMarkGoesAndTheSelectionStays) {
    setState(0, LVIS_SELECTED, LVIS_SELECTED);
    setState(2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ASSERT_EQ(state(2, LVIS_FOCUSED), UINT(LVIS_FOCUSED));

    EXPECT_EQ(VB(RemoveLVFocus, list_), 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(state(i, LVIS_FOCUSED), 0u) << i;
    EXPECT_EQ(state(0, LVIS_SELECTED), UINT(LVIS_SELECTED));
    EXPECT_EQ(state(1, LVIS_SELECTED), 0u);
    EXPECT_EQ(state(2, LVIS_SELECTED), UINT(LVIS_SELECTED));
    EXPECT_EQ(SendMessageA(list_, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED), -1);
    EXPECT_EQ(SendMessageA(list_, LVM_GETSELECTEDCOUNT, 0, 0), 2);

    EXPECT_EQ(VB(RemoveLVFocus, parent_), 0);  // no list view
}

}  // namespace
}  // namespace duvad::test
