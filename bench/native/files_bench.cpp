// The comparison loop and the name rules over memory (no file system), for the core's own speed.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "files/core/names.h"
#include "files/core/sectors.h"
#include "tests/native/codepage_models.h"

namespace {

using namespace duvad::files;

// Two identical 100000-byte blocks: the comparison of one pass of MatchFiles.
void BM_FirstDifferenceEqualBlocks(benchmark::State& state) {
    std::vector<uint8_t> a(kMatchBlock), b;
    for (size_t i = 0; i < a.size(); ++i) a[i] = uint8_t(i * 131 + (i >> 9));
    b = a;
    for (auto _ : state) benchmark::DoNotOptimize(firstDifference(a.data(), b.data(), a.size()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(a.size()));
}
BENCHMARK(BM_FirstDifferenceEqualBlocks);

// A whole comparison of 64 MB through the loop, from sources that copy out of memory.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(const std::vector<uint8_t>& block) : block_(block) {}
    bool read(uint8_t* into, uint32_t length, uint32_t* got) override {
        std::memcpy(into, block_.data(), length);
        *got = length;
        return true;
    }

private:
    const std::vector<uint8_t>& block_;
};

void BM_CompareContents64MB(benchmark::State& state) {
    std::vector<uint8_t> block(kMatchBlock, 0x5A), a(kMatchBlock), b(kMatchBlock);
    const uint64_t size = 64ull << 20;
    for (auto _ : state) {
        MemorySource x(block), y(block);
        benchmark::DoNotOptimize(compareContents(x, y, size, a.data(), b.data()));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}
BENCHMARK(BM_CompareContents64MB);

void BM_CheckFileNameModes(benchmark::State& state) {
    const test::Cp932Model cp;
    const std::string name = std::string(100, 'a') + "\x95\x5C" + ".TXT";
    for (auto _ : state)
        for (uint32_t mode = 0; mode < 6; ++mode) benchmark::DoNotOptimize(checkFileName(mode, 0, name.c_str(), cp));
}
BENCHMARK(BM_CheckFileNameModes);

}  // namespace
