// What the host tool's code needs from the C++ and compiler runtimes, in place of libstdc++,
// libsupc++ and libgcc (compiled for the Pentium Pro): the heap through msvcrt.dll, the library's
// error reports, guarded statics, 64-bit division. The tool is compiled without exceptions: it
// catches none, so each error the library would throw ends the program, as an uncaught exception
// would, after saying what happened.
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "host/core/divide64.h"

namespace {

[[noreturn]] void fatal(const char* what, const char* detail) {
    std::fprintf(stderr, "duvad: %s%s%s\n", what, detail && *detail ? ": " : "", detail ? detail : "");
    std::fflush(stderr);
    std::abort();
}

void* allocate(size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) fatal("out of memory", nullptr);
    return p;
}

}  // namespace

void* operator new(size_t size) { return allocate(size); }
void* operator new[](size_t size) { return allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace std {

void __throw_bad_alloc() { fatal("out of memory", nullptr); }
void __throw_bad_array_new_length() { fatal("out of memory", "array too long"); }
void __throw_length_error(const char* what) { fatal("internal error (length)", what); }
void __throw_logic_error(const char* what) { fatal("internal error (logic)", what); }
void __throw_out_of_range(const char* what) { fatal("internal error (range)", what); }
void __throw_invalid_argument(const char* what) { fatal("internal error (argument)", what); }
// The library's message has %zu (size_t) and %s: msvcrt.dll knows %u for the first.
void __throw_out_of_range_fmt(const char* format, ...) {
    char own[256], text[512] = {};
    size_t n = 0;
    for (const char* f = format; *f && n + 1 < sizeof own; ++f)
        if (!(f[0] == 'z' && f != format && f[-1] == '%')) own[n++] = *f;  // %zu -> %u
    own[n] = '\0';
    va_list args;
    va_start(args, format);
    _vsnprintf(text, sizeof text - 1, own, args);
    va_end(args);
    fatal("internal error (range)", text);
}

}  // namespace std

extern "C" {

// Function-local statics: byte 0 of the guard says "made", byte 1 "taken" (by the thread that
// makes it; it stays set). A thread that finds it taken waits until it is made. Without
// exceptions no initialisation is abandoned: no __cxa_guard_abort.
int __cxa_guard_acquire(uint64_t* guard) {
    auto* made = reinterpret_cast<char*>(guard);
    for (;;) {
        if (__atomic_load_n(made, __ATOMIC_ACQUIRE)) return 0;
        char idle = 0;
        if (__atomic_compare_exchange_n(made + 1, &idle, 1, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE)) return 1;
        Sleep(0);
    }
}

void __cxa_guard_release(uint64_t* guard) { __atomic_store_n(reinterpret_cast<char*>(guard), 1, __ATOMIC_RELEASE); }

// The compiler's 64-bit division helpers (libgcc's names and contracts).
uint64_t __udivmoddi4(uint64_t n, uint64_t d, uint64_t* r) {
    uint64_t rest;
    const uint64_t q = duvad::host::divide64(n, d, &rest);
    if (r) *r = rest;
    return q;
}
uint64_t __udivdi3(uint64_t n, uint64_t d) { return __udivmoddi4(n, d, nullptr); }
uint64_t __umoddi3(uint64_t n, uint64_t d) {
    uint64_t r;
    __udivmoddi4(n, d, &r);
    return r;
}
int64_t __divmoddi4(int64_t n, int64_t d, int64_t* r) {
    int64_t rest;
    const int64_t q = duvad::host::divide64(n, d, &rest);
    if (r) *r = rest;
    return q;
}
int64_t __divdi3(int64_t n, int64_t d) { return __divmoddi4(n, d, nullptr); }
int64_t __moddi3(int64_t n, int64_t d) {
    int64_t r;
    __divmoddi4(n, d, &r);
    return r;
}

// snprintf and vsnprintf (C99: always terminated, the result the whole length) over msvcrt.dll's
// _vsnprintf, which leaves a cut text unterminated and answers -1.
int __ms_vsnprintf(char* out, size_t size, const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    int n = size ? _vsnprintf(out, size, format, args) : -1;
    if (n < 0 || size_t(n) >= size) {
        if (size) out[size - 1] = '\0';
        // The whole length: formatted again into a larger buffer until it fits.
        n = -1;
        for (size_t room = size < 256 ? 512 : 2 * size; n < 0 && room <= (size_t(1) << 24); room *= 2) {
            char* whole = static_cast<char*>(std::malloc(room));
            if (!whole) break;
            va_list each;
            va_copy(each, again);
            n = _vsnprintf(whole, room, format, each);
            va_end(each);
            if (size_t(n) >= room) n = -1;
            std::free(whole);
        }
    }
    va_end(again);
    return n;
}

}  // extern "C"
