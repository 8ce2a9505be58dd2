#include "host/core/selftest.h"

#include <cstring>

#include "vcd/core/disc_format.h"

namespace duvad::host::selftest {

namespace {

const char* statusWord(Status s) {
    switch (s) {
    case Status::Pass: return "pass";
    case Status::Fail: return "FAIL";
    case Status::NotRun: return "not run";
    }
    return "?";
}

}  // namespace

std::string reportText(const std::vector<Fact>& facts, const std::vector<Check>& checks,
                       const std::vector<std::string>& notes) {
    std::string text = "DuVad self-test\n\n";
    for (const Fact& f : facts) text += f.key + ": " + f.value + "\n";
    int counts[3] = {0, 0, 0};
    text += "\n";
    for (const Check& c : checks) {
        ++counts[int(c.status)];
        std::string word = statusWord(c.status);
        word.resize(8, ' ');
        text += word + c.name + " (" + c.exports + "): " + c.reason + "\n";
    }
    text += "\n" + std::to_string(counts[int(Status::Pass)]) + " passed, " + std::to_string(counts[int(Status::Fail)]) +
            " failed, " + std::to_string(counts[int(Status::NotRun)]) + " not run\n";
    for (const std::string& n : notes) text += n + "\n";
    text += exitStatus(checks) == 0 ? "result: all checks that ran passed\n" : "result: FAILED\n";
    return text;
}

int exitStatus(const std::vector<Check>& checks) {
    bool ran = false;
    for (const Check& c : checks) {
        if (c.status == Status::Fail) return 1;
        ran = ran || c.status == Status::Pass;
    }
    return ran ? 0 : 1;
}

StreamFacts readStream(const uint8_t* data, size_t size) {
    StreamFacts f;
    for (size_t i = 0; i + 4 <= size; ++i) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1) continue;
        const uint8_t code = data[i + 3];
        if (code == 0xBA && i + 9 <= size && (data[i + 4] & 0xF0) >= 0x20 && (data[i + 4] & 0xF0) <= 0x30) {
            // SCR bits 32..30 in byte 4 (bits 3..1), 29..15 in bytes 5-6, 14..0 in bytes 7-8; markers between.
            const uint8_t* p = data + i + 4;
            const uint64_t scr = uint64_t(p[0] >> 1 & 7) << 30 | uint64_t(p[1]) << 22 | uint64_t(p[2] >> 1) << 15 |
                                 uint64_t(p[3]) << 7 | uint64_t(p[4] >> 1);
            f.packClocks.emplace_back(i, uint32_t(scr));
        } else if (code == 0xB3 && !f.sequenceHeader && i + 11 <= size) {
            const uint8_t* p = data + i + 4;
            f.sequenceHeader = true;
            f.width = p[0] << 4 | p[1] >> 4;
            f.height = (p[1] & 0x0F) << 8 | p[2];
            f.aspectCode = p[3] >> 4;
            f.rateCode = p[3] & 0x0F;
            f.bitRate = (p[4] << 10 | p[5] << 2 | p[6] >> 6) * 400;
        }
    }
    return f;
}

std::vector<int32_t> playingSecondsNearEnd(const StreamFacts& facts, uint64_t size, uint64_t window) {
    std::vector<int32_t> seconds;
    if (facts.packClocks.empty()) return seconds;
    const uint32_t first = facts.packClocks.front().second;
    for (const auto& [offset, clock] : facts.packClocks)
        if (offset + window >= size) seconds.push_back(int32_t((clock - first) / 90000u));
    return seconds;
}

std::string trackMismatch(const uint8_t* stream, size_t streamSize, const uint8_t* track, size_t trackSize, int index) {
    constexpr size_t kSector = vcd::kMode2SectorBytes, kPack = vcd::kForm2DataBytes;
    constexpr size_t kLead = 30, kTail = 55;
    const size_t packs = streamSize / kPack;
    const size_t sectors = kLead + packs + kTail;
    if (trackSize != sectors * kSector)
        return std::to_string(trackSize) + " bytes, not " + std::to_string(sectors) + " sectors of 2336 (30 + " +
               std::to_string(packs) + " packs + 55)";
    static const uint8_t zero[kSector] = {};
    for (size_t s = 0; s < sectors; ++s) {
        const uint8_t* sector = track + s * kSector;
        if (s < kLead || s >= kLead + packs) {
            if (std::memcmp(sector, zero, kSector) != 0)
                return "sector " + std::to_string(s) + " should be empty (all zero) but is not";
            continue;
        }
        const uint8_t* pack = stream + (s - kLead) * kPack;
        const bool audio = pack[12] == 0 && pack[13] == 0 && pack[14] == 1 && pack[15] == 0xC0;
        const uint8_t submode = vcd::kSubmodeForm2 | vcd::kSubmodeRealTime |
                                (audio ? vcd::kSubmodeAudio : vcd::kSubmodeVideo);
        const uint8_t head[4] = {uint8_t(index), 1, submode, uint8_t(audio ? 0x7F : 0x0F)};
        if (std::memcmp(sector, head, 4) != 0 || std::memcmp(sector + 4, head, 4) != 0)
            return "sector " + std::to_string(s) + " has the wrong subheader for " + (audio ? "an audio" : "a video") +
                   " pack";
        if (std::memcmp(sector + vcd::kSubheaderBytes, pack, kPack) != 0)
            return "sector " + std::to_string(s) + " does not hold pack " + std::to_string(s - kLead + 1) +
                   " of the stream";
        if (std::memcmp(sector + vcd::kSubheaderBytes + kPack, zero, vcd::kEdcBytes) != 0)
            return "sector " + std::to_string(s) + " has a non-zero error detection field";
    }
    return "";
}

}  // namespace duvad::host::selftest
