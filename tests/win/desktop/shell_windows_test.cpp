// Finding a Visual Basic 6 program's main window and arranging Explorer beside the host, with
// real top-level windows of the classes those programs use. The Desktop* suites run one at a time
// (their windows are seen by every process of the session).
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "tests/win/harness.h"
#include "tests/win/import_patch.h"

namespace duvad::test {
namespace {

constexpr char kVb6[] = "ThunderRT6MDIForm";
constexpr char kExplorer[] = "ExploreWClass";

int32_t handleWord(HWND w) { return static_cast<int32_t>(reinterpret_cast<intptr_t>(w)); }

// Top-level windows made by this thread; destroyed, and their classes unregistered, at the end,
// so no class spelling outlives the test in the session.
class TopWindows {
public:
    ~TopWindows() {
        for (HWND w : windows_) DestroyWindow(w);
        for (const std::string& c : classes_) UnregisterClassA(c.c_str(), GetModuleHandleA(nullptr));
        drain();
    }
    HWND make(const char* cls, const char* title, int x = 50, int y = 60, int width = 400, int height = 300) {
        if (classes_.insert(cls).second) {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = DefWindowProcA;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = cls;
            EXPECT_TRUE(RegisterClassA(&wc)) << cls;
        }
        HWND w = CreateWindowExA(0, cls, title, WS_OVERLAPPEDWINDOW, x, y, width, height, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(w, nullptr) << "no display? run under Xvfb";
        ShowWindow(w, SW_SHOWNORMAL);
        windows_.push_back(w);
        drain();
        return w;
    }
    static void drain() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    }

private:
    std::vector<HWND> windows_;
    std::set<std::string> classes_;
};

// A program of the tests' folder, started with a command line; its window is awaited by class.
struct Helper {
    PROCESS_INFORMATION pi = {};
    HWND window = nullptr;
    bool start(const std::string& commandLine, const char* cls) {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        std::string line = commandLine;
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, testDir().c_str(), &si, &pi))
            return false;
        for (int i = 0; i < 250 && !window; ++i, Sleep(20)) window = FindWindowA(cls, nullptr);
        return window != nullptr;
    }
    ~Helper() { stop(); }
    void stop() {
        if (window) PostMessageA(window, WM_CLOSE, 0, 0);
        if (pi.hProcess) {
            if (WaitForSingleObject(pi.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
        pi = {};
        window = nullptr;
    }
};

TEST(DesktopVb6Window, PrefixIsCaseSensitiveAndClassMustMatch) {
    TopWindows w;
    HWND setup = w.make(kVb6, "Setup - Recorder");
    w.make("DuVadNotVb6", "Setup - Impostor");  // above it in Z order, right title, other class
    EXPECT_EQ(VB(FindThisVB6MDIWindow, "Set"), handleWord(setup));
    EXPECT_EQ(VB(FindThisVB6MDIWindow, "Setup - Recorder"), handleWord(setup));
    EXPECT_EQ(VB(FindThisVB6MDIWindow, "set"), 0);
    EXPECT_EQ(VB(FindThisVB6MDIWindow, "Setup - Recorder!"), 0);
    EXPECT_EQ(VB(FindThisVB6MDIWindow, static_cast<const char*>(nullptr)), 0);
}

TEST(DesktopVb6Window, EmptyPrefixFindsTheTopmostFormInZOrder) {
    TopWindows w;
    HWND first = w.make(kVb6, "First");
    HWND second = w.make(kVb6, "Second");
    SetWindowPos(second, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(VB(FindThisVB6MDIWindow, ""), handleWord(second));
    SetWindowPos(first, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(VB(FindThisVB6MDIWindow, ""), handleWord(first));
    // Minimised and maximised forms are found like any other.
    ShowWindow(second, SW_MINIMIZE);
    EXPECT_EQ(VB(FindThisVB6MDIWindow, "Sec"), handleWord(second));
    ShowWindow(first, SW_MAXIMIZE);
    EXPECT_EQ(VB(FindThisVB6MDIWindow, "Fir"), handleWord(first));
}

TEST(DesktopVb6Window, TitleLongerThanTheAreaAndAFormThatWentAway) {
    TopWindows w;
    const std::string title(300, 'T');
    HWND longTitle = w.make(kVb6, title.c_str());
    // The title is read as at most 255 characters: a prefix of 255 matches, one of 256 cannot.
    EXPECT_EQ(VB(FindThisVB6MDIWindow, title.substr(0, 255).c_str()), handleWord(longTitle));
    EXPECT_EQ(VB(FindThisVB6MDIWindow, title.substr(0, 256).c_str()), 0);
    EXPECT_EQ(VB(FindThisVB6MDIWindow, title.c_str()), 0);

    HWND gone = w.make(kVb6, "Vanishing");
    EXPECT_EQ(VB(FindThisVB6MDIWindow, "Vanish"), handleWord(gone));
    DestroyWindow(gone);
    EXPECT_EQ(VB(FindThisVB6MDIWindow, "Vanish"), 0);
}

// Class names are atoms of the whole session and the first spelling registered wins, so the
// lower-case class is registered by a process of its own while no correctly spelled class exists.
TEST(DesktopVb6Window, ClassDifferingOnlyInCaseIsNotFound) {
    ASSERT_EQ(FindWindowA(kVb6, nullptr), nullptr) << "another Visual Basic 6 form is on the desktop";
    {
        Helper lower;
        ASSERT_TRUE(lower.start("duvad_fake_window.exe thunderrt6mdiform \"Lower Case Form\"", "thunderrt6mdiform"));
        char cls[128] = {};
        GetClassNameA(lower.window, cls, sizeof cls);
        ASSERT_STREQ(cls, "thunderrt6mdiform");
        EXPECT_EQ(VB(FindThisVB6MDIWindow, "Lower Case"), 0);
        EXPECT_EQ(VB(FindThisVB6MDIWindow, ""), 0);
    }
    // Once that process is gone the right spelling is back for everyone after.
    TopWindows w;
    HWND right = w.make(kVb6, "Lower Case Form");
    char cls[128] = {};
    GetClassNameA(right, cls, sizeof cls);
    EXPECT_STREQ(cls, kVb6);
    EXPECT_EQ(VB(FindThisVB6MDIWindow, "Lower Case"), handleWord(right));
}

// A window whose title handler searches for another form, as a host's handler may: the outer
// search reads that title (WM_GETTEXT reaches the handler), and its answer stays its own.
struct TitleHandlerSearch {
    const char* prefix = nullptr;  // what the handler searches for; none once it has searched
    int32_t found = -1;
};
TitleHandlerSearch g_titleSearch;

LRESULT CALLBACK searchingTitleProc(HWND w, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_GETTEXT && g_titleSearch.prefix) {
        const char* prefix = g_titleSearch.prefix;
        g_titleSearch.prefix = nullptr;
        g_titleSearch.found = VB(FindThisVB6MDIWindow, prefix);
    }
    return DefWindowProcA(w, message, wp, lp);
}

TEST(DesktopVb6Window, ASearchFromATitleHandlerLeavesTheOuterAnswer) {
    TopWindows w;
    HWND inner = w.make(kVb6, "Inner Form");
    HWND searching = makeWindow("DuVadSearchingTitle", searchingTitleProc, "Searching", 10, 10, 100, 100);
    ASSERT_NE(searching, nullptr);
    SetWindowPos(searching, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    // The outer search finds nothing, the inner one its form: the outer answer stays 0.
    g_titleSearch = {"Inner", -1};
    EXPECT_EQ(VB(FindThisVB6MDIWindow, "No Such Program"), 0);
    EXPECT_EQ(g_titleSearch.found, handleWord(inner)) << "the handler's search ran and found its form";

    // The outer search finds its form below the searching window, the inner one finds nothing.
    HWND outer = w.make(kVb6, "Outer Form");
    SetWindowPos(searching, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    g_titleSearch = {"No Such Program", -1};
    EXPECT_EQ(VB(FindThisVB6MDIWindow, "Outer"), handleWord(outer));
    EXPECT_EQ(g_titleSearch.found, 0);
    DestroyWindow(searching);
    g_titleSearch = {};
}

RECT rectOf(HWND w) {
    RECT r = {};
    GetWindowRect(w, &r);
    return r;
}

RECT normalRectOf(HWND w) {
    WINDOWPLACEMENT p = {};
    p.length = sizeof p;
    GetWindowPlacement(w, &p);
    return p.rcNormalPosition;
}

::testing::AssertionResult sameRect(const RECT& got, const RECT& want) {
    if (EqualRect(&got, &want)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << got.left << "," << got.top << ")-(" << got.right << ","
                                         << got.bottom << "), want (" << want.left << "," << want.top << ")-("
                                         << want.right << "," << want.bottom << ")";
}

bool above(HWND upper, HWND lower) {
    for (HWND w = GetWindow(upper, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
        if (w == lower) return true;
    return false;
}

// The work area of this process is set to the example of the arrangement: 1024 x 737.
class DesktopExplorer : public ::testing::Test {
protected:
    void SetUp() override {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &saved_, 0);
        RECT area = {0, 0, 1024, 737};
        ASSERT_TRUE(SystemParametersInfoA(SPI_SETWORKAREA, 0, &area, 0));
        ASSERT_EQ(FindWindowA(kExplorer, nullptr), nullptr) << "an Explorer window is already on the desktop";
    }
    void TearDown() override { SystemParametersInfoA(SPI_SETWORKAREA, 0, &saved_, 0); }

    RECT saved_ = {};
    TopWindows w_;
};

const RECT kHostPart = {0, 0, 1024, 368};
const RECT kExplorerPart = {0, 368, 1024, 737};

TEST_F(DesktopExplorer, OtherModesDoNothingAndRestoreNeedsAnArrangement) {
    HWND host = w_.make(kVb6, "Host");
    HWND explorer = w_.make(kExplorer, "Exploring", 500, 100, 300, 200);
    EXPECT_EQ(VB(AllineaConExplorer, host, 2), 1);
    EXPECT_EQ(VB(AllineaConExplorer, host, -1), 1);
    EXPECT_EQ(VB(AllineaConExplorer, host, 0), 0);
    EXPECT_TRUE(sameRect(rectOf(host), {50, 60, 450, 360}));
    EXPECT_TRUE(sameRect(rectOf(explorer), {500, 100, 800, 300}));
}

TEST_F(DesktopExplorer, ArrangesOneAboveTheOtherAndPutsBothBack) {
    HWND host = w_.make(kVb6, "Host");
    HWND explorer = w_.make(kExplorer, "Exploring", 500, 100, 300, 200);
    SetWindowPos(explorer, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    ASSERT_EQ(VB(AllineaConExplorer, host, 1), 1);
    EXPECT_TRUE(sameRect(rectOf(host), kHostPart));
    EXPECT_TRUE(sameRect(rectOf(explorer), kExplorerPart));  // the odd pixel goes to Explorer
    EXPECT_TRUE(above(host, explorer));
    EXPECT_EQ(GetForegroundWindow(), host);

    // The user moves both; restoring puts them back where they were before the arrangement.
    SetWindowPos(host, nullptr, 5, 5, 200, 200, SWP_NOZORDER);
    ASSERT_EQ(VB(AllineaConExplorer, host, 0), 1);
    EXPECT_TRUE(sameRect(rectOf(host), {50, 60, 450, 360}));
    EXPECT_TRUE(sameRect(rectOf(explorer), {500, 100, 800, 300}));
    EXPECT_EQ(VB(AllineaConExplorer, host, 0), 0);  // nothing pending any more
}

TEST_F(DesktopExplorer, MaximisedHostAndMinimisedExplorerComeBackAsTheyWere) {
    HWND host = w_.make(kVb6, "Host");
    HWND explorer = w_.make(kExplorer, "Exploring", 500, 100, 300, 200);
    ShowWindow(host, SW_MAXIMIZE);
    ShowWindow(explorer, SW_MINIMIZE);
    TopWindows::drain();

    ASSERT_EQ(VB(AllineaConExplorer, host, 1), 1);
    EXPECT_FALSE(IsZoomed(host));
    EXPECT_FALSE(IsIconic(explorer));
    EXPECT_TRUE(sameRect(rectOf(host), kHostPart));
    EXPECT_TRUE(sameRect(rectOf(explorer), kExplorerPart));

    ASSERT_EQ(VB(AllineaConExplorer, host, 0), 1);
    EXPECT_TRUE(IsZoomed(host));
    EXPECT_TRUE(IsIconic(explorer));
    EXPECT_TRUE(sameRect(normalRectOf(host), {50, 60, 450, 360}));
    EXPECT_TRUE(sameRect(normalRectOf(explorer), {500, 100, 800, 300}));
    EXPECT_EQ(VB(AllineaConExplorer, host, 0), 0);
}

TEST_F(DesktopExplorer, ExplorerMinimisedFromMaximisedComesBackMinimised) {
    HWND host = w_.make(kVb6, "Host");
    HWND explorer = w_.make(kExplorer, "Exploring", 500, 100, 300, 200);
    ShowWindow(explorer, SW_MAXIMIZE);
    ShowWindow(explorer, SW_MINIMIZE);
    TopWindows::drain();

    ASSERT_EQ(VB(AllineaConExplorer, host, 1), 1);
    EXPECT_FALSE(IsIconic(explorer));
    EXPECT_FALSE(IsZoomed(explorer));
    EXPECT_TRUE(sameRect(rectOf(explorer), kExplorerPart));
    ASSERT_EQ(VB(AllineaConExplorer, host, 0), 1);
    EXPECT_TRUE(IsIconic(explorer));
    EXPECT_FALSE(IsZoomed(host));
    EXPECT_TRUE(sameRect(rectOf(host), {50, 60, 450, 360}));
}

TEST_F(DesktopExplorer, MaximisedExplorerComesBackMaximised) {
    HWND host = w_.make(kVb6, "Host");
    HWND explorer = w_.make(kExplorer, "Exploring", 500, 100, 300, 200);
    ShowWindow(explorer, SW_MAXIMIZE);
    TopWindows::drain();
    ASSERT_EQ(VB(AllineaConExplorer, host, 1), 1);
    EXPECT_FALSE(IsZoomed(explorer));
    EXPECT_TRUE(sameRect(rectOf(explorer), kExplorerPart));
    ASSERT_EQ(VB(AllineaConExplorer, host, 0), 1);
    EXPECT_TRUE(IsZoomed(explorer));
    EXPECT_TRUE(sameRect(normalRectOf(explorer), {500, 100, 800, 300}));
}

TEST_F(DesktopExplorer, ArrangingTwiceKeepsTheArrangedPlacesAndAClosedExplorerEndsIt) {
    HWND host = w_.make(kVb6, "Host");
    HWND explorer = w_.make(kExplorer, "Exploring", 500, 100, 300, 200);
    ASSERT_EQ(VB(AllineaConExplorer, host, 1), 1);
    ASSERT_EQ(VB(AllineaConExplorer, host, 1), 1);  // saves the arranged places over the first ones
    ASSERT_EQ(VB(AllineaConExplorer, host, 0), 1);
    EXPECT_TRUE(sameRect(rectOf(host), kHostPart));
    EXPECT_TRUE(sameRect(rectOf(explorer), kExplorerPart));

    ASSERT_EQ(VB(AllineaConExplorer, host, 1), 1);
    DestroyWindow(explorer);
    SetWindowPos(host, nullptr, 7, 8, 200, 150, SWP_NOZORDER);
    EXPECT_EQ(VB(AllineaConExplorer, host, 0), 0);
    EXPECT_TRUE(sameRect(rectOf(host), {7, 8, 207, 158}));  // not touched either
}

// WinExec's stand-in: notes what the DLL asks to start and starts the stand-in Explorer beside the
// test program by its own full path, so that the arrangement can go on.
using WinExecFn = UINT(WINAPI*)(LPCSTR, UINT);
WinExecFn g_realWinExec;
std::string g_execLine;
UINT g_execShow;

UINT WINAPI recordingWinExec(LPCSTR line, UINT show) {
    g_execLine = line;
    g_execShow = show;
    return g_realWinExec(("\"" + testDir() + "EXPLORER.EXE\"").c_str(), show);
}

std::string lower(std::string s) {
    for (char& c : s) c = char(tolower(static_cast<unsigned char>(c)));
    return s;
}

// No Explorer window: Explorer is started from the Windows folder by its full, quoted path, and
// waited for.
TEST_F(DesktopExplorer, StartsExplorerFromTheWindowsFolderWhenThereIsNone) {
    ImportPatch exec(dll(), "kernel32.dll", "WinExec", reinterpret_cast<const void*>(&recordingWinExec));
    ASSERT_TRUE(exec.active()) << "DuVad.dll does not import WinExec by name";
    g_realWinExec = exec.original<WinExecFn>();
    g_execLine.clear();
    HWND host = w_.make(kVb6, "Host");
    const DWORD start = GetTickCount();
    ASSERT_EQ(VB(AllineaConExplorer, host, 1), 1);
    EXPECT_GE(GetTickCount() - start, 2900u);                       // the pump ran while Explorer started
    EXPECT_EQ(lower(g_execLine), "\"c:\\windows\\explorer.exe\"");  // Wine's Windows folder
    EXPECT_EQ(g_execShow, UINT(SW_SHOWNORMAL));
    Helper started;  // closes the stand-in at the end
    started.window = FindWindowA(kExplorer, nullptr);
    ASSERT_NE(started.window, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(started.window, &pid);
    EXPECT_NE(pid, GetCurrentProcessId());
    started.pi.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    EXPECT_TRUE(sameRect(rectOf(started.window), kExplorerPart));
    EXPECT_TRUE(sameRect(rectOf(host), kHostPart));

    ASSERT_EQ(VB(AllineaConExplorer, host, 0), 1);
    EXPECT_TRUE(sameRect(rectOf(started.window), {100, 100, 600, 500}));
    EXPECT_TRUE(sameRect(rectOf(host), {50, 60, 450, 360}));

    // With an Explorer window on the desktop nothing is started.
    g_execLine.clear();
    ASSERT_EQ(VB(AllineaConExplorer, host, 1), 1);
    EXPECT_EQ(g_execLine, "");
    ASSERT_EQ(VB(AllineaConExplorer, host, 0), 1);
}

// The stand-in EXPLORER.EXE lies in the test program's folder, which is also the current folder:
// where a bare "EXPLORER.EXE" would be looked for first. The DLL starts the Windows folder's
// Explorer (Wine's, which makes no "ExploreWClass" window), so after the wait there is still no
// Explorer window and nothing is changed.
TEST_F(DesktopExplorer, AnExplorerPlantedInTheProgramsOrCurrentFolderIsNotRun) {
    ASSERT_NE(GetFileAttributesA((testDir() + "EXPLORER.EXE").c_str()), INVALID_FILE_ATTRIBUTES);
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    ASSERT_EQ(lower(std::string(current) + "\\"), lower(testDir()));
    HWND host = w_.make(kVb6, "Host");
    ShowWindow(host, SW_MAXIMIZE);
    TopWindows::drain();
    const RECT before = rectOf(host);
    const DWORD start = GetTickCount();
    EXPECT_EQ(VB(AllineaConExplorer, host, 1), 0);
    EXPECT_GE(GetTickCount() - start, 2900u);
    if (HWND planted = FindWindowA(kExplorer, nullptr)) {
        ADD_FAILURE() << "the planted EXPLORER.EXE ran";
        VB(AllineaConExplorer, host, 0);
        Helper ran;  // closes it
        ran.window = planted;
        return;
    }
    EXPECT_TRUE(IsZoomed(host));
    EXPECT_TRUE(sameRect(rectOf(host), before));
    EXPECT_EQ(VB(AllineaConExplorer, host, 0), 0);  // no arrangement is pending

    // Wine's Explorer leaves a window of its own class behind: wait for it (bounded) and close it.
    HWND wine = nullptr;
    for (int i = 0; i < 250 && !(wine = FindWindowA("ExplorerWClass", nullptr)); ++i) Sleep(20);
    for (; wine; wine = FindWindowA("ExplorerWClass", nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(wine, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        PostMessageA(wine, WM_CLOSE, 0, 0);
        if (process) {
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        } else {
            for (int i = 0; i < 250 && IsWindow(wine); ++i) Sleep(20);
        }
    }
}

}  // namespace
}  // namespace duvad::test
