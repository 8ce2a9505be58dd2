// Drives the modal dialogs of this process from a helper thread, as a user would: waits for the
// dialog window, reads or types into its controls, presses its buttons. The export under test
// runs its modal loop on the test thread meanwhile.
//
//   DialogScript s([](HWND dialog) { setText(dialog, 706, "0"); press(dialog, IDOK); });
//   EXPECT_EQ(VB(GetAColor, owner, 255), 0xFF0000);
//   s.join();
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace duvad::test {

// A visible top-level window of class `cls` of this process, other than `exclude`; waits up to
// `timeoutMs`, then gives nullptr. Inside a DialogScript the wait also ends, with nullptr, once
// the test has joined the script (the call under test has returned: no dialog will come).
HWND waitForWindow(DWORD timeoutMs = 10000, HWND exclude = nullptr, const char* cls = "#32770");
// Waits until the thread of `window` has taken from its queue everything posted to it before this
// call (its modal loop is through with what the last action set off); false when the bound passes,
// the window goes away, or (inside a DialogScript) the test has joined the script.
bool settle(HWND window, DWORD timeoutMs = 5000);
// A descendant of `dialog` by class and control id (id -1: any).
HWND findChild(HWND dialog, const char* cls, int id = -1);
// Presses the push button `id` (found by class "Button": other controls may share the id).
void press(HWND dialog, int id);
void setText(HWND dialog, int id, const char* text);
std::string windowText(HWND window);

// Runs `script` on a helper thread once a dialog of this process shows (the dialog is handed
// over). join() waits for the script; the destructor joins as well. A script still running 30 s
// after join() was called is a test failure, and is waited for all the same.
class DialogScript {
public:
    explicit DialogScript(std::function<void(HWND dialog)> script, DWORD timeoutMs = 10000);
    ~DialogScript() { join(); }
    // Ends the script's waits and waits for the script.
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;
    void join();
    bool sawDialog() const { return sawDialog_; }

private:
    static DWORD WINAPI run(LPVOID self);
    std::function<void(HWND)> script_;
    DWORD timeoutMs_;
    bool sawDialog_ = false;
    volatile LONG stop_ = 0;
    HANDLE thread_ = nullptr;
};

}  // namespace duvad::test
