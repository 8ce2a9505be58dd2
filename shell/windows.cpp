// FindThisVB6MDIWindow, AllineaConExplorer: a Visual Basic 6 program's main window found by the
// beginning of its title, and Windows Explorer arranged below the host's window and back.
#include <windows.h>

#include <cstring>

#include "files/core/names.h"
#include "files/system_codepage.h"
#include "frame/module.h"
#include "include/DuVad.h"
#include "shell/core/geometry.h"

namespace {

constexpr char kVb6MdiClass[] = "ThunderRT6MDIForm";
constexpr char kExplorerClass[] = "ExploreWClass";
constexpr char kExplorerProgram[] = "EXPLORER.EXE";
constexpr int32_t kExplorerStartMs = 3000;

// One search of FindThisVB6MDIWindow. Its answer lives in the call's own storage: a window
// procedure reached through WM_GETTEXT may search again, and that search must not change this one.
struct Vb6Search {
    const char* prefix;
    HWND found;
};

// The enumeration callback: title compared over the prefix's length, class name as a whole, both
// byte by byte with case distinguished.
BOOL CALLBACK matchVb6Form(HWND window, LPARAM searchParam) {
    auto* search = reinterpret_cast<Vb6Search*>(searchParam);
    char title[256] = {};
    char className[128] = {};
    GetWindowTextA(window, title, sizeof title);
    GetClassNameA(window, className, sizeof className);
    // strncmp stops at the title's terminator, so a prefix longer than the title never matches.
    if (std::strncmp(title, search->prefix, std::strlen(search->prefix)) != 0) return TRUE;
    if (std::strcmp(className, kVb6MdiClass) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

// Starts Windows Explorer from the Windows folder by its full path, quoted since the folder may
// hold spaces. The bare name would be looked up in the application's folder and the current
// folder first, where any EXPLORER.EXE (in a burn project's or a downloaded disc's folder) would
// run in its place. Without a Windows folder nothing is started.
void startExplorer() {
    char folder[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryA(folder, sizeof folder);
    if (n == 0 || n >= sizeof folder) return;
    char command[sizeof folder + sizeof kExplorerProgram + 3] = "\"";
    lstrcatA(command, folder);
    if (!duvad::files::isLastBackS(folder, duvad::files::systemCodePage())) lstrcatA(command, "\\");
    lstrcatA(command, kExplorerProgram);
    lstrcatA(command, "\"");
    WinExec(command, SW_SHOWNORMAL);
}

duvad::shell::Edges edgesOf(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

void placeOn(HWND window, const RECT& r, UINT flags) {
    SetWindowPos(window, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, flags);
}

int32_t arrange(HWND host) {
    using duvad::g_explorer;
    g_explorer.explorer = FindWindowA(kExplorerClass, nullptr);
    if (!g_explorer.explorer) {
        startExplorer();
        GoEvents(kExplorerStartMs);
        g_explorer.explorer = FindWindowA(kExplorerClass, nullptr);
        if (!g_explorer.explorer) return 0;
    }
    const HWND explorer = g_explorer.explorer;

    // The placements are kept as the show command that brings them back.
    g_explorer.explorerPlacement.length = sizeof(WINDOWPLACEMENT);
    g_explorer.explorerPlacement.showCmd = SW_SHOWNORMAL;
    if (IsIconic(explorer)) {
        g_explorer.explorerPlacement.showCmd = SW_SHOWMINIMIZED;
        ShowWindow(explorer, SW_RESTORE);
    }
    // A window minimised from the maximised state comes back maximised: restore it once more.
    if (IsZoomed(explorer)) {
        if (g_explorer.explorerPlacement.showCmd == SW_SHOWNORMAL)
            g_explorer.explorerPlacement.showCmd = SW_SHOWMAXIMIZED;
        ShowWindow(explorer, SW_RESTORE);
    }
    GetWindowRect(explorer, &g_explorer.explorerRect);

    g_explorer.hostPlacement.length = sizeof(WINDOWPLACEMENT);
    g_explorer.hostPlacement.showCmd = SW_SHOWNORMAL;
    if (IsZoomed(host)) {
        g_explorer.hostPlacement.showCmd = SW_SHOWMAXIMIZED;
        ShowWindow(host, SW_RESTORE);
    }
    GetWindowRect(host, &g_explorer.hostRect);

    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const duvad::shell::WorkAreaSplit split = duvad::shell::splitWorkArea(edgesOf(work));
    // Flags 0: each window also comes to the top of the Z order, the host last, above Explorer.
    SetWindowPos(explorer, HWND_TOP, split.explorer.x, split.explorer.y, split.explorer.width, split.explorer.height,
                 0);
    SetWindowPos(host, HWND_TOP, split.host.x, split.host.y, split.host.width, split.host.height, 0);
    SetForegroundWindow(host);
    return 1;
}

int32_t restore(HWND host) {
    using duvad::g_explorer;
    const HWND explorer = g_explorer.explorer;
    if (!IsWindow(explorer)) return 0;

    if (IsZoomed(explorer)) ShowWindow(explorer, SW_RESTORE);
    if (IsIconic(explorer)) OpenIcon(explorer);
    placeOn(explorer, g_explorer.explorerRect, SWP_NOZORDER);
    if (g_explorer.explorerPlacement.showCmd == SW_SHOWMINIMIZED) CloseWindow(explorer);
    if (g_explorer.explorerPlacement.showCmd == SW_SHOWMAXIMIZED) ShowWindow(explorer, SW_SHOWMAXIMIZED);

    if (IsZoomed(host)) ShowWindow(host, SW_RESTORE);
    placeOn(host, g_explorer.hostRect, SWP_NOZORDER);
    if (g_explorer.hostPlacement.showCmd == SW_SHOWMAXIMIZED) ShowWindow(host, SW_SHOWMAXIMIZED);

    g_explorer.explorer = nullptr;
    return 1;
}

}  // namespace

extern "C" int32_t WINAPI FindThisVB6MDIWindow(const char* titlePrefix) {
    if (!titlePrefix) return 0;
    Vb6Search search = {titlePrefix, nullptr};
    EnumWindows(matchVb6Form, reinterpret_cast<LPARAM>(&search));
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(search.found));
}

extern "C" int32_t WINAPI AllineaConExplorer(HWND hostWindow, int32_t mode) {
    switch (mode) {
    case 1: return arrange(hostWindow);
    case 0: return restore(hostWindow);
    default: return 1;
    }
}
