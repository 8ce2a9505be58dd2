// Reads the format of a RIFF WAVE image in memory (the module's sound resources): which coding,
// channels, rate and how many samples. Platform-free; never reads outside the given bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>

namespace duvad::host::wave {

constexpr uint16_t kPcm = 1;
constexpr uint16_t kMsAdpcm = 2;

struct Format {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint32_t dataBytes = 0;
    uint32_t samples = 0;  // per channel: PCM from the data size, compressed from the fact chunk
};

// nullopt when the bytes are not a well-formed WAVE image (no fmt or data chunk, a chunk running
// past the end, compressed data without a fact chunk).
std::optional<Format> read(const uint8_t* bytes, size_t size);

}  // namespace duvad::host::wave
