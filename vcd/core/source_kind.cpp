#include "vcd/core/source_kind.h"

#include <cstring>

namespace duvad::vcd {

SourceKind classifySource(const uint8_t* head, uint32_t delivered) {
    if (delivered >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "CDXA", 4) == 0)
        return SourceKind::RiffCdxa;
    if (delivered >= 4 && head[0] == 0x00 && head[1] == 0x00 && head[2] == 0x01 && head[3] == 0xBA)
        return SourceKind::PackStream;
    return SourceKind::Neither;
}

}  // namespace duvad::vcd
