// The Open and Save As dialog through the DLL, driven from a helper thread as a user would:
// typing names, pressing OK or Cancel, answering the overwrite prompt.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/win/dialog_driver.h"
#include "tests/win/harness.h"
#include "tests/win/import_patch.h"

#include <commdlg.h>

namespace duvad::test {
namespace {

constexpr int kNameBox = 0x47c;
constexpr int kTypeCombo = 0x470;
constexpr int kReadOnlyBox = 0x410;  // "Open as read-only"

// The host's filter argument: text, terminator, two skipped characters, extension, terminator.
std::string filterArg(const std::string& text, const std::string& ext) { return text + '\0' + "*." + ext + '\0'; }
const std::string kTextFilter = filterArg("Text files (*.txt)|*.txt|All files|*.*|", "txt");

struct Seen {
    std::string caption;
    int types = -1;
    int typeSelected = -1;
    bool prompted = false;
    bool readOnlyBox = false;    // the dialog has the box
    bool readOnlyShown = false;  // and shows it
};

// Types `name` (unless null) and presses OK; answers an overwrite prompt with `answer` if one comes.
DialogScript choose(Seen* seen, const char* name, int answer = IDYES) {
    return DialogScript([=](HWND d) {
        seen->caption = windowText(d);
        HWND types = GetDlgItem(d, kTypeCombo);
        seen->types = int(SendMessageA(types, CB_GETCOUNT, 0, 0));
        seen->typeSelected = int(SendMessageA(types, CB_GETCURSEL, 0, 0));
        seen->readOnlyBox = GetDlgItem(d, kReadOnlyBox) != nullptr;
        seen->readOnlyShown = IsWindowVisible(GetDlgItem(d, kReadOnlyBox)) != FALSE;
        if (name) setText(d, kNameBox, name);
        press(d, IDOK);
        if (HWND prompt = waitForWindow(5000, d)) {
            seen->prompted = true;
            press(prompt, answer);
            if (answer != IDYES) press(d, IDCANCEL);
        }
    });
}

class DesktopFileDialog : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* n : {"a.txt", "b.txt", "existing.txt"}) ASSERT_TRUE(TempDir::writeFile(dir_.file(n), "x"));
    }
    // The caller's buffer: the initial name, then room; every byte after it keeps 0xBD.
    static void initial(GuardedBuffer& b, const std::string& name) { b.set(name.c_str()); }

    TempDir dir_{"ofn"};
};

TEST_F(DesktopFileDialog, OpenOneFileWithTitleAndFilter) {
    GuardedBuffer file(10000);
    initial(file, dir_.file("b.txt"));
    Seen seen;
    {
        DialogScript s = choose(&seen, nullptr);
        EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 1, "Pick a track", kTextFilter.c_str(), file.data()), 1);
    }
    EXPECT_EQ(file.str(), dir_.file("b.txt"));
    EXPECT_EQ(seen.caption, "Pick a track");
    EXPECT_EQ(seen.types, 2);
    EXPECT_EQ(seen.typeSelected, 0);
    EXPECT_TRUE(seen.readOnlyBox);
    EXPECT_FALSE(seen.readOnlyShown);

    // A name typed without extension names the file with the default one when that exists.
    initial(file, dir_.path());
    {
        DialogScript s = choose(&seen, "a");
        EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 1, "t", kTextFilter.c_str(), file.data()), 1);
    }
    EXPECT_EQ(file.str(), dir_.file("a.txt"));
    // A file that is not there yet, in a folder that is: accepted (no "must exist").
    {
        DialogScript s = choose(&seen, "new.txt");
        EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 1, "t", kTextFilter.c_str(), file.data()), 1);
    }
    EXPECT_EQ(file.str(), dir_.file("new.txt"));
}

TEST_F(DesktopFileDialog, SeveralFilesInAFolder) {
    GuardedBuffer file(10000);
    initial(file, dir_.path());
    Seen seen;
    {
        DialogScript s = choose(&seen, "\"a.txt\" \"b.txt\"");
        EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 2, "t", kTextFilter.c_str(), file.data()), 2);
    }
    EXPECT_EQ(file.str(), dir_.file("a.txt") + "\r\n" + dir_.file("b.txt") + "\r\n");

    // One file picked in the same dialog: its path and CR LF.
    initial(file, dir_.path());
    {
        DialogScript s = choose(&seen, "existing.txt");
        EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 2, "t", kTextFilter.c_str(), file.data()), 1);
    }
    EXPECT_EQ(file.str(), dir_.file("existing.txt") + "\r\n");
}

