/* call_msvc.exe VERSION-less: the release as a Visual C++ user links it, with Microsoft-format
 * tools: DuVad.h compiled as Visual C++ 6 takes it (clang in Microsoft mode, _MSC_VER 1200, no
 * system headers: tests/header/vc/windows.h stands in for the Platform SDK's), the object linked
 * by lld-link against the archive's DuVad.lib. No C runtime: the program's own entry, kernel32
 * for its output. Prints a line per check; the exit code is the number of failed checks. */
#include "DuVad.h"

__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* bytes, unsigned long count,
                                              unsigned long* written, void* overlapped);
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);

static int failures;

static void say(const char* text) {
    unsigned long n = 0, written = 0;
    while (text[n]) ++n;
    WriteFile(GetStdHandle((unsigned long)-11), text, n, &written, 0);
}

static void check(int ok, const char* what) {
    say(ok ? "ok    " : "FAIL  ");
    say(what);
    say("\r\n");
    if (!ok) ++failures;
}

void __stdcall start(void) {
    char temp[128];
    int32_t length, major = -1, minor = -1, third = -1, fourth = -1;
    const char* path = "C:\\a.b\\name.txt";
    check(InStrDot(path) == 12, "InStrDot finds the last dot (byte 12)");
    check(InStrBackS(4, path) == 7, "InStrBackS finds the backslash after byte 4 (byte 7)");
    check(CheckFileName(0, 0, "NAME.TXT") == 0, "CheckFileName takes an 8.3 name");
    check(GoEvents(0) == 1, "GoEvents(0) makes one pass");
    temp[0] = 0;
    length = GetWinTempPath(temp);
    check(length > 0 && length < 128 && temp[length - 1] == '\\' && temp[length] == 0,
          "GetWinTempPath writes a folder ending in a backslash");
    check(ReadFileInfo("DuVad.dll", &major, &minor, &third, &fourth) == 1 && major >= 0 && fourth >= 0,
          "ReadFileInfo reads DuVad.dll's version");
    ExitProcess((unsigned int)failures);
}
