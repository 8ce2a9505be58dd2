// Stand-in for EXPLORER.EXE, built beside the test program so that WinExec("EXPLORER.EXE") starts
// it: one top-level window of Windows Explorer's class "ExploreWClass". Closes itself after 60 s
// in case a test does not.
#include <windows.h>

static LRESULT CALLBACK proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER) DestroyWindow(w);
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(w, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.lpszClassName = "ExploreWClass";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, wc.lpszClassName, "Exploring - My Computer", WS_OVERLAPPEDWINDOW, 100, 100, 500, 400,
                             nullptr, nullptr, instance, nullptr);
    ShowWindow(w, show);
    SetTimer(w, 1, 60000, nullptr);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    return 0;
}
