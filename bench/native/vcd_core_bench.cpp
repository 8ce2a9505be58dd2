// The Video CD core without the platform: analysis of a stream in memory (and of the same bytes
// as the head of a 2 GB sparse file), and the conversion of a stream into sectors that go nowhere.
// What these cost is the floor under AnalyzeMpeg and PrepareVcdFiles; the rest is file I/O and
// the message pump (bench/run-vcd-bench.sh measures those under Wine).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "vcd/core/mpeg.h"
#include "vcd/core/track.h"

namespace {

using namespace duvad::vcd;

// A 10 MB plain stream of packs: pack header, a video or audio packet start, filler; one
// sequence header in the first pack.
std::vector<uint8_t> makeStream(size_t packs) {
    std::vector<uint8_t> s(packs * kPackBytes, 0xFF);
    for (size_t p = 0; p < packs; ++p) {
        uint8_t* q = &s[p * kPackBytes];
        const uint32_t scr = uint32_t(p * 3600);
        // Pack start code, then the system clock reference's bits with their marker bits.
        // clang-format off
        const uint8_t head[12] = {0, 0, 1, 0xBA, uint8_t(0x21 | (scr >> 29 & 0x0E)), uint8_t(scr >> 22),
                                  uint8_t(scr >> 14 | 1), uint8_t(scr >> 7), uint8_t(scr << 1 | 1), 0x80, 0x1B, 0x91};
        // clang-format on
        std::memcpy(q, head, 12);
        std::memcpy(q + 12, p % 7 == 3 ? "\x00\x00\x01\xC0" : "\x00\x00\x01\xE0", 4);
    }
    const uint8_t seq[12] = {0, 0, 1, 0xB3, 0x16, 0x00, 0xF0, 0xC4, 0x2C, 0xEC, 0xE0, 0};
    std::memcpy(&s[40], seq, 12);
    return s;
}

const std::vector<uint8_t>& stream() {
    static const std::vector<uint8_t> s = makeStream(4512);
    return s;
}

void BM_AnalyzeStream10MB(benchmark::State& state) {
    for (auto _ : state) {
        MemorySource file(stream().data(), stream().size());
        benchmark::DoNotOptimize(analyzeStream(file));
    }
}
BENCHMARK(BM_AnalyzeStream10MB);

void BM_AnalyzeSparse2GB(benchmark::State& state) {
    for (auto _ : state) {
        MemorySource file(stream().data(), stream().size(), 0x80000000ll + 12345);
        benchmark::DoNotOptimize(analyzeStream(file));
    }
}
BENCHMARK(BM_AnalyzeSparse2GB);

// The stream followed by 45 zero sectors, as a track ends on a Video CD: the tail window holds no
// pack header, so the analysis looks back past the empty sectors.
void BM_AnalyzeStreamEndingIn45EmptySectors(benchmark::State& state) {
    std::vector<uint8_t> padded = stream();
    padded.resize(padded.size() + 45 * kPackBytes);
    for (auto _ : state) {
        MemorySource file(padded.data(), padded.size());
        benchmark::DoNotOptimize(analyzeStream(file));
    }
}
BENCHMARK(BM_AnalyzeStreamEndingIn45EmptySectors);

class NullSink : public SectorSink {
public:
    bool write(const uint8_t* sector, uint32_t) override {
        benchmark::DoNotOptimize(sector[2]);
        return true;
    }
    void pump() override {}
};

void BM_ConvertStream10MB(benchmark::State& state) {
    for (auto _ : state) {
        MemorySource file(stream().data(), stream().size());
        NullSink sink;
        benchmark::DoNotOptimize(writeTrack(file, sink, SourceKind::PackStream, int64_t(stream().size()), 1));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream().size()));
}
BENCHMARK(BM_ConvertStream10MB);

}  // namespace
