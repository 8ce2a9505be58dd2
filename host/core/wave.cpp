#include "host/core/wave.h"

#include <cstring>

#include "vcd/core/disc_format.h"  // the integer readers

namespace duvad::host::wave {
namespace {

uint16_t le16(const uint8_t* p) { return uint16_t(vcd::getLe16(p)); }
uint32_t le32(const uint8_t* p) { return vcd::getLe32(p); }

}  // namespace

std::optional<Format> read(const uint8_t* bytes, size_t size) {
    if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) return std::nullopt;
    Format f;
    bool haveFmt = false, haveData = false, haveFact = false;
    size_t pos = 12;
    while (size - pos >= 8) {
        const uint8_t* chunk = bytes + pos;
        const uint32_t length = le32(chunk + 4);
        if (length > size - pos - 8) return std::nullopt;
        const uint8_t* body = chunk + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16) return std::nullopt;
            f.formatTag = le16(body);
            f.channels = le16(body + 2);
            f.samplesPerSec = le32(body + 4);
            f.blockAlign = le16(body + 12);
            f.bitsPerSample = le16(body + 14);
            haveFmt = true;
        } else if (std::memcmp(chunk, "fact", 4) == 0 && length >= 4) {
            f.samples = le32(body);
            haveFact = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            f.dataBytes = length;
            haveData = true;
        }
        pos += 8 + size_t(length) + (length & 1);  // chunks are padded to even lengths
        if (pos > size) break;
    }
    if (!haveFmt || !haveData || f.channels == 0 || f.blockAlign == 0) return std::nullopt;
    if (f.formatTag == kPcm) {
        f.samples = f.dataBytes / f.blockAlign;
    } else if (!haveFact) {
        return std::nullopt;
    }
    return f;
}

}  // namespace duvad::host::wave