// The real dialog, as a VB6 host meets it: 60 files picked in a folder of 183 characters, whose
// full paths (196 bytes each) would need 11761 bytes; the 10000-byte buffer ends at a no-access
// page and gets the 51 whole paths that fit.
TEST_F(DesktopFileDialog, ManyFilesInALongFolderFillTheBufferWithWholePaths) {
    std::string folder = dir_.path();
    folder.pop_back();
    while (folder.size() < 183) folder += "\\" + std::string(std::min<size_t>(60, 183 - folder.size() - 1), 'L');
    ASSERT_EQ(folder.size(), 183u);
    for (size_t at = dir_.path().size(); at <= folder.size(); ++at) {
        if (at == folder.size() || folder[at] == '\\')
            ASSERT_TRUE(CreateDirectoryA(folder.substr(0, at).c_str(), nullptr) ||
                        GetLastError() == ERROR_ALREADY_EXISTS);
    }
    std::string typed;
    for (int i = 10; i < 70; ++i) {
        const std::string name = "file" + std::to_string(i) + ".txt";
        ASSERT_TRUE(TempDir::writeFile(folder + "\\" + name, "x"));
        typed += "\"" + name + "\" ";
    }
    GuardedBuffer file(10000);
    initial(file, folder + "\\");
    Seen seen;
    int32_t count = 0;
    {
        DialogScript s = choose(&seen, typed.c_str());
        count = VB(GetFilenameForOpenOrSave, HWND(nullptr), 2, "t", kTextFilter.c_str(), file.data());
    }
    std::string want;
    for (int i = 10; i < 61; ++i) want += folder + "\\file" + std::to_string(i) + ".txt\r\n";
    EXPECT_EQ(count, 51);
    EXPECT_EQ(file.str(), want);
    for (int i = 10; i < 70; ++i) DeleteFileA((folder + "\\file" + std::to_string(i) + ".txt").c_str());
    for (std::string f = folder; f.size() > dir_.path().size(); f = f.substr(0, f.rfind('\\')))
        RemoveDirectoryA(f.c_str());
}

TEST_F(DesktopFileDialog, SeveralFilesInARootHaveNoDoubledBackslash) {
    const std::string tag = std::to_string(GetCurrentProcessId());
    const std::string a = "C:\\duvad_root_a" + tag + ".txt", b = "C:\\duvad_root_b" + tag + ".txt";
    ASSERT_TRUE(TempDir::writeFile(a, "a"));
    ASSERT_TRUE(TempDir::writeFile(b, "b"));
    GuardedBuffer file(10000);
    initial(file, "C:\\");
    Seen seen;
    const std::string typed = "\"" + a.substr(3) + "\" \"" + b.substr(3) + "\"";
    int32_t count = 0;
    {
        DialogScript s = choose(&seen, typed.c_str());
        count = VB(GetFilenameForOpenOrSave, HWND(nullptr), 2, "t", kTextFilter.c_str(), file.data());
    }
    DeleteFileA(a.c_str());
    DeleteFileA(b.c_str());
    EXPECT_EQ(count, 2);
    EXPECT_EQ(file.str(), a + "\r\n" + b + "\r\n");
}

TEST_F(DesktopFileDialog, SaveAsksBeforeOverwritingOnlyWhenToldTo) {
    GuardedBuffer file(10000);
    Seen seen;
    initial(file, dir_.path());
    {
        DialogScript s = choose(&seen, "existing.txt", IDYES);
        EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 5, static_cast<const char*>(nullptr), kTextFilter.c_str(),
                     file.data()),
                  1);
    }
    EXPECT_TRUE(seen.prompted);
    EXPECT_EQ(file.str(), dir_.file("existing.txt"));
    EXPECT_EQ(seen.caption, "Save As");  // no title: the system's caption

    // "No" at the prompt, then Cancel: 0 and the buffer as it was.
    seen = {};
    initial(file, dir_.path());
    {
        DialogScript s = choose(&seen, "existing.txt", IDNO);
        EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 5, "t", kTextFilter.c_str(), file.data()), 0);
    }
    EXPECT_TRUE(seen.prompted);
    EXPECT_EQ(file.str(), dir_.path());

    seen = {};
    {
        DialogScript s = choose(&seen, "existing.txt");
        EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 6, "t", kTextFilter.c_str(), file.data()), 1);
    }
    EXPECT_FALSE(seen.prompted);
    EXPECT_EQ(file.str(), dir_.file("existing.txt"));

    // Save appends the default extension to a name typed without one.
    initial(file, dir_.path());
    {
        DialogScript s = choose(&seen, "newname");
        EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 6, "t", kTextFilter.c_str(), file.data()), 1);
    }
    EXPECT_EQ(file.str(), dir_.file("newname.txt"));
}

