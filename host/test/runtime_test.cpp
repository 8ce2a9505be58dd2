// runtime_test.exe "a b" c: the host tool's own runtime (host/runtime/), linked as duvad.exe is
// and run under Wine: start-up (arguments, static constructors in order and once, destructors at
// exit, the exit status), guarded statics, the heap and std::string, C99 snprintf over
// msvcrt.dll, and the 64-bit division helpers. Prints one line per check; the last two lines, from
// the destructors at exit, say the exit work ran. Exit status: the number of failed checks.
// runtime_test.exe length|range|memory: the library error or failed allocation the tool would
// meet, which must end the program with its message (exit status 3, as abort gives).
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int failures = 0;

void check(const char* what, bool ok) {
    std::printf("%s  %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok) ++failures;
}

// Two objects of one file are made in their order: the second sees the first made.
struct First {
    int value = 0;
    First() { value = 41; }
} first;
struct Second {
    int seen;
    Second() : seen(first.value + 1) {}
    ~Second() {
        std::printf("destructor ran at exit\n");
        std::fflush(stdout);
    }
} second;

// Functions the linker lists as constructors and destructors (not through atexit).
int listedConstructorRuns = 0;
__attribute__((constructor)) void listedConstructor() { ++listedConstructorRuns; }
__attribute__((destructor)) void listedDestructor() {
    std::printf("listed destructor ran at exit\n");
    std::fflush(stdout);
}

int made = 0;
int madeOnce() {
    static const int once = ++made;  // a guarded static: made on the first call only
    return once;
}

// Through volatile operands, so that the compiler calls its helpers instead of folding.
volatile uint64_t un = 4700000000ULL, ud = 2336, umax = ~0ULL, ten = 10;
volatile int64_t sn = -4700000000LL, sd = 2336;

// A static that takes a while to make, met by two threads: this one makes it, the other arrives
// meanwhile and waits (within a time limit: a waiter that never returns fails the check).
int slowMade = 0;
int slowOnce() {
    static const int once = (Sleep(200), ++slowMade);
    return once;
}
DWORD WINAPI otherThread(void*) {
    Sleep(50);  // arrives while the static is being made
    return DWORD(slowOnce());
}

volatile size_t huge = size_t(-1) / 2 + 2;

// Each ends the program (host/runtime/cxx.cpp); returning is a failure.
int fail(const char* how) {
    std::string text("abc");
    if (!std::strcmp(how, "length")) text.reserve(huge);
    if (!std::strcmp(how, "range")) std::printf("%c\n", text.at(10));
    if (!std::strcmp(how, "memory")) {
        char* p = new char[huge / 2];
        std::printf("%p\n", static_cast<void*>(p));
    }
    std::printf("FAIL  %s: the program went on\n", how);
    return 1;
}

}  // namespace

extern "C" void __main();

int main(int argc, char** argv) {
    if (argc == 2) return fail(argv[1]);
    __main();  // once more: must not make anything again
    check("arguments as given (\"a b\" is one)",
          argc == 3 && !std::strcmp(argv[1], "a b") && !std::strcmp(argv[2], "c"));
    check("static constructors ran, in their order, once",
          first.value == 41 && second.seen == 42 && listedConstructorRuns == 1);
    check("a guarded static is made once", madeOnce() == 1 && madeOnce() == 1 && made == 1);
    HANDLE other = CreateThread(nullptr, 0, otherThread, nullptr, 0, nullptr);
    const int mine = slowOnce();
    DWORD theirs = 0;
    check("two threads meet a static: one makes it, the other waits for it",
          other && WaitForSingleObject(other, 10000) == WAIT_OBJECT_0 && GetExitCodeThread(other, &theirs) &&
              mine == 1 && theirs == 1 && slowMade == 1);
    if (other) CloseHandle(other);

    std::string s;
    for (int i = 0; i < 10000; ++i) s += char('a' + i % 26);
    std::vector<std::string> parts(100, s);
    check("std::string and std::vector grow on the heap",
          s.size() == 10000 && s[9999] == 'a' + 9999 % 26 && parts[99] == s && std::to_string(-1234567) == "-1234567");

    char small[8];
    int n = std::snprintf(small, sizeof small, "%s", "0123456789");
    check("snprintf cuts and terminates, and answers the whole length", n == 10 && !std::strcmp(small, "0123456"));
    n = std::snprintf(small, sizeof small, "%s", "0123456");
    check("snprintf: a text that just fits", n == 7 && !std::strcmp(small, "0123456"));
    n = std::snprintf(small, sizeof small, "%s", "01234567");
    check("snprintf: one more than fits", n == 8 && !std::strcmp(small, "0123456"));
    n = std::snprintf(nullptr, 0, "%0900d", 5);
    check("snprintf into nothing answers the length (900)", n == 900);
    n = std::snprintf(small, sizeof small, "%u-%02d %.1f", 42u, 7, 2.25);
    check("snprintf formats as msvcrt.dll does", n == 9 && !std::strcmp(small, "42-07 2"));

    check("64-bit unsigned division", un / ud == 2011986 && un % ud == 704);
    check("64-bit unsigned division of the largest value", umax / ten == 1844674407370955161ULL && umax % ten == 5);
    check("64-bit signed division rounds toward zero", sn / sd == -2011986 && sn % sd == -704);
    check("64-bit signed division by a negative divisor", int64_t(un) / -sd == -2011986 && int64_t(un) % -sd == 704);

    std::fflush(stdout);
    return failures;
}
