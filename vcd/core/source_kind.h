// What a Video CD source file is, from its first bytes: the one test that the DLL's conversion,
// its analysis and the host tool's planning all apply.
#pragma once
#include <cstdint>

namespace duvad::vcd {

enum class SourceKind { Neither, RiffCdxa, PackStream };

// RIFF CDXA: "RIFF" at bytes 0-3 and "CDXA" at bytes 8-11. A pack stream: the pack start code
// 00 00 01 BA at bytes 0-3, whatever follows (an MPEG-2 pack too: the conversion takes it as it
// is). Only the `delivered` bytes count.
SourceKind classifySource(const uint8_t* head, uint32_t delivered);

}  // namespace duvad::vcd
