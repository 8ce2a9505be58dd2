// vcd_bench.exe: Video CD preparation timed through DuVad.dll, as the host calls it.
//
//   vcd_bench convert SOURCE FOLDER REPS   PrepareVcdFiles on one source, against a plain sector
//                                          loop (read 2324, write 2336) without and with one
//                                          GoEvents(0) per sector; median seconds of each
//   vcd_bench gap SOURCE FOLDER            times between pump passes during a conversion of the
//                                          source as two tracks (the DLL's GetQueueStatus import
//                                          notes each pass), and during the plain loop with pump
//   vcd_bench analyze FILE REPS            mean microseconds of one AnalyzeMpeg call
//   vcd_bench prepare SOURCE FOLDER        seconds of one PrepareVcdFiles on one source, then the
//                                          cost of one GoEvents(0) pass in the same process
//                                          (median of 9 batches of 2000 calls)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/win/bench_clock.h"
#include "include/DuVad.h"

namespace {

using duvad::bench::nowSeconds;

HMODULE g_dll;
template <typename F>
F bind(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(g_dll, name)));
}
decltype(&PrepareVcdFiles) g_prepare;
decltype(&GoEvents) g_goEvents;
decltype(&AnalyzeMpeg) g_analyze;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

constexpr int32_t kImageBytes = 300 * 2336;

double timePrepare(const std::string& source, const std::string& folder, std::vector<char>& image, int tracks = 1) {
    std::string sources, targets = folder + "\\bench_image.bin\r\n";
    for (int k = 1; k <= tracks; ++k) {
        const std::string track = folder + "\\bench_track" + (k > 1 ? std::to_string(k) : "") + ".bin";
        DeleteFileA(track.c_str());
        sources += source + "\r\n";
        targets += track + "\r\n";
    }
    const double t0 = nowSeconds();
    const int32_t r = g_prepare(image.data(), kImageBytes, sources.c_str(), targets.c_str());
    const double t = nowSeconds() - t0;
    if (r != 1) std::fprintf(stderr, "PrepareVcdFiles gave %d\n", r);
    return t;
}

