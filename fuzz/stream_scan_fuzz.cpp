// The whole-source scan over arbitrary bytes, as a plain stream and as RIFF CDXA, and the packet
// walk of one piece held in a block of exactly 2324 bytes (ASan sees any read past it). Checks:
// every piece is counted once, the dropped tail is what the size leaves, and the audio facts stay
// within the MPEG audio tables.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "host/core/stream_scan.h"

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "stream_scan_fuzz: %s\n", what);
        std::abort();
    }
}

void checkAudio(const duvad::host::StreamScan& scan) {
    for (const duvad::host::AudioFormat& a : scan.audio) {
        if (!a.version) continue;
        check(a.layer >= 1 && a.layer <= 3, "layer");
        check(a.sampleRate >= 8000 && a.sampleRate <= 48000, "sampling rate");
        check(a.bitRate >= 0 && a.bitRate <= 448, "bit rate");
        check(a.channels == 1 || a.channels == 2, "channels");
    }
    check(!duvad::host::audioLine(scan).empty(), "audio line");
    duvad::host::audioWarnings(scan);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (bool cdxa : {false, true}) {
        duvad::vcd::MemorySource source(data, size);
        duvad::host::StreamScan scan;
        check(duvad::host::scanStream(source, cdxa, &scan), "a read in memory failed");
        check(scan.packs + scan.empty + scan.misaligned == scan.pieces, "every piece counted once");
        const int64_t start = cdxa ? 44 : 0, record = cdxa ? 2352 : 2324;
        const int64_t body = int64_t(size) > start ? int64_t(size) - start : 0;
        check(int64_t(scan.pieces) == body / record && scan.droppedBytes == body % record, "pieces and tail");
        check((scan.misaligned == 0) == (scan.firstMisaligned < 0), "first misaligned piece");
        check(duvad::host::alignmentRefusal(scan, 3, "x.mpg").empty() == (scan.misaligned == 0), "refusal");
        checkAudio(scan);
    }
    auto piece = std::make_unique<uint8_t[]>(2324);
    std::memset(piece.get(), 0, 2324);
    std::memcpy(piece.get(), data, size < 2324 ? size : 2324);
    if (size >= 4) std::memcpy(piece.get(), "\0\0\1\xBA", 4), piece[4] = uint8_t(0x20 | (piece[4] & 0x1F));
    duvad::host::StreamScan one;
    one.piece(piece.get(), 0);
    check(one.pieces == 1, "one piece");
    checkAudio(one);
    return 0;
}
