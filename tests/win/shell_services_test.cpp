// Clipboard file lists, the property sheet, the folder browser, the program files folder and
// file-type registration, through the DLL with the real clipboard, shell dialogs and registry.
#include <windows.h>
#include <commctrl.h>
#include <sddl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "shell/core/geometry.h"
#include "tests/win/dialog_driver.h"
#include "tests/win/harness.h"
#include "tests/win/import_patch.h"

namespace duvad::test {
namespace {

// ---- Clipboard file lists -------------------------------------------------------------------

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
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    const bool ok = SetClipboardData(CF_HDROP, block) != nullptr;
    CloseClipboard();
    return ok;
}

bool putText(const char* text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, strlen(text) + 1);
    strcpy(static_cast<char*>(GlobalLock(block)), text);
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    const bool ok = SetClipboardData(CF_TEXT, block) != nullptr;
    CloseClipboard();
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
    ~OpeningFolder() { if (hook_) UnhookWindowsHookEx(hook_); }
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
// notes what the browser showed. Wine's tree is now and then not walkable down to a path for a
// while (the desktop still adding volumes): the script then asks again for `path` a few times, and
// if the tree never gets there it presses Cancel and says so, rather than answering with a
// selection nobody asked for.
DialogScript answer(BrowseSeen* seen, int button, std::string path = "") {
    const std::string expect = path.substr(path.find_last_of('\\') + 1);  // the tree shows names
    return DialogScript([seen, button, expect, path](HWND d) {
        seen->walked = true;
        for (int attempt = 0; !expect.empty() && selectedItem(d) != expect; ++attempt) {
            for (int i = 0; i < 100 && selectedItem(d) != expect; ++i) Sleep(20);
            if (selectedItem(d) == expect) break;
            if (attempt == 4) {
                seen->walked = false;
                break;
            }
            SendMessageA(d, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
        }
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
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "DuVadBrowseOwner";
        RegisterClassA(&wc);
        owner_ = CreateWindowExA(0, wc.lpszClassName, "owner", WS_OVERLAPPEDWINDOW, 100, 80, 700, 560, nullptr,
                                 nullptr, wc.hInstance, nullptr);
        ASSERT_NE(owner_, nullptr);
        ShowWindow(owner_, SW_SHOWNORMAL);
        letTheDesktopSettle();
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

    // Wine's desktop process starts with the session's first window and ends a moment after its
    // last one, so each test program may meet a new one; for a while after its start it is still
    // adding the machine's drives and volumes, and a folder tree built meanwhile cannot be walked
    // down to a path (the tree stays at the desktop). A desktop that has just started gets 3 s.
    static void letTheDesktopSettle() {
        DWORD pid = 0;
        GetWindowThreadProcessId(GetDesktopWindow(), &pid);
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        FILETIME created = {}, exited, kernel, user, now;
        const bool known = process && GetProcessTimes(process, &created, &exited, &kernel, &user);
        if (process) CloseHandle(process);
        if (!known) return;
        GetSystemTimeAsFileTime(&now);
        auto ticks = [](const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
        const uint64_t ageMs = (ticks(now) - ticks(created)) / 10000;
        if (ageMs < 3000) Sleep(DWORD(3000 - ageMs));
    }

    char savedCwd_[MAX_PATH] = {};
    HWND owner_ = nullptr;
    std::string base_ = "C:\\duvad_browse";  // the browser tests run one at a time
};

#define SKIP_UNLESS_WALKED(seen, path) \
    if (!(seen).walked) GTEST_SKIP() << "Wine's folder tree could not be walked down to " << (path)

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
    const shell::Point want = shell::centreOver({o.left, o.top, o.right, o.bottom},
                                                {seen.dialog.left, seen.dialog.top, seen.dialog.right, seen.dialog.bottom});
    EXPECT_EQ(seen.dialog.left, want.x);
    EXPECT_EQ(seen.dialog.top, want.y);
    SKIP_UNLESS_WALKED(seen, folder("first"));
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
    SKIP_UNLESS_WALKED(seen, folder("first"));
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
    SKIP_UNLESS_WALKED(seen, folder("first"));
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
            Sleep(100);
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
    SKIP_UNLESS_WALKED(seen, folder("second"));
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
    struct Case { const char* what; std::string value; DWORD type; bool missing; std::string want; };
    const std::string longest = "C:\\" + std::string(124, 'p');  // 127 characters
    const Case cases[] = {
        {"missing", "", REG_SZ, true, "\\"},
        {"127 characters", longest, REG_SZ, false, longest + "\\"},
        {"128 characters", longest + "q", REG_SZ, false, "\\"},
        {"not a text", "C:\\Bin", REG_BINARY, false, "\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.missing) RegDeleteValueA(key, "ProgramFilesDir");
        else set(c.value, c.type);
        GuardedBuffer folder(129);
        EXPECT_EQ(VB(GetProgamFilesFolder, folder.data()), 0);
        EXPECT_EQ(folder.str(), c.want);
    }
    set(saved);
    RegCloseKey(key);
    EXPECT_EQ(programFilesValue(), saved);
}

// ---- File-type registration -----------------------------------------------------------------

void deleteTree(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char child[256];
    while (RegEnumKeyA(key, 0, child, sizeof child) == ERROR_SUCCESS) deleteTree(key, child);
    RegCloseKey(key);
    RegDeleteKeyA(root, path.c_str());
}

std::string defaultValue(const std::string& path) {
    char value[1024] = {};
    LONG size = sizeof value;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, path.c_str(), value, &size) != ERROR_SUCCESS) return "<missing>";
    return value;
}

class FileType : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override {
        deleteTree(HKEY_CLASSES_ROOT, ext_);
        deleteTree(HKEY_CLASSES_ROOT, type_);
    }
    std::string ext_ = ".duvad" + std::to_string(GetCurrentProcessId());
    std::string type_ = "DuVadTest.Image" + std::to_string(GetCurrentProcessId());
};

TEST_F(FileType, TwiceGivesTheSameFourDefaults) {
    const std::string open = "\"C:\\Program Files\\DuVad\\duvad.exe\" \"%1\"";
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(VB(ExtensionReg, ext_.c_str(), type_.c_str(), "Video CD image", open.c_str(),
                     "C:\\Program Files\\DuVad\\duvad.exe,1"), 0);
        EXPECT_EQ(defaultValue(ext_), type_);
        EXPECT_EQ(defaultValue(type_), "Video CD image");
        EXPECT_EQ(defaultValue(type_ + "\\Shell\\Open\\Command"), open);
        EXPECT_EQ(defaultValue(type_ + "\\DefaultIcon"), "C:\\Program Files\\DuVad\\duvad.exe,1");
    }
    // The values are plain texts whose stored length is the text's with one terminator.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ext_.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(size, type_.size() + 1);
}

TEST_F(FileType, NullArgumentWritesNothing) {
    EXPECT_EQ(VB(ExtensionReg, ext_.c_str(), type_.c_str(), "d", static_cast<const char*>(nullptr), "i"),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(defaultValue(ext_), "<missing>");
    EXPECT_EQ(defaultValue(type_), "<missing>");
}

// An empty name would name HKEY_CLASSES_ROOT itself: refused like a null one, nothing written.
TEST_F(FileType, EmptyNamesAreRefusedAndNothingIsWrittenAtTheRoot) {
    auto exists = [](const char* path) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    };
    const std::string rootBefore = defaultValue("");
    const bool commandBefore = exists("Shell\\Open\\Command"), iconBefore = exists("DefaultIcon");
    EXPECT_EQ(VB(ExtensionReg, ext_.c_str(), "", "d", "o", "i"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(VB(ExtensionReg, "", type_.c_str(), "d", "o", "i"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(defaultValue(""), rootBefore);
    EXPECT_EQ(exists("Shell\\Open\\Command"), commandBefore);
    EXPECT_EQ(exists("DefaultIcon"), iconBefore);
    EXPECT_EQ(defaultValue(ext_), "<missing>");
    EXPECT_EQ(defaultValue(type_), "<missing>");
    // An empty description, command or icon is a value like any other.
    EXPECT_EQ(VB(ExtensionReg, ext_.c_str(), type_.c_str(), "", "", ""), 0);
    EXPECT_EQ(defaultValue(ext_), type_);
    EXPECT_EQ(defaultValue(type_ + "\\DefaultIcon"), "");
}

// The extension's key may be read but not written: the link to the type is missing, and the
// result says so with the code of the refused write (the type's own keys are still written).
TEST_F(FileType, AWriteTheRegistryRefusesIsReported) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, ext_.c_str(), &key), ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    // Everyone may read the key, change its permissions and delete it, but not set values.
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KRWDSD;;;WD)", SDDL_REVISION_1,
                                                                     &readOnly, nullptr));
    ASSERT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly), ERROR_SUCCESS);
    LocalFree(readOnly);
    RegCloseKey(key);

    EXPECT_EQ(VB(ExtensionReg, ext_.c_str(), type_.c_str(), "d", "o", "i"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(defaultValue(ext_), "");
    EXPECT_EQ(defaultValue(type_), "d");
    EXPECT_EQ(defaultValue(type_ + "\\DefaultIcon"), "i");

    // Writable again, so that the fixture can remove it.
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ext_.c_str(), 0, WRITE_DAC, &key), ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR open = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KA;;;WD)", SDDL_REVISION_1, &open, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, open), ERROR_SUCCESS);
    LocalFree(open);
    RegCloseKey(key);
}

