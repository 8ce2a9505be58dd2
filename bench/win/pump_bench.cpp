// Cost of one GoEvents(0) through DuVad.dll, the pass the track conversion makes after every
// sector, against the same pass written as a plain sequence (create a pause event, query the
// keyboard bit, PeekMessage until empty, close the event) and against an empty call.
//   bench/run-pump-bench.sh
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/win/bench_clock.h"
#include "include/DuVad.h"

namespace {

using duvad::bench::nowUs;

int32_t WINAPI plainPass(int32_t) {
    HANDLE pause = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (GetQueueStatus(QS_KEY) == 0) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    return CloseHandle(pause);
}

int32_t WINAPI nothing(int32_t) { return 1; }

// Median over batches of the mean cost per call, in microseconds.
template <typename F>
double medianUs(F fn, int batches = 41, int perBatch = 2000) {
    std::vector<double> means;
    for (int b = 0; b < batches; ++b) {
        const double t0 = nowUs();
        for (int i = 0; i < perBatch; ++i) fn(0);
        means.push_back((nowUs() - t0) / perBatch);
    }
    std::nth_element(means.begin(), means.begin() + batches / 2, means.end());
    return means[batches / 2];
}

}  // namespace

int main() {
    HMODULE dll = LoadLibraryA("DuVad.dll");
    auto goEvents = reinterpret_cast<decltype(&GoEvents)>(reinterpret_cast<void*>(GetProcAddress(dll, "GoEvents")));
    if (!goEvents) {
        std::fprintf(stderr, "DuVad.dll or GoEvents missing\n");
        return 1;
    }
    // A window of this thread, as the host has: the queue belongs to a GUI thread.
    HWND w = CreateWindowExA(0, "STATIC", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                             nullptr);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);

    const double dllUs = medianUs(goEvents), plainUs = medianUs(plainPass), emptyUs = medianUs(nothing);
    std::printf("GoEvents(0) through DuVad.dll      %8.2f us per call (median of 41 x 2000)\n", dllUs);
    std::printf("plain pass (event, QS_KEY, Peek)   %8.2f us per call\n", plainUs);
    std::printf("empty stdcall                      %8.2f us per call\n", emptyUs);
    std::printf("per 2336-byte sector, a 74-min disc of 333000 sectors spends %.1f s in the pump\n",
                dllUs * 333000 / 1e6);
    DestroyWindow(w);
    return 0;
}
