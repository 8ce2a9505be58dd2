// duvad.exe's start-up, in place of MinGW-w64's crt2.o (compiled for the Pentium Pro): msvcrt.dll
// splits the command line and runs the exit-time work; this runs the static constructors.
#include <windows.h>

#include <cstdlib>

extern "C" {

struct StartupInfo {
    int newMode;
};
// msvcrt.dll's start-up calls, as old as its first release.
__declspec(dllimport) int __cdecl __getmainargs(int* argc, char*** argv, char*** env, int expandWildcards,
                                                StartupInfo* info);
__declspec(dllimport) void __cdecl __set_app_type(int type);

// The linker's list of static constructors and destructors: -1, the functions, 0.
typedef void (*Function)();
extern Function __CTOR_LIST__[];
extern Function __DTOR_LIST__[];

int main(int argc, char** argv);

namespace {

int runDestructors() {
    for (Function* f = __DTOR_LIST__ + 1; *f; ++f) (*f)();
    return 0;
}

}  // namespace

// The compiler registers static objects' destructors here; msvcrt.dll runs them at exit (its
// _onexit functions' results are not used, so a function without one fits, as in MinGW's own).
int atexit(void (*fn)()) { return _onexit(reinterpret_cast<_onexit_t>(reinterpret_cast<void*>(fn))) ? 0 : -1; }

// The compiler calls __main first thing in main: the constructors, in the order MinGW runs them
// (the list backwards), once.
void __main() {
    static bool done;
    if (done) return;
    done = true;
    size_t n = 0;
    while (__CTOR_LIST__[n + 1]) ++n;
    for (; n; --n) __CTOR_LIST__[n]();
    _onexit(runDestructors);
}

// The entry point (linked with --entry). The arguments unexpanded (no wildcards), as MinGW's
// start-up passes them by default.
void mainCRTStartup() {
    __set_app_type(1);  // a console program: msvcrt reports its errors on the console
    int argc = 0;
    char** argv = nullptr;
    char** env = nullptr;
    StartupInfo info = {0};
    __getmainargs(&argc, &argv, &env, 0, &info);  // returns nothing in the oldest msvcrt.dll
    if (!argv) ExitProcess(255);                  // no memory for the arguments
    exit(main(argc, argv));
}

}  // extern "C"
