// AnalyzeMpeg's core and the track conversion over arbitrary files in memory: no read outside the
// bytes, and the answers keep their promises (the track length the analysis predicts is the one
// the conversion writes; playing times are never negative).
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "vcd/core/mpeg.h"
#include "vcd/core/track.h"

namespace {

using namespace duvad::vcd;

class CountingSink : public SectorSink {
public:
    bool write(const uint8_t* sector, uint32_t bytes) override {
        if (bytes != uint32_t(kBlockBytes)) std::abort();
        // Touch every byte, so a sector assembled from unread memory shows under the sanitizers.
        for (uint32_t i = 0; i < bytes; ++i) sum_ += sector[i];
        ++writes;
        return true;
    }
    void pump() override { ++pumps; }
    uint32_t writes = 0, pumps = 0;

private:
    uint32_t sum_ = 0;
};

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // As it stands, and as the head of a much larger (sparse) file.
    for (int64_t declared : {int64_t(size), int64_t(size) + int64_t(0x80000000)}) {
        MemorySource file(data, size, declared);
        const Analysis a = analyzeStream(file);
        check(a.result == 0 || a.result == 1);
        check(a.playingSeconds >= -1 && a.playingSeconds <= 47721);
        check(!a.compliant || a.result == 1);
        // The head, the tail window, the RIFF header, the search and its re-read; and where the tail
        // window holds no pack header, the look back past at most 300 empty sectors and the window
        // before them.
        check(file.bytesRead() <= 5 * kBlockBytes + kTailBytes + kRiffHeaderBytes + 100 * kBlockBytes + 11 +
                                      (kEmptyTailSectors + 1) * kPackBytes + kTailBytes);
        const bool cdxa = classifySource(data, uint32_t(size < 12 ? size : 12)) == SourceKind::RiffCdxa;
        check(a.sectors == trackSectors(cdxa, declared));
    }

    uint8_t head[kBlockBytes] = {};
    MemorySource file(data, size);
    const SourceKind kind = classifySource(head, file.readAt(0, head, kBlockBytes));
    if (kind == SourceKind::Neither) return 0;
    CountingSink sink;
    const TrackOutcome r = writeTrack(file, sink, kind, int64_t(size), int32_t(size));
    check(r.status == TrackOutcome::Done);
    check(int64_t(r.sectors) == trackSectors(kind == SourceKind::RiffCdxa, int64_t(size)));
    check(sink.writes == r.sectors && sink.pumps == r.sectors);
    return 0;
}
