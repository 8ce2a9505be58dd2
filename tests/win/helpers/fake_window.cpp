// duvad_fake_window.exe CLASS TITLE: a top-level window of any class in a process of its own (a
// class name spelled in a case of its own must be registered by another process than the tests').
// Closes on WM_CLOSE, or by itself after 60 s.
#include <windows.h>

#include <cstring>

static LRESULT CALLBACK proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER) DestroyWindow(w);
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(w, msg, wp, lp);
}

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = argv[1];
    if (!RegisterClassA(&wc)) return 3;
    HWND w = CreateWindowExA(0, argv[1], argv[2], WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr, wc.hInstance,
                             nullptr);
    if (!w) return 4;
    ShowWindow(w, SW_SHOWNORMAL);
    SetTimer(w, 1, 60000, nullptr);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    return 0;
}
