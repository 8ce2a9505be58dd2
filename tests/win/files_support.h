// Files made by the file-service tests: contents of a given size, sparse giants, handles the test
// holds open as "another program".
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "frame/scoped.h"

namespace duvad::test {

// n bytes of a pattern that repeats only every 251 bytes, so shifted copies differ.
inline std::string patternBytes(size_t n, uint8_t seed = 0) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = char(uint8_t(i % 251 + seed));
    return s;
}

// A file of `size` bytes that begins with `head`; the rest is a hole (no disk space taken).
inline bool writeSparse(const std::string& path, uint64_t size, const std::string& head) {
    ScopedFile f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD n = 0;
    if (!f.valid() || !WriteFile(f.get(), head.data(), DWORD(head.size()), &n, nullptr)) return false;
    LARGE_INTEGER end;
    end.QuadPart = int64_t(size);
    return SetFilePointerEx(f.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(f.get());
}

// Opens `path` as another program would, with the given access and sharing.
inline ScopedFile holdOpen(const std::string& path, DWORD access, DWORD share) {
    return ScopedFile(CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

// True when nobody else holds the file: an unshared open succeeds.
inline bool isFree(const std::string& path) { return holdOpen(path, GENERIC_READ | GENERIC_WRITE, 0).valid(); }

}  // namespace duvad::test