TEST_F(DesktopFileDialog, CancelLeavesTheBufferAsItWas) {
    for (int32_t kind : {1, 2, 5, 6}) {
        SCOPED_TRACE(kind);
        GuardedBuffer file(10000);
        initial(file, dir_.file("a.txt"));
        {
            DialogScript s([](HWND d) { press(d, IDCANCEL); });
            EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), kind, "t", kTextFilter.c_str(), file.data()), 0);
            s.join();
            EXPECT_TRUE(s.sawDialog());
        }
        EXPECT_EQ(file.str(), dir_.file("a.txt"));
        EXPECT_TRUE(file.untouchedFrom(dir_.file("a.txt").size() + 1));
    }
}

// Calls that show no dialog: a kind that is none of the four, or an argument that cannot be used
// without overrunning the dialog's areas or reading through a null pointer.
TEST_F(DesktopFileDialog, NoDialogForOtherKindsAndUnusableArguments) {
    auto noDialog = [&](int32_t kind, const std::string& filter, const char* initialName, const char* what) {
        SCOPED_TRACE(what);
        GuardedBuffer file(initialName ? strlen(initialName) + 1 : 1);
        if (initialName) initial(file, initialName);
        DialogScript s([](HWND d) { press(d, IDCANCEL); }, 3000);
        EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), kind, "t", filter.c_str(), file.data()), 0);
        s.join();
        EXPECT_FALSE(s.sawDialog());
        if (initialName) EXPECT_EQ(file.str(), initialName);
    };
    for (int32_t kind : {0, 3, 4, 7, -1}) noDialog(kind, kTextFilter, "a.txt", "kind");
    noDialog(1, filterArg("Text|*.txt|", "12345678"), "a.txt", "default extension of 8");
    noDialog(1, filterArg(std::string(300, 'd') + "|*.txt|", "txt"), "a.txt", "one pair longer than the list");
    const std::string huge(10000, 'n');
    noDialog(1, kTextFilter, huge.c_str(), "initial name of 10000");
    GuardedBuffer file(16);
    EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 1, "t", static_cast<const char*>(nullptr), file.data()), 0);
    EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 1, "t", kTextFilter.c_str(), static_cast<char*>(nullptr)), 0);
}

TEST_F(DesktopFileDialog, LongFilterKeepsTheWholePairsThatFit) {
    std::string text;
    for (int i = 0; i < 20; ++i) text += "Type number " + std::to_string(i) + "|*.t" + std::to_string(i) + "|";
    ASSERT_GT(text.size(), 254u);
    GuardedBuffer file(10000);
    initial(file, dir_.path());
    Seen seen;
    {
        DialogScript s([&](HWND d) {
            seen.types = int(SendMessageA(GetDlgItem(d, kTypeCombo), CB_GETCOUNT, 0, 0));
            press(d, IDCANCEL);
        });
        EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 1, "t", filterArg(text, "t0").c_str(), file.data()), 0);
    }
    EXPECT_EQ(seen.types, 13);  // 10 pairs of 19 characters and 3 of 21 fit in 254
}

// ---- What the DLL does with the dialog's answer, through a stand-in for GetOpenFileNameA --------
// The stand-in fills the file area as the system's dialog does for a multiple selection (folder,
// zero, names, empty name) and notes what the DLL handed it; no window is shown.

struct Picked {
    std::string area;  // the file area the dialog leaves, zero bytes included
    WORD nameOffset = 0;
    int calls = 0;
    DWORD capacity = 0;
    std::vector<std::string> filter;  // the filter list as the dialog reads it
    std::string defaultExt;
};
Picked g_picked;

BOOL WINAPI standInOpen(OPENFILENAMEA* r) {
    ++g_picked.calls;
    g_picked.capacity = r->nMaxFile;
    g_picked.filter.clear();
    for (const char* p = r->lpstrFilter; p && *p; p += strlen(p) + 1) g_picked.filter.push_back(p);
    g_picked.defaultExt = r->lpstrDefExt ? r->lpstrDefExt : "<none>";
    if (g_picked.area.size() > r->nMaxFile) return FALSE;
    memcpy(r->lpstrFile, g_picked.area.data(), g_picked.area.size());
    r->nFileOffset = g_picked.nameOffset;
    return TRUE;
}

class FileDialogAnswer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(open_.active()) << "DuVad.dll does not import GetOpenFileNameA by name";
        g_picked = {};
    }
    // A multiple selection of `names` in `folder`.
    static void pick(const std::string& folder, const std::vector<std::string>& names) {
        g_picked.area = folder + '\0';
        for (const std::string& n : names) g_picked.area += n + '\0';
        g_picked.area += '\0';
        g_picked.nameOffset = WORD(folder.size() + 1);
    }
    ImportPatch open_{dll(), "comdlg32.dll", "GetOpenFileNameA", reinterpret_cast<const void*>(&standInOpen)};
};

