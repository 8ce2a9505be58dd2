// Times DuVad.dll's file services on real files, loading the DLL as the host does.
//   duvad_files_bench match FIRST SECOND [ROUNDS]   MatchFiles; prints the best round's MB/s
//   duvad_files_bench sectors FILE COUNT [ROUNDS]   OpenFileInSectors, ReadFileInSectors of COUNT
//                                                   sectors until the end, CloseFileInSectors
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/win/bench_clock.h"
#include "include/DuVad.h"

namespace {

using duvad::bench::nowSeconds;

#define BIND(dll, fn) reinterpret_cast<decltype(&::fn)>(reinterpret_cast<void*>(GetProcAddress((dll), #fn)))

double fileMB(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &d)) return 0;
    return double(uint64_t(d.nFileSizeHigh) << 32 | d.nFileSizeLow) / 1e6;
}

int usage() {
    std::fprintf(stderr, "usage: duvad_files_bench match FIRST SECOND [ROUNDS] | sectors FILE COUNT [ROUNDS]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return usage();
    HMODULE dll = LoadLibraryA("DuVad.dll");
    if (!dll) {
        std::fprintf(stderr, "DuVad.dll did not load (%lu)\n", GetLastError());
        return 1;
    }
    const int rounds = argc > 4 && std::atoi(argv[4]) > 0 ? std::atoi(argv[4]) : 3;
    double best = 1e30;
    if (std::strcmp(argv[1], "match") == 0) {
        auto matchFiles = BIND(dll, MatchFiles);
        for (int r = 0; r < rounds; ++r) {
            const double t0 = nowSeconds();
            const int32_t result = matchFiles(argv[2], argv[3]);
            const double t = nowSeconds() - t0;
            if (result != 0) {
                std::fprintf(stderr, "MatchFiles gave %d, not 0\n", int(result));
                return 1;
            }
            if (t < best) best = t;
        }
        // Both files are read: the throughput counts the bytes of one file, as cmp's does.
        std::printf("MatchFiles %.0f MB: best of %d %.3f s, %.0f MB/s\n", fileMB(argv[2]), rounds, best,
                    fileMB(argv[2]) / best);
    } else if (std::strcmp(argv[1], "sectors") == 0) {
        auto open = BIND(dll, OpenFileInSectors);
        auto read = BIND(dll, ReadFileInSectors);
        auto close = BIND(dll, CloseFileInSectors);
        const int32_t count = std::atoi(argv[3]);
        std::vector<char> buffer(size_t(count) * 2048);
        for (int r = 0; r < rounds; ++r) {
            int32_t sectors = 0, got = 0, total = 0;
            const double t0 = nowSeconds();
            const int32_t h = open(argv[2], &sectors);
            if (h == -1 || h == -2) {
                std::fprintf(stderr, "OpenFileInSectors gave %d\n", int(h));
                return 1;
            }
            do {
                if (read(h, buffer.data(), count, &got) != 1) return 1;
                total += got;
            } while (got == count);
            close(h);
            const double t = nowSeconds() - t0;
            if (total != sectors) {
                std::fprintf(stderr, "read %d sectors of %d\n", int(total), int(sectors));
                return 1;
            }
            if (t < best) best = t;
        }
        std::printf("ReadFileInSectors %d-sector requests, %.0f MB: best of %d %.3f s, %.0f MB/s\n", int(count),
                    fileMB(argv[2]), rounds, best, fileMB(argv[2]) / best);
    } else {
        return usage();
    }
    return 0;
}