// Through a stand-in for RegSetValueA that refuses two of the writes: the result is the code of
// the first one refused, and the writes after it are still tried.
std::vector<std::string> g_regWrites;
LONG WINAPI refusingSetValue(HKEY key, LPCSTR subKey, DWORD type, LPCSTR text, DWORD length) {
    g_regWrites.push_back(subKey ? subKey : "");
    if (subKey && std::string(subKey) == "Shell\\Open\\Command") return ERROR_ACCESS_DENIED;
    if (subKey && std::string(subKey) == "DefaultIcon") return ERROR_BADDB;
    return RegSetValueA(key, subKey, type, text, length);
}

TEST_F(FileType, TheFirstRefusedWriteGivesTheResult) {
    ImportPatch set(dll(), "advapi32.dll", "RegSetValueA", reinterpret_cast<const void*>(&refusingSetValue));
    ASSERT_TRUE(set.active());
    g_regWrites.clear();
    EXPECT_EQ(VB(ExtensionReg, ext_.c_str(), type_.c_str(), "d", "o", "i"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(g_regWrites, (std::vector<std::string>{"", "", "Shell\\Open\\Command", "DefaultIcon"}));
    EXPECT_EQ(defaultValue(ext_), type_);
    EXPECT_EQ(defaultValue(type_), "d");
}

}  // namespace
}  // namespace duvad::test
