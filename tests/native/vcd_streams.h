// The ffmpeg-made test streams (tests/data/make_streams.sh), made once per build folder, and a
// few builders for hand-made MPEG-1 bytes.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace duvad::vcd::test {

inline std::string streamsDir() {
    static const std::string dir = [] {
        const std::string d = std::string(DUVAD_BINARY_DIR) + "/vcd-streams";
        const std::string cmd = "sh " + std::string(DUVAD_SOURCE_DIR) + "/tests/data/make_streams.sh " + d;
        if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "make_streams.sh failed\n");
        return d;
    }();
    return dir;
}

inline std::string streamPath(const char* name) { return streamsDir() + "/" + name; }

inline std::vector<uint8_t> stream(const char* name) {
    std::ifstream in(streamPath(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes an MPEG-1 pack header carrying the 33-bit clock `scr` at p[0..11].
inline void putPack(uint8_t* p, uint64_t scr, uint8_t marker = 0x20) {
    p[0] = 0;
    p[1] = 0;
    p[2] = 1;
    p[3] = 0xBA;
    p[4] = uint8_t(marker | (scr >> 29 & 0x0E) | 1);
    p[5] = uint8_t(scr >> 22);
    p[6] = uint8_t((scr >> 14 & 0xFE) | 1);
    p[7] = uint8_t(scr >> 7);
    p[8] = uint8_t((scr << 1 & 0xFE) | 1);
    p[9] = 0x80;
    p[10] = 0x1B;
    p[11] = 0x91;  // mux rate with markers
}

// Writes a sequence header at p[0..11].
inline void putSequence(uint8_t* p, int width, int height, int aspect, int rate, int rateField) {
    p[0] = 0;
    p[1] = 0;
    p[2] = 1;
    p[3] = 0xB3;
    p[4] = uint8_t(width >> 4);
    p[5] = uint8_t((width & 15) << 4 | height >> 8);
    p[6] = uint8_t(height);
    p[7] = uint8_t(aspect << 4 | rate);
    p[8] = uint8_t(rateField >> 10);
    p[9] = uint8_t(rateField >> 2);
    p[10] = uint8_t((rateField & 3) << 6 | 0x20);
    p[11] = 0;
}

}  // namespace duvad::vcd::test
