// Small owners for Win32 handles, keys and memory: released on every path, release() hands a
// handle on to the caller (the host owns search and sector-reading handles).
#pragma once
#include <windows.h>

namespace duvad {

template <typename H, auto Close, auto Empty>
class Scoped {
public:
    Scoped() : h_(empty()) {}
    explicit Scoped(H h) : h_(h) {}
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    Scoped(Scoped&& o) noexcept : h_(o.release()) {}
    Scoped& operator=(Scoped&& o) noexcept {
        reset(o.release());
        return *this;
    }
    ~Scoped() { reset(); }

    bool valid() const { return h_ != empty(); }
    explicit operator bool() const { return valid(); }
    H get() const { return h_; }
    H* put() {
        reset();
        return &h_;
    }
    void reset(H h = empty()) {
        if (valid()) Close(h_);
        h_ = h;
    }
    H release() {
        H h = h_;
        h_ = empty();
        return h;
    }

private:
    static H empty() { return reinterpret_cast<H>(Empty); }
    H h_;
};

inline void closeHandle(HANDLE h) { ::CloseHandle(h); }
inline void closeKey(HKEY k) { ::RegCloseKey(k); }
inline void freeGlobal(HGLOBAL g) { ::GlobalFree(g); }
inline void closeFind(HANDLE h) { ::FindClose(h); }

// Files and finds are "empty" at INVALID_HANDLE_VALUE, events, keys and memory at NULL.
using ScopedFile = Scoped<HANDLE, closeHandle, intptr_t(-1)>;
using ScopedHandle = Scoped<HANDLE, closeHandle, intptr_t(0)>;
using ScopedKey = Scoped<HKEY, closeKey, intptr_t(0)>;
using ScopedGlobal = Scoped<HGLOBAL, freeGlobal, intptr_t(0)>;
using ScopedFind = Scoped<HANDLE, closeFind, intptr_t(-1)>;

}  // namespace duvad
