// The drive catalogue: a whole listing (walk, format, sort, join) of a 1000-drive catalogue, and
// the marker search over a large header.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "drives/core/catalogue.h"
#include "tests/native/catalogue_builder.h"

namespace {

namespace cat = duvad::drives;

std::string thousandDrives() {
    duvad::test::CatalogueBuilder c(140, 512);
    for (int i = 0; i < 1000; ++i) {
        // Brands in scrambled order and mixed case, so the sort has work to do.
        const unsigned k = (unsigned(i) * 7919u) % 1000u;
        std::string brand = (k % 2 ? "Maker" : "MAKER") + std::to_string(k);
        c.add(brand.substr(0, 8), "CD-R/RW model " + std::to_string(k * 13), int32_t(k), k % 3 ? 0x1A : 0);
    }
    return c.bytes();
}

void BM_ListThousandDrives(benchmark::State& state) {
    const std::string data = thousandDrives();
    auto table = std::make_unique<cat::LineTable>();
    std::vector<char> out(cat::kMaxLines * cat::kSlotBytes + 1);
    for (auto _ : state) {
        cat::walk(reinterpret_cast<const uint8_t*>(data.data()), data.size(), *table);
        cat::sortLines(*table);
        benchmark::DoNotOptimize(cat::joinLines(*table, out.data()));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}
BENCHMARK(BM_ListThousandDrives);

// A 4 MB header full of 'K's that are not markers, then the two markers.
void BM_MarkerSearchThroughLargeHeader(benchmark::State& state) {
    std::string data(4 << 20, 'K');
    for (size_t i = 0; i < data.size(); i += 7) data[i] = 'x';
    data += std::string("KORVEL\0....KORVEL\0", 18);
    for (auto _ : state)
        benchmark::DoNotOptimize(cat::findMarkers(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}
BENCHMARK(BM_MarkerSearchThroughLargeHeader);

}  // namespace
