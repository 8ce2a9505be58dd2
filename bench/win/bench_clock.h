// The benchmarks' clock: seconds from the performance counter, read once for its frequency.
#pragma once
#include <windows.h>

namespace duvad::bench {

inline double nowSeconds() {
    static const double perSecond = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return double(f.QuadPart);
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) / perSecond;
}

inline double nowUs() { return 1e6 * nowSeconds(); }

}  // namespace duvad::bench
