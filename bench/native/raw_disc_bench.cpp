// The raw disc writer's cost per sector: Form 1 (EDC and P/Q parity) and Form 2 (EDC only), and the
// first track's image built and completed.
#include <benchmark/benchmark.h>

#include <vector>

#include "host/core/first_track.h"
#include "host/core/raw_disc.h"
#include "vcd/core/image_patch.h"

namespace {

void rawSectors(benchmark::State& state, uint8_t submode) {
    std::vector<uint8_t> sector(2336), raw(2352);
    for (size_t i = 0; i < sector.size(); ++i) sector[i] = uint8_t(i * 31 + 7);
    sector[2] = sector[6] = submode;
    uint32_t lba = 0;
    for (auto _ : state) {
        duvad::host::makeRawSector(sector.data(), lba++, raw.data());
        benchmark::DoNotOptimize(raw.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 2352);
}
void BM_RawSectorForm1(benchmark::State& state) { rawSectors(state, 0x08); }
void BM_RawSectorForm2(benchmark::State& state) { rawSectors(state, 0x62); }
BENCHMARK(BM_RawSectorForm1);
BENCHMARK(BM_RawSectorForm2);

void BM_FirstTrackBuiltAndCompleted(benchmark::State& state) {
    duvad::host::FirstTrackPlan plan;
    plan.tracks = 32;
    std::vector<duvad::vcd::TrackRecord> tracks(32, {10000, {2026, 12, 7, 12, 0, 0, 0}, -60});
    for (auto _ : state) {
        std::vector<uint8_t> image = duvad::host::buildFirstTrack(plan);
        duvad::vcd::patchImage(image.data(), uint32_t(image.size()), tracks.data(), 32, {2026, 12, 7, 12, 0, 0, 0},
                               -60);
        benchmark::DoNotOptimize(image.data());
    }
}
BENCHMARK(BM_FirstTrackBuiltAndCompleted);

}  // namespace
