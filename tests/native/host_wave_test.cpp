// The sound resources as committed, read by the WAVE reader the host tool and the DLL check use.
#include "host/core/wave.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> resource(const char* name) { return slurp(std::string(DUVAD_SOURCE_DIR) + "/resources/" + name); }

TEST(WaveResources, HaveTheFormatsAndLengthsTheHostExpects) {
    struct Want {
        const char* file;
        uint16_t tag;
        uint32_t rate;
        uint16_t bits;
        uint32_t samples;
    };
    for (const Want& w : {Want{"1001.wav", duvad::host::wave::kPcm, 11025, 8, 146907},
                          Want{"1012.wav", duvad::host::wave::kMsAdpcm, 11025, 4, 16573},
                          Want{"1014.wav", duvad::host::wave::kMsAdpcm, 22050, 4, 41984}}) {
        SCOPED_TRACE(w.file);
        auto bytes = resource(w.file);
        auto f = duvad::host::wave::read(bytes.data(), bytes.size());
        ASSERT_TRUE(f);
        EXPECT_EQ(f->formatTag, w.tag);
        EXPECT_EQ(f->channels, 1);
        EXPECT_EQ(f->samplesPerSec, w.rate);
        EXPECT_EQ(f->bitsPerSample, w.bits);
        EXPECT_EQ(f->samples, w.samples);
    }
}

TEST(WaveReader, RefusesDamagedImagesWithoutReadingPastThem) {
    auto good = resource("1012.wav");
    ASSERT_TRUE(duvad::host::wave::read(good.data(), good.size()));
    // Every truncation is either refused or still a consistent image; ASan checks the reads.
    for (size_t n = 0; n < 200; ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + n);
        EXPECT_FALSE(duvad::host::wave::read(cut.data(), cut.size())) << n;
    }
    auto noFact = good;
    std::copy_n("junk", 4, noFact.begin() + 12 + 8 + 50);  // the fact chunk follows a 50-byte fmt
    EXPECT_FALSE(duvad::host::wave::read(noFact.data(), noFact.size()));
    auto hugeChunk = good;
    hugeChunk[12 + 4] = 0xFF, hugeChunk[12 + 7] = 0x7F;
    EXPECT_FALSE(duvad::host::wave::read(hugeChunk.data(), hugeChunk.size()));
    const uint8_t notRiff[] = "RIFX\0\0\0\0WAVEfmt ";
    EXPECT_FALSE(duvad::host::wave::read(notRiff, sizeof notRiff));
}

}  // namespace
