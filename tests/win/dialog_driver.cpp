#include "tests/win/dialog_driver.h"

namespace duvad::test {
namespace {

struct FindTop {
    const char* cls;
    HWND exclude;
    HWND found;
};

BOOL CALLBACK findTop(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<FindTop*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != GetCurrentProcessId() || w == f->exclude || !IsWindowVisible(w)) return TRUE;
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpA(cls, f->cls) != 0) return TRUE;
    f->found = w;
    return FALSE;
}

struct FindChild {
    const char* cls;
    int id;
    HWND found;
};

BOOL CALLBACK findChildCb(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<FindChild*>(lp);
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if ((f->id < 0 || GetDlgCtrlID(w) == f->id) && lstrcmpiA(cls, f->cls) == 0) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}

// Set on a script's thread: the flag that ends its waits.
thread_local volatile LONG* t_stop = nullptr;

}  // namespace

HWND waitForWindow(DWORD timeoutMs, HWND exclude, const char* cls) {
    const DWORD start = GetTickCount();
    do {
        FindTop f = {cls, exclude, nullptr};
        EnumWindows(findTop, reinterpret_cast<LPARAM>(&f));
        if (f.found) {
            Sleep(100);  // let WM_INITDIALOG and the dialog's callbacks finish
            return f.found;
        }
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs && !(t_stop && *t_stop));
    return nullptr;
}

HWND findChild(HWND dialog, const char* cls, int id) {
    FindChild f = {cls, id, nullptr};
    EnumChildWindows(dialog, findChildCb, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

void press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(findChild(dialog, "Button", id)));
}

void setText(HWND dialog, int id, const char* text) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

std::string windowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

DialogScript::DialogScript(std::function<void(HWND)> script, DWORD timeoutMs)
    : script_(std::move(script)), timeoutMs_(timeoutMs) {
    thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
}

DWORD WINAPI DialogScript::run(LPVOID p) {
    auto* self = static_cast<DialogScript*>(p);
    t_stop = &self->stop_;
    HWND dialog = waitForWindow(self->timeoutMs_);
    self->sawDialog_ = dialog != nullptr;
    if (dialog) self->script_(dialog);
    return 0;
}

void DialogScript::join() {
    if (!thread_) return;
    InterlockedExchange(&stop_, 1);
    WaitForSingleObject(thread_, 30000);
    CloseHandle(thread_);
    thread_ = nullptr;
}

}  // namespace duvad::test
