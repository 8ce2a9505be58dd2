// The few C library routines the DLL uses (and the compiler calls for block copies and clears).
// DuVad.dll links no C runtime: the first Windows 95 has no msvcrt.dll, and MinGW-w64's runtime
// brings a TLS directory, which Windows 95's LoadLibrary refuses. Copies and fills are the string
// instructions every x86 has (fast on today's processors); the rest are plain loops, which the
// build keeps the compiler from turning into calls of themselves (cmake/windows.cmake).
#include <cstddef>

extern "C" {

void* memcpy(void* to, const void* from, size_t n) {
    void* d = to;
    asm volatile("rep movsb" : "+D"(d), "+S"(from), "+c"(n) : : "memory");
    return to;
}

void* memmove(void* to, const void* from, size_t n) {
    if (to <= from || static_cast<const char*>(from) + n <= to) return memcpy(to, from, n);
    // Overlapping with the target above the source: copy from the last byte down.
    void* d = static_cast<char*>(to) + n - 1;
    const void* s = static_cast<const char*>(from) + n - 1;
    asm volatile("std\n\trep movsb\n\tcld" : "+D"(d), "+S"(s), "+c"(n) : : "memory");
    return to;
}

void* memset(void* to, int value, size_t n) {
    void* d = to;
    asm volatile("rep stosb" : "+D"(d), "+c"(n) : "a"(value) : "memory");
    return to;
}

int memcmp(const void* a, const void* b, size_t n) {
    const auto* p = static_cast<const unsigned char*>(a);
    const auto* q = static_cast<const unsigned char*>(b);
    for (; n; --n, ++p, ++q)
        if (*p != *q) return *p < *q ? -1 : 1;
    return 0;
}

void* memchr(const void* s, int c, size_t n) {
    const auto* p = static_cast<const unsigned char*>(s);
    for (; n; --n, ++p)
        if (*p == static_cast<unsigned char>(c)) return const_cast<unsigned char*>(p);
    return nullptr;
}

size_t strlen(const char* s) {
    const char* p = s;
    while (*p) ++p;
    return static_cast<size_t>(p - s);
}

size_t strnlen(const char* s, size_t most) {
    size_t n = 0;
    while (n < most && s[n]) ++n;
    return n;
}

int strncmp(const char* a, const char* b, size_t n) {
    for (; n; --n, ++a, ++b) {
        const unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        if (x != y) return x < y ? -1 : 1;
        if (!x) break;
    }
    return 0;
}

int strcmp(const char* a, const char* b) { return strncmp(a, b, static_cast<size_t>(-1)); }

char* strcpy(char* to, const char* from) {
    char* d = to;
    while ((*d++ = *from++) != 0) {}
    return to;
}

char* strcat(char* to, const char* from) {
    strcpy(to + strlen(to), from);
    return to;
}

char* strstr(const char* s, const char* find) {
    const size_t n = strlen(find);
    for (; *s; ++s)
        if (strncmp(s, find, n) == 0) return const_cast<char*>(s);
    return n ? nullptr : const_cast<char*>(s);
}

}  // extern "C"
