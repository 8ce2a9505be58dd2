// Clipboard file lists, the property sheet, the folder browser and the program files folder,
// through the DLL with the session's real clipboard, shell dialogs and registry.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "shell/core/geometry.h"
#include "tests/win/dialog_driver.h"
#include "tests/win/harness.h"
#include "tests/win/import_patch.h"
#include "tests/win/pe_image.h"

namespace duvad::test {
namespace {

// ---- Clipboard file lists -------------------------------------------------------------------

// Wine's clipboard manager (a thread of the session's desktop process) is told of every change and
// may open the clipboard itself meanwhile, which would make the DLL's request fail. Waits until it
// has dealt with the changes made so far: it answers a sent message only between two messages it
// takes, so the second answer comes after the notice queued before the first (2 s at most each).
void letTheClipboardManagerCatchUp() {
    HWND manager = FindWindowExA(HWND_MESSAGE, nullptr, "__wine_clipboard_manager", nullptr);
    DWORD_PTR answer = 0;
    for (int round = 0; manager && round < 2; ++round)
        SendMessageTimeoutA(manager, WM_NULL, 0, 0, SMTO_BLOCK, 2000, &answer);
}

// Puts a file-drop block of exactly these bytes on the clipboard, as any program may.
bool putDropBlock(const std::string& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    const bool ok = SetClipboardData(CF_HDROP, block) != nullptr;
    CloseClipboard();
    letTheClipboardManagerCatchUp();
    return ok;
}

// Puts a file-drop list (DROPFILES, ANSI or wide names) on the clipboard; or text only.
bool putFileList(const std::vector<std::string>& names, bool wide = false) {
    std::vector<char> bytes(sizeof(DROPFILES));
    for (const std::string& n : names) {
        for (char c : n) {
            bytes.push_back(c);
            if (wide) bytes.push_back(0);
        }
        bytes.insert(bytes.end(), wide ? 2 : 1, 0);
    }
    bytes.insert(bytes.end(), wide ? 2 : 1, 0);
    auto* files = reinterpret_cast<DROPFILES*>(bytes.data());
    files->pFiles = sizeof(DROPFILES);
    files->fWide = wide;
    return putDropBlock(std::string(bytes.begin(), bytes.end()));
}

bool putText(const char* text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, strlen(text) + 1);
    strcpy(static_cast<char*>(GlobalLock(block)), text);
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    const bool ok = SetClipboardData(CF_TEXT, block) != nullptr;
    CloseClipboard();
    letTheClipboardManagerCatchUp();
    return ok;
}

std::string joined(const std::vector<std::string>& names, size_t count) {
    std::string s;
    for (size_t i = 0; i < count; ++i) s += names[i] + "\r\n";
    return s;
}

DWORD WINAPI holdClipboard(LPVOID events) {
    // Opened for a window: a request for no window (or another one) is then refused.
    auto* e = static_cast<HANDLE*>(events);
    HWND window = CreateWindowExA(0, "STATIC", "holder", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    OpenClipboard(window);
    SetEvent(e[0]);
    WaitForSingleObject(e[1], 10000);
    CloseClipboard();
    DestroyWindow(window);
    return 0;
}

// The clipboard is the whole session's: every case is in this one test, which runs alone.
TEST(DesktopClipboard, FileListsFromTheClipboard) {
    {
        SCOPED_TRACE("three files, ANSI and wide");
        std::vector<std::string> names = {"C:\\Data\\a.txt", "C:\\Data\\Sub Folder\\b.mpg", "D:\\c"};
        for (bool wide : {false, true}) {
            ASSERT_TRUE(putFileList(names, wide));
            GuardedBuffer list(4098);
            EXPECT_EQ(VB(GetHDrop, HWND(nullptr), list.data()), 3);
            EXPECT_EQ(list.str(), joined(names, 3));
        }
    }
    {
        SCOPED_TRACE("past the 4095 bound");
        // 15 names of 253 characters and one more make 4080 characters with their separators; a
        // name of 15 brings the text to exactly 4095 and the list to its full 4098 bytes.
        std::vector<std::string> names;
        for (int i = 0; i < 16; ++i) names.push_back("C:\\" + std::string(248, char('a' + i)) + ".x");
        names.push_back("C:\\" + std::string(12, 'q'));
        names.push_back("C:\\a");
        ASSERT_TRUE(putFileList(names));
        GuardedBuffer list(4098);
        EXPECT_EQ(VB(GetHDrop, HWND(nullptr), list.data()), 17);
        EXPECT_EQ(list.str(), joined(names, 17));
        EXPECT_EQ(list.str().size(), 4097u);

        // A name that would pass the bound ends the list, even when a shorter one follows.
        names[16] = "C:\\" + std::string(17, 'q');
        ASSERT_TRUE(putFileList(names));
        GuardedBuffer cut(4098);
        EXPECT_EQ(VB(GetHDrop, HWND(nullptr), cut.data()), 16);
        EXPECT_EQ(cut.str(), joined(names, 16));
    }
    {
        SCOPED_TRACE("no file list");
        ASSERT_TRUE(putText("C:\\Data\\a.txt"));
        GuardedBuffer list(4098);
        EXPECT_EQ(VB(GetHDrop, HWND(nullptr), list.data()), 0);
        EXPECT_EQ(list.data()[0], '\0');
        EXPECT_TRUE(list.untouchedFrom(1));

        // The format announced but no data behind it (delayed rendering with no owner to render).
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        SetClipboardData(CF_HDROP, nullptr);
        CloseClipboard();
        letTheClipboardManagerCatchUp();
        ASSERT_TRUE(IsClipboardFormatAvailable(CF_HDROP));
        GuardedBuffer empty(4098);
        EXPECT_EQ(VB(GetHDrop, HWND(nullptr), empty.data()), 0);
        EXPECT_EQ(empty.str(), "");
        EXPECT_EQ(VB(GetHDrop, HWND(nullptr), static_cast<char*>(nullptr)), 0);
    }
    {
        SCOPED_TRACE("clipboard held by another thread");
        ASSERT_TRUE(putFileList({"C:\\busy.txt"}));
        HANDLE events[2] = {CreateEventA(nullptr, TRUE, FALSE, nullptr), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
        HANDLE holder = CreateThread(nullptr, 0, holdClipboard, events, 0, nullptr);
        WaitForSingleObject(events[0], 5000);
        GuardedBuffer list(4098);
        EXPECT_EQ(VB(GetHDrop, HWND(nullptr), list.data()), 0);
        EXPECT_EQ(list.str(), "");
        SetEvent(events[1]);
        WaitForSingleObject(holder, 5000);
        for (HANDLE h : {events[0], events[1], holder}) CloseHandle(h);
        GuardedBuffer again(4098);
        EXPECT_EQ(VB(GetHDrop, HWND(nullptr), again.data()), 1);
        EXPECT_EQ(again.str(), "C:\\busy.txt\r\n");
    }
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// A file-drop header (list offset, drop point, non-client flag, wide flag) and the bytes after it.
std::string dropBlock(uint32_t first, bool wide, const std::string& after) {
    std::string b(20, '\0');
    memcpy(&b[0], &first, 4);
    b[16] = wide ? 1 : 0;
    return b + after;
}

std::string wideBytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.c_str()), 2 * text.size());
}

// Blocks that do not hold the file-drop form are not read: nothing outside them, nothing past
// their ends (a list offset of 0x40000000 crashed the host; an unterminated list was read on).
TEST(DesktopClipboard, BlocksThatDoNotHoldTheirFormGiveNothing) {
    const std::string name = std::string("C:\\a.txt") + '\0';
    struct Case {
        const char* what;
        std::string block;
    };
    const Case cases[] = {
        {"shorter than its header", std::string(12, '\0')},
        {"names past the block's end", dropBlock(64, false, name + '\0')},
        {"narrow names without the empty name", dropBlock(20, false, name)},
        {"a narrow name without its terminator", dropBlock(20, false, "C:\\a.txt")},
        {"wide names without the empty name", dropBlock(20, true, wideBytes(L"C:\\a.txt") + std::string(2, '\0'))},
        {"a wide list ending in half a character", dropBlock(20, true, wideBytes(L"C:\\a.txt") + std::string(3, '\0'))},
        {"names that start inside the header", dropBlock(4, false, name + '\0')},
        {"names a gigabyte away", dropBlock(0x40000000, false, name + '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(putDropBlock(c.block));
        GuardedBuffer list(4098);
        EXPECT_EQ(VB(GetHDrop, HWND(nullptr), list.data()), 0);
        EXPECT_EQ(list.str(), "");
    }
    // The same names in whole blocks are read.
    ASSERT_TRUE(putDropBlock(dropBlock(20, false, name + '\0')));
    GuardedBuffer narrow(4098);
    EXPECT_EQ(VB(GetHDrop, HWND(nullptr), narrow.data()), 1);
    EXPECT_EQ(narrow.str(), "C:\\a.txt\r\n");
    ASSERT_TRUE(putDropBlock(dropBlock(20, true, wideBytes(L"C:\\a.txt") + std::string(4, '\0'))));
    GuardedBuffer wide(4098);
    EXPECT_EQ(VB(GetHDrop, HWND(nullptr), wide.data()), 1);
    EXPECT_EQ(wide.str(), "C:\\a.txt\r\n");
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

bool writeWideFile(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const BOOL ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr);
    CloseHandle(h);
    return ok && n == bytes.size();
}

std::wstring widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::vector<std::string> linesOf(const std::string& list) {
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = list.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(list.substr(at, end - at));
    return lines;
}

// Every name handed to the host names the file on the clipboard. A wide name with a character the
// ANSI code page lacks ("Ωmega.txt", whose best fit "Omega.txt" is another file), or a name too
// long for the 255-character area (its cut form is another file), comes as the file's short
// name; a file without one (not there) is left out.
TEST(DesktopClipboard, NamesThatCannotBeGivenExactlyComeAsShortNamesOrNotAtAll) {
    TempDir dir("hdrop");
    const std::string folder = dir.path();
    const std::wstring omega = widen(folder) + L"\x03A9mega.txt";
    ASSERT_TRUE(writeWideFile(omega, "omega"));
    ASSERT_TRUE(TempDir::writeFile(folder + "Omega.txt", "plain O"));
    ASSERT_TRUE(TempDir::writeFile(folder + "plain.txt", "plain"));
    // A path of 257 characters and the file its first 255 characters name.
    const std::string longPath = folder + std::string(257 - folder.size(), 'L');
    const std::string cutPath = longPath.substr(0, 255);
    ASSERT_TRUE(writeWideFile(L"\\\\?\\" + widen(longPath), "long"));
    ASSERT_TRUE(TempDir::writeFile(cutPath, "cut"));
    const std::string missingLong = folder + std::string(258 - folder.size(), 'M');

    std::string wideList;
    for (const std::wstring& n : {omega, widen(folder) + L"\x03A9missing.txt", widen(folder + "plain.txt"),
                                  widen(longPath), widen(missingLong)})
        wideList += wideBytes(n) + std::string(2, '\0');
    ASSERT_TRUE(putDropBlock(dropBlock(20, true, wideList + std::string(2, '\0'))));
    GuardedBuffer list(4098);
    EXPECT_EQ(VB(GetHDrop, HWND(nullptr), list.data()), 3);
    std::vector<std::string> lines = linesOf(list.str());
    ASSERT_EQ(lines.size(), 3u) << list.str();
    EXPECT_EQ(TempDir::readFile(lines[0]), "omega") << lines[0];
    EXPECT_EQ(lines[1], folder + "plain.txt");
    EXPECT_LE(lines[2].size(), 255u);
    EXPECT_EQ(TempDir::readFile(lines[2]), "long") << lines[2];

    // A narrow name too long for the area the same way.
    std::string narrowList;
    for (const std::string& n : {longPath, missingLong, folder + "plain.txt"}) narrowList += n + '\0';
    ASSERT_TRUE(putDropBlock(dropBlock(20, false, narrowList + '\0')));
    GuardedBuffer narrow(4098);
    EXPECT_EQ(VB(GetHDrop, HWND(nullptr), narrow.data()), 2);
    lines = linesOf(narrow.str());
    ASSERT_EQ(lines.size(), 2u) << narrow.str();
    EXPECT_LE(lines[0].size(), 255u);
    EXPECT_EQ(TempDir::readFile(lines[0]), "long") << lines[0];
    EXPECT_EQ(lines[1], folder + "plain.txt");

    DeleteFileW((L"\\\\?\\" + widen(longPath)).c_str());
    DeleteFileW(omega.c_str());
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

void emptyClipboard() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// A narrow name of exactly 256 characters does not fit the 255-character area: it comes as the
// file's short name, or not at all when the file has none (is not there); never whole. One of 255
// comes whole, narrow or wide.
TEST(DesktopClipboard, ANarrowNameOfExactly256CharactersComesAsItsShortName) {
    TempDir dir("hdrop256");
    const std::string folder = dir.path();
    const std::string there = folder + std::string(256 - folder.size(), 'T');
    const std::string missing = folder + std::string(256 - folder.size(), 'M');
    ASSERT_EQ(there.size(), 256u);
    ASSERT_TRUE(writeWideFile(L"\\\\?\\" + widen(there), "two hundred fifty-six"));
    ASSERT_TRUE(putDropBlock(dropBlock(20, false, there + '\0' + missing + '\0' + folder + "x.txt" + '\0' + '\0')));
    GuardedBuffer list(4098);
    EXPECT_EQ(VB(GetHDrop, HWND(nullptr), list.data()), 2);
    const std::vector<std::string> lines = linesOf(list.str());
    ASSERT_EQ(lines.size(), 2u) << list.str();
    EXPECT_LE(lines[0].size(), 255u);
    EXPECT_EQ(TempDir::readFile(lines[0]), "two hundred fifty-six") << lines[0];
    EXPECT_EQ(lines[1], folder + "x.txt");

    const std::string fits = there.substr(0, 255);
    ASSERT_TRUE(TempDir::writeFile(fits, "two hundred fifty-five"));
    ASSERT_TRUE(putDropBlock(dropBlock(20, false, fits + '\0' + '\0')));
    GuardedBuffer narrow(4098);
    EXPECT_EQ(VB(GetHDrop, HWND(nullptr), narrow.data()), 1);
    EXPECT_EQ(narrow.str(), fits + "\r\n");
    ASSERT_TRUE(putDropBlock(dropBlock(20, true, wideBytes(widen(fits)) + std::string(4, '\0'))));
    GuardedBuffer wide(4098);
    EXPECT_EQ(VB(GetHDrop, HWND(nullptr), wide.data()), 1);
    EXPECT_EQ(wide.str(), fits + "\r\n");
    DeleteFileA(fits.c_str());
    DeleteFileW((L"\\\\?\\" + widen(there)).c_str());
    emptyClipboard();
}

// The text is read by the host line by line: a name with CR or LF in it would make two lines, the
// second naming another file, so such names are left out, narrow or wide.
TEST(DesktopClipboard, NamesWithLineBreaksAreLeftOut) {
    const std::string narrow = std::string("C:\\a.txt\r\nC:\\windows\\win.ini") + '\0' + "C:\\b\nc.txt" + '\0' +
                               "C:\\d\re.txt" + '\0' + "C:\\kept.txt" + '\0' + '\0';
    ASSERT_TRUE(putDropBlock(dropBlock(20, false, narrow)));
    GuardedBuffer list(4098);
    EXPECT_EQ(VB(GetHDrop, HWND(nullptr), list.data()), 1);
    EXPECT_EQ(list.str(), "C:\\kept.txt\r\n");

    std::string wide;
    for (const std::wstring& n :
         {std::wstring(L"C:\\x\r\nC:\\windows\\win.ini"), std::wstring(L"C:\\kept.txt"), std::wstring(L"C:\\y\n")})
        wide += wideBytes(n) + std::string(2, '\0');
    ASSERT_TRUE(putDropBlock(dropBlock(20, true, wide + std::string(2, '\0'))));
    GuardedBuffer wideList(4098);
    EXPECT_EQ(VB(GetHDrop, HWND(nullptr), wideList.data()), 1);
    EXPECT_EQ(wideList.str(), "C:\\kept.txt\r\n");
    emptyClipboard();
}

// Every name of another program's block counts against the bound, also those left out: a block of
// 20000 wide names (1.2 MB) that each need the short-name query (a character the code page lacks,
// no file behind it) held the host for 18 s, one query per name. Each name left out takes the room
// of its line, so the queries stop once the bound is used up.
int g_shortNameQueries;
DWORD WINAPI countedNoShortName(LPCWSTR, LPWSTR, DWORD) {
    ++g_shortNameQueries;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
}

TEST(DesktopClipboard, ABlockOfManyNamesLeftOutIsLookedAtOnlyUpToTheBound) {
    LookupPatch lookup(dll(), {{"GetShortPathNameW", reinterpret_cast<const void*>(&countedNoShortName)}});
    ASSERT_TRUE(lookup.active());
    // 20000 names of 29 characters, each with an omega.
    std::string names;
    for (int i = 0; i < 20000; ++i) {
        wchar_t name[32];
        wsprintfW(name, L"C:\\clip\\\x03A9mega%012d.txt", i);
        ASSERT_EQ(lstrlenW(name), 29);
        names += wideBytes(name) + std::string(2, '\0');
    }
    const std::string block = dropBlock(20, true, names + std::string(2, '\0'));
    ASSERT_GT(block.size(), 1200000u);
    ASSERT_TRUE(putDropBlock(block));
    g_shortNameQueries = 0;
    GuardedBuffer list(4098);
    EXPECT_EQ(VB(GetHDrop, HWND(nullptr), list.data()), 0);
    EXPECT_EQ(list.str(), "");
    // Each name takes 29 + 2 of the 4095: no more than 133 can be looked at.
    EXPECT_GE(g_shortNameQueries, 1);
    EXPECT_LE(g_shortNameQueries, 4095 / 31 + 1);

    // Names left out ahead of names that can be given take their room as well.
    std::string mixed;
    for (int i = 0; i < 130; ++i) mixed += wideBytes(L"C:\\clip\\\x03A9mega000000000000.txt") + std::string(2, '\0');
    for (int i = 0; i < 10; ++i) mixed += wideBytes(L"C:\\clip\\plain000000000000.txt") + std::string(2, '\0');
    ASSERT_TRUE(putDropBlock(dropBlock(20, true, mixed + std::string(2, '\0'))));
    GuardedBuffer some(4098);
    EXPECT_EQ(VB(GetHDrop, HWND(nullptr), some.data()), 2) << "4095 - 130 x 31 = 65: room for two names of 29";
    EXPECT_EQ(some.str(), "C:\\clip\\plain000000000000.txt\r\nC:\\clip\\plain000000000000.txt\r\n");
    emptyClipboard();
}

// In a double-byte code page (932) wide names whose characters all have their exact form come as
// they are, also one with the trail byte 0x5C; one with a character the code page lacks (and no
// file behind it) is left out rather than given by a best fit.
TEST(ShellDbcsClipboard, WideNamesConvertExactlyOrNotAtAll) {
    if (GetACP() != 932) GTEST_SKIP() << "needs ANSI code page 932 (LC_ALL=ja_JP.UTF-8), have " << GetACP();
    std::string wideList;
    for (const std::wstring& n : {std::wstring(L"C:\\\x8868\\a.txt"), std::wstring(L"C:\\caf\x00E9.txt"),
                                  std::wstring(L"C:\\\x30C7\x30FC\x30BF.mpg")})
        wideList += wideBytes(n) + std::string(2, '\0');
    ASSERT_TRUE(putDropBlock(dropBlock(20, true, wideList + std::string(2, '\0'))));
    GuardedBuffer list(4098);
    EXPECT_EQ(VB(GetHDrop, HWND(nullptr), list.data()), 2);
    EXPECT_EQ(list.str(), "C:\\\x95\x5C\\a.txt\r\nC:\\\x83\x66\x81\x5B\x83\x5E.mpg\r\n");
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// In code page 932 a narrow name whose last byte is a lone lead byte would take the CR after it as
// its trail byte and join the next line: it is left out; one ending in a whole character is kept.
TEST(ShellDbcsClipboard, NarrowNamesEndingInALoneLeadByteAreLeftOut) {
    if (GetACP() != 932) GTEST_SKIP() << "needs ANSI code page 932 (LC_ALL=ja_JP.UTF-8), have " << GetACP();
    const std::string narrow = std::string("C:\\a\x81") + '\0' + "C:\\\x95\x5C.txt" + '\0' + "C:\\\x83\x66" + '\0' +
                               "C:\\b\x95\x5C\x81" + '\0' + '\0';
    ASSERT_TRUE(putDropBlock(dropBlock(20, false, narrow)));
    GuardedBuffer list(4098);
    EXPECT_EQ(VB(GetHDrop, HWND(nullptr), list.data()), 2);
    EXPECT_EQ(list.str(), "C:\\\x95\x5C.txt\r\nC:\\\x83\x66\r\n");
    emptyClipboard();
}

// The short-name query for wide names is one Windows 95 lacks: the DLL looks it up at run time, so
// it still loads there.
TEST(ShellImports, WideShortNameQueryIsLookedUpAtRunTime) {
    for (const std::string& imported : readPe(dll()).importedNames)
        EXPECT_NE(imported.substr(imported.find('!') + 1), "GetShortPathNameW") << imported;
}

// ---- Property sheet -------------------------------------------------------------------------

// Wine has no "properties" verb: it refuses every request (with a message box of its own, as the
// request allows the shell's messages). What can be seen here is the refusal of a missing file
// and of a null path, and that a message box the shell shows does not keep the call waiting.
TEST(DesktopShellProperties, MissingFileOrNoPathGivesZero) {
    TempDir dir("props");
    DialogScript dismiss([](HWND box) { press(box, IDOK); }, 3000);
    EXPECT_EQ(VB(InvokeShellProperties, dir.file("missing.txt").c_str()), 0);
    dismiss.join();
    EXPECT_TRUE(dismiss.sawDialog()) << "the shell's own error message was suppressed";
    EXPECT_EQ(VB(InvokeShellProperties, static_cast<const char*>(nullptr)), 0);
}

// ---- Folder browser -------------------------------------------------------------------------

struct BrowseSeen {
    std::string title;
    std::string selected;  // the tree's selected item when the script answered
    bool walked = true;    // false: Wine's tree never showed the expected folder
    RECT dialog = {};
};

std::string selectedItem(HWND dialog) {
    HWND tree = findChild(dialog, "SysTreeView32");
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    char text[MAX_PATH] = {};
    TVITEMA it = {};
    it.mask = TVIF_TEXT;
    it.hItem = item;
    it.pszText = text;
    it.cchTextMax = sizeof text;
    if (!item || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it))) return "";
    return text;
}

// Records the folder each browser is asked to open at: the path of the first BFFM_SETSELECTIONA
// sent to it on the calling thread, which is what the DLL decides, whatever Wine's tree then
// manages to show.
class OpeningFolder {
public:
    OpeningFolder() { hook_ = SetWindowsHookExA(WH_CALLWNDPROC, record, nullptr, GetCurrentThreadId()); }
    ~OpeningFolder() {
        if (hook_) UnhookWindowsHookEx(hook_);
    }
    OpeningFolder(const OpeningFolder&) = delete;
    OpeningFolder& operator=(const OpeningFolder&) = delete;
    bool hooked() const { return hook_ != nullptr; }
    // The path asked for since the last call, then forgotten.
    std::string take() {
        std::string p = path_;
        path_.clear();
        asked_ = false;
        return p;
    }

private:
    static LRESULT CALLBACK record(int code, WPARAM wp, LPARAM lp) {
        const auto* m = reinterpret_cast<const CWPSTRUCT*>(lp);
        if (code == HC_ACTION && m->message == BFFM_SETSELECTIONA && m->wParam && m->lParam && !asked_) {
            path_ = reinterpret_cast<const char*>(m->lParam);
            asked_ = true;
        }
        return CallNextHookEx(nullptr, code, wp, lp);
    }
    static inline std::string path_;
    static inline bool asked_ = false;
    HHOOK hook_ = nullptr;
};

// Presses OK (or Cancel) once the tree shows the folder `path` selected (at once without one), and
// notes what the browser showed. The dialog is handed over once its set-up is done, so the tree
// shows the folder from the start; it gets 10 s all the same, and if it never gets there the
// script presses Cancel and says so, rather than answering with a selection nobody asked for.
DialogScript answer(BrowseSeen* seen, int button, std::string path = "") {
    const std::string expect = path.substr(path.find_last_of('\\') + 1);  // the tree shows names
    return DialogScript([seen, button, expect](HWND d) {
        const DWORD start = GetTickCount();
        while (!expect.empty() && selectedItem(d) != expect && GetTickCount() - start < 10000) Sleep(20);
        seen->walked = expect.empty() || selectedItem(d) == expect;
        seen->selected = selectedItem(d);
        GetWindowRect(d, &seen->dialog);
        seen->title.clear();
        for (HWND c = findChild(d, "Static"); c; c = FindWindowExA(d, c, "Static", nullptr))
            if (windowText(c).size() > seen->title.size()) seen->title = windowText(c);
        press(d, seen->walked ? button : IDCANCEL);
    });
}

// The folders to browse lie outside the temporary folder: other test programs create and delete
// folders there all the time, and the browser's tree cannot be expanded through a folder whose
// content changes while it is read.
class DesktopFolderBrowser : public ::testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryA(MAX_PATH, savedCwd_);
        owner_ = makeWindow("DuVadBrowseOwner", DefWindowProcA, "owner", 100, 80, 700, 560);
        ASSERT_NE(owner_, nullptr);
        ShowWindow(owner_, SW_SHOWNORMAL);
        for (const std::string& f : {base_, folder("first"), folder("second")})
            ASSERT_TRUE(CreateDirectoryA(f.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << f;
    }
    // The folders stay in the test prefix: a folder made just before the browser opens was now
    // and then shown without its subfolders, and the tree could not be walked down to it.
    void TearDown() override {
        SetCurrentDirectoryA(savedCwd_);
        DestroyWindow(owner_);
    }
    std::string folder(const char* name) { return base_ + "\\" + name; }  // no trailing backslash

    char savedCwd_[MAX_PATH] = {};
    HWND owner_ = nullptr;
    std::string base_ = "C:\\duvad_browse";  // the browser tests run one at a time
};

#define ASSERT_WALKED(seen, path) \
    ASSERT_TRUE((seen).walked) << "Wine's folder tree never showed " << (path) << ", only " << (seen).selected

TEST_F(DesktopFolderBrowser, OpensAtTheCurrentDirectoryThenAtTheLastPickAndCentresOverItsOwner) {
    OpeningFolder opening;
    ASSERT_TRUE(opening.hooked());
    ASSERT_TRUE(SetCurrentDirectoryA(folder("first").c_str()));
    BrowseSeen seen;
    GuardedBuffer picked(512);
    int32_t result = -1;
    {
        DialogScript ok = answer(&seen, IDOK, folder("first"));
        result = VB(ShellGetFolder, owner_, "Where shall the image go?", picked.data());
    }
    EXPECT_EQ(opening.take(), folder("first"));
    EXPECT_EQ(seen.title, "Where shall the image go?");
    RECT o = {};
    GetWindowRect(owner_, &o);
    // The dialog's middle is the owner's (within the pixel a truncated half may lose).
    EXPECT_LE(std::abs((seen.dialog.left + seen.dialog.right) - (o.left + o.right)), 1);
    EXPECT_LE(std::abs((seen.dialog.top + seen.dialog.bottom) - (o.top + o.bottom)), 1);
    ASSERT_WALKED(seen, folder("first"));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(picked.str(), folder("first"));

    // Another current directory and no owner: the browser opens at the folder picked last, and
    // with no owner to centre over it stays where the shell put it, whole on the screen.
    ASSERT_TRUE(SetCurrentDirectoryA(folder("second").c_str()));
    GuardedBuffer again(512);
    {
        DialogScript ok = answer(&seen, IDOK, folder("first"));
        result = VB(ShellGetFolder, HWND(nullptr), "", again.data());
    }
    EXPECT_EQ(opening.take(), folder("first"));
    EXPECT_GE(seen.dialog.left, 0);
    EXPECT_GE(seen.dialog.top, 0);
    ASSERT_WALKED(seen, folder("first"));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(again.str(), folder("first"));

    // Cancel: 0, the caller's buffer untouched, and the last folder kept.
    GuardedBuffer cancelled(512);
    {
        DialogScript cancel = answer(&seen, IDCANCEL);
        EXPECT_EQ(VB(ShellGetFolder, owner_, "x", cancelled.data()), 0);
    }
    EXPECT_TRUE(cancelled.untouchedFrom(0));
    EXPECT_EQ(opening.take(), folder("first"));
    {
        DialogScript ok = answer(&seen, IDOK, folder("first"));
        result = VB(ShellGetFolder, owner_, "x", again.data());
    }
    EXPECT_EQ(opening.take(), folder("first"));
    ASSERT_WALKED(seen, folder("first"));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(again.str(), folder("first"));
}

TEST_F(DesktopFolderBrowser, ItemWithoutAPathForgetsTheLastFolderAndLongTitlesAreCut) {
    OpeningFolder opening;
    ASSERT_TRUE(opening.hooked());
    int32_t result = -1;
    ASSERT_TRUE(SetCurrentDirectoryA(folder("first").c_str()));
    const std::string title(1500, 'W');
    BrowseSeen seen;
    GuardedBuffer picked(512);
    {
        // "My Computer" is a shell item with no file-system path.
        DialogScript computer([](HWND d) {
            LPITEMIDLIST drives = nullptr;
            SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives);
            SendMessageA(d, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(drives));
            CoTaskMemFree(drives);
            settle(d);
            press(d, IDOK);
        });
        EXPECT_EQ(VB(ShellGetFolder, owner_, title.c_str(), picked.data()), 0);
    }
    EXPECT_TRUE(picked.untouchedFrom(0));
    EXPECT_EQ(opening.take(), folder("first"));

    // The next browser opens at the current directory again; the title shows cut to 1023.
    ASSERT_TRUE(SetCurrentDirectoryA(folder("second").c_str()));
    {
        DialogScript ok = answer(&seen, IDOK, folder("second"));
        result = VB(ShellGetFolder, owner_, title.c_str(), picked.data());
    }
    EXPECT_EQ(opening.take(), folder("second"));
    EXPECT_EQ(seen.title, title.substr(0, 1023));
    EXPECT_EQ(VB(ShellGetFolder, owner_, "x", static_cast<char*>(nullptr)), 0);
    ASSERT_WALKED(seen, folder("second"));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(picked.str(), folder("second"));
}

// ---- Program files folder -------------------------------------------------------------------

constexpr char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";

std::string programFilesValue() {
    char value[MAX_PATH] = {};
    DWORD size = sizeof value;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersion, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    LONG rc = RegQueryValueExA(key, "ProgramFilesDir", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? value : "<no value>";
}

// In the desktop group with the test below, which changes the value for a while: run beside it,
// this one would read one value and be answered with another.
TEST(DesktopProgramFiles, TheFolderWithOneBackslash) {
    const std::string value = programFilesValue();
    ASSERT_NE(value[0], '<') << value;
    GuardedBuffer folder(129);
    EXPECT_EQ(VB(GetProgamFilesFolder, folder.data()), 0);
    EXPECT_EQ(folder.str(), value + "\\");
    EXPECT_EQ(folder.str().find("\\\\"), std::string::npos);
    EXPECT_EQ(VB(GetProgamFilesFolder, static_cast<char*>(nullptr)), 0);
}

// Changes the machine's value for a while: it runs alone and puts the value back.
TEST(DesktopProgramFiles, UnreadableValueGivesTheBackslashAlone) {
    const std::string saved = programFilesValue();
    ASSERT_NE(saved[0], '<') << saved;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersion, 0, KEY_READ | KEY_WRITE, &key), ERROR_SUCCESS);
    auto set = [key](const std::string& v, DWORD type = REG_SZ) {
        RegSetValueExA(key, "ProgramFilesDir", 0, type, reinterpret_cast<const BYTE*>(v.c_str()), DWORD(v.size() + 1));
    };
    struct Case {
        const char* what;
        std::string value;
        DWORD type;
        bool missing;
        std::string want;
    };
    const std::string longest = "C:\\" + std::string(124, 'p');  // 127 characters
    const Case cases[] = {
        {"missing", "", REG_SZ, true, "\\"},
        {"127 characters", longest, REG_SZ, false, longest + "\\"},
        {"128 characters", longest + "q", REG_SZ, false, "\\"},
        {"not a text", "C:\\Bin", REG_BINARY, false, "\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.missing)
            RegDeleteValueA(key, "ProgramFilesDir");
        else
            set(c.value, c.type);
        GuardedBuffer folder(129);
        EXPECT_EQ(VB(GetProgamFilesFolder, folder.data()), 0);
        EXPECT_EQ(folder.str(), c.want);
    }
    set(saved);
    RegCloseKey(key);
    EXPECT_EQ(programFilesValue(), saved);
}

}  // namespace
}  // namespace duvad::test