// 60 files in a folder of 183 characters: 60 paths of 196 bytes would need 11761 bytes. The
// caller's 10000-byte buffer ends at a no-access page and gets the 51 whole paths that fit.
TEST_F(FileDialogAnswer, ManyFilesKeepTheWholePathsThatFitTheFileArea) {
    const std::string folder = "C:\\" + std::string(180, 'f');
    std::vector<std::string> names;
    for (int i = 10; i < 70; ++i) names.push_back("file" + std::to_string(i) + ".txt");
    pick(folder, names);
    GuardedBuffer file(10000);
    file.set("");
    EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 2, "t", kTextFilter.c_str(), file.data()), 51);
    EXPECT_EQ(g_picked.capacity, 10000u);
    std::string want;
    for (int i = 10; i < 61; ++i) want += folder + "\\file" + std::to_string(i) + ".txt\r\n";
    EXPECT_EQ(file.str(), want);
    EXPECT_EQ(want.size(), 9996u);
    EXPECT_TRUE(file.untouchedFrom(want.size() + 1));

    // When they all fit, all are written.
    names.resize(40);
    pick(folder, names);
    EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 2, "t", kTextFilter.c_str(), file.data()), 40);
    EXPECT_EQ(file.str().size(), 40u * 196u);
}

// The filter argument in a block of exactly its bytes before a no-access page: a text, its zero,
// and a tail that may end at once (a VB6 string brings two zero bytes after its text).
TEST_F(FileDialogAnswer, ShortFilterTailsAreNotReadPast) {
    pick("C:\\Data", {"a.txt"});
    struct Case {
        std::string tail;
        const char* ext;
    };
    const Case cases[] = {
        {std::string(2, '\0'), ""},
        {std::string("\0*\0", 3), ""},
        {std::string("\0*.txt\0", 7), "txt"},
        {std::string("\0*.1234567\0", 11), "1234567"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ext);
        const std::string arg = "Text|*.txt|" + c.tail;
        GuardedBuffer filter(arg.size());
        memcpy(filter.data(), arg.data(), arg.size());
        GuardedBuffer file(10000);
        file.set("");
        g_picked.calls = 0;
        EXPECT_EQ(
            VB(GetFilenameForOpenOrSave, HWND(nullptr), 2, "t", static_cast<const char*>(filter.data()), file.data()),
            1);
        EXPECT_EQ(g_picked.calls, 1);
        EXPECT_EQ(g_picked.defaultExt, c.ext);
        EXPECT_EQ(g_picked.filter, (std::vector<std::string>{"Text", "*.txt"}));
    }
}

// A filter text of 255 characters whose last one is the final bar fits the 256-byte list whole.
TEST_F(FileDialogAnswer, FilterOf255EndingInABarKeepsEveryPair) {
    pick("C:\\Data", {"a.txt"});
    const std::string second = "B|" + std::string(255 - 6 - 3, 'q') + "|";
    const std::string text = "A|*.a|" + second;
    ASSERT_EQ(text.size(), 255u);
    GuardedBuffer file(10000);
    file.set("");
    EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 2, "t", filterArg(text, "a").c_str(), file.data()), 1);
    EXPECT_EQ(g_picked.filter, (std::vector<std::string>{"A", "*.a", "B", second.substr(2, second.size() - 3)}));
    // One pair more behind it: the two that fit stay.
    EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 2, "t", filterArg(text + "C|*.c|", "a").c_str(), file.data()),
              1);
    EXPECT_EQ(g_picked.filter.size(), 4u);
}

// Under ANSI code page 932 (the ShellDoubleByteCodePage ctest entry): a folder whose last
// character is U+8868 (0x95 0x5C) does not end in a backslash and gets one before each name.
class ShellDbcs : public FileDialogAnswer {};

TEST_F(ShellDbcs, FolderEndingInTrailByte5CGetsItsBackslash) {
    if (GetACP() != 932) GTEST_SKIP() << "needs ANSI code page 932 (LC_ALL=ja_JP.UTF-8), have " << GetACP();
    const std::string folder = "C:\\\x95\x5C";
    pick(folder, {"a.txt", "b.txt"});
    GuardedBuffer file(10000);
    file.set("");
    EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 2, "t", kTextFilter.c_str(), file.data()), 2);
    EXPECT_EQ(file.str(), folder + "\\a.txt\r\n" + folder + "\\b.txt\r\n");
    // A folder that does end in a backslash after the character is not given a second one.
    pick(folder + "\\", {"a.txt"});
    EXPECT_EQ(VB(GetFilenameForOpenOrSave, HWND(nullptr), 2, "t", kTextFilter.c_str(), file.data()), 1);
    EXPECT_EQ(file.str(), folder + "\\a.txt\r\n");
}

}  // namespace
}  // namespace duvad::test