// The cheapest conversion loop Win32 allows with the same I/O: one read and one write per
// sector through one buffer, 30 and 55 empty sectors, optionally one pump pass per sector.
double timeLoop(const std::string& source, const std::string& folder, bool pump) {
    const std::string track = folder + "\\bench_loop.bin";
    DeleteFileA(track.c_str());
    const double t0 = nowSeconds();
    HANDLE in = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE out = CreateFileA(track.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    static char sector[2336];
    DWORD n;
    auto empty = [&](int count) {
        ZeroMemory(sector, sizeof sector);
        for (int i = 0; i < count; ++i) {
            WriteFile(out, sector, 2336, &n, nullptr);
            if (pump) g_goEvents(0);
        }
    };
    empty(30);
    while (ReadFile(in, sector + 8, 2324, &n, nullptr) && n == 2324) {
        WriteFile(out, sector, 2336, &n, nullptr);
        if (pump) g_goEvents(0);
    }
    empty(55);
    CloseHandle(in);
    CloseHandle(out);
    return nowSeconds() - t0;
}

// Gap measurement: the pump asks GetQueueStatus once per pass, so the DLL's import of it is
// pointed at a wrapper that notes the time of every pass.
using QueueStatusFn = DWORD(WINAPI*)(UINT);
QueueStatusFn g_realQueueStatus;
std::vector<double>* g_passTimes;

DWORD WINAPI notingQueueStatus(UINT flags) {
    g_passTimes->push_back(nowSeconds());
    return g_realQueueStatus(flags);
}

bool hookQueueStatus() {
    auto* base = reinterpret_cast<uint8_t*>(g_dll);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + d->Name), "user32.dll") != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<char*>(byName->Name), "GetQueueStatus") != 0) continue;
            DWORD old;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
            g_realQueueStatus = reinterpret_cast<QueueStatusFn>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<DWORD_PTR>(&notingQueueStatus);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: vcd_bench convert|gap|analyze|prepare ...\n");
        return 2;
    }
    char self[MAX_PATH];
    std::string dir(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
    g_dll = LoadLibraryA((dir.substr(0, dir.rfind('\\') + 1) + "DuVad.dll").c_str());
    g_prepare = bind<decltype(g_prepare)>("PrepareVcdFiles");
    g_goEvents = bind<decltype(g_goEvents)>("GoEvents");
    g_analyze = bind<decltype(g_analyze)>("AnalyzeMpeg");
    if (!g_prepare || !g_goEvents || !g_analyze) {
        std::fprintf(stderr, "DuVad.dll not found or incomplete\n");
        return 2;
    }
    const std::string mode = argv[1];
    std::vector<char> image(kImageBytes);

    if (mode == "convert" && argc >= 5) {
        std::vector<double> dll, plain, pumped;
        // The order rotates from one round to the next, so no variant always follows the same one
        // (the write-back of the previous 200 MB weighs on whatever runs next).
        for (int rep = 0; rep < std::atoi(argv[4]); ++rep) {
            for (int k = 0; k < 3; ++k) {
                switch ((rep + k) % 3) {
                case 0: dll.push_back(timePrepare(argv[2], argv[3], image)); break;
                case 1: plain.push_back(timeLoop(argv[2], argv[3], false)); break;
                case 2: pumped.push_back(timeLoop(argv[2], argv[3], true)); break;
                }
            }
        }
        std::printf("convert_dll %.3f\nloop_nopump %.3f\nloop_pump %.3f\n", median(dll), median(plain), median(pumped));
    } else if (mode == "gap" && argc >= 4) {
        if (!hookQueueStatus()) {
            std::fprintf(stderr, "the DLL does not import GetQueueStatus\n");
            return 2;
        }
        // The conversion, then the plain loop with one GoEvents(0) per sector as the control: its
        // gaps are those of the same reads and writes on this machine, without the library's code.
        for (const char* what : {"convert", "loop"}) {
            std::vector<double> passes;
            passes.reserve(200000);
            g_passTimes = &passes;
            // The last run's 200 MB output goes first: unlinking it is not part of the conversion.
            DeleteFileA((std::string(argv[3]) + "\\bench_track.bin").c_str());
            DeleteFileA((std::string(argv[3]) + "\\bench_track2.bin").c_str());
            DeleteFileA((std::string(argv[3]) + "\\bench_loop.bin").c_str());
            const double start = nowSeconds();
            const double secs = what[0] == 'c' ? timePrepare(argv[2], argv[3], image, 2)
                                               : timeLoop(argv[2], argv[3], true);
            std::vector<double> gaps;
            double prev = start;
            size_t worst = 0;
            for (double t : passes) {
                gaps.push_back((t - prev) * 1000);
                if (gaps.back() > gaps[worst]) worst = gaps.size() - 1;
                prev = t;
            }
            const double firstMs = gaps.empty() ? 0 : gaps[0];  // opening the files, first sector
            std::printf("%s_worst_gap_before_pass %zu\n%s_first_pass_ms %.3f\n", what, worst, what, firstMs);
            if (!gaps.empty()) gaps.erase(gaps.begin());
            std::sort(gaps.begin(), gaps.end());
            size_t over = 0;
            for (double g : gaps) over += g > 5.0;
            auto pct = [&](double p) { return gaps[std::min(gaps.size() - 1, size_t(p * double(gaps.size())))]; };
            std::printf(
                "%s_gap_run %.3f\n%s_pump_passes %zu\n%s_max_gap_ms %.3f\n%s_p999_gap_ms %.3f\n"
                "%s_p99_gap_ms %.3f\n%s_median_gap_ms %.4f\n%s_gaps_over_5ms %zu\n",
                what, secs, what, passes.size(), what, gaps.back(), what, pct(0.999), what, pct(0.99), what, pct(0.5),
                what, over);
        }
    } else if (mode == "prepare" && argc >= 4) {
        std::printf("convert_dll %.3f\n", timePrepare(argv[2], argv[3], image));
        std::vector<double> batches;
        for (int b = 0; b < 9; ++b) {
            const double t0 = nowSeconds();
            for (int i = 0; i < 2000; ++i) g_goEvents(0);
            batches.push_back((nowSeconds() - t0) / 2000 * 1e6);
        }
        std::printf("pump_us %.2f\n", median(batches));
    } else if (mode == "analyze" && argc >= 4) {
        const int reps = std::atoi(argv[3]);
        int32_t flag, w, h, a, r, b, s, n;
        const double t0 = nowSeconds();
        for (int i = 0; i < reps; ++i) g_analyze(argv[2], &flag, &w, &h, &a, &r, &b, &s, &n);
        std::printf("analyze_us %.1f\nanalyze_answer %d %dx%d aspect %d rate %d %d bit/s %d s %d sectors\n",
                    (nowSeconds() - t0) / reps * 1e6, flag, w, h, a, r, b, s, n);
    } else {
        std::fprintf(stderr, "bad arguments\n");
        return 2;
    }
    return 0;
}
