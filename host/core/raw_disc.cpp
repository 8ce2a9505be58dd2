#include "host/core/raw_disc.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace duvad::host {
namespace {

using namespace duvad::vcd;

// Raw sector layout (ECMA-130 / CD-ROM XA).
constexpr size_t kHeader = 12, kSubheaderAt = 16;  // offsets of the header and the subheader
constexpr size_t kForm1Edc = kSubheaderAt + kSubheaderBytes + kForm1DataBytes;  // 2072
constexpr size_t kEccP = kForm1Edc + kEdcBytes;                                 // 2076
constexpr size_t kEccPBytes = 172, kEccQBytes = 104;
constexpr size_t kEccQ = kEccP + kEccPBytes;                                    // 2248
constexpr size_t kForm2Edc = kSubheaderAt + kSubheaderBytes + kForm2DataBytes;  // 2348
constexpr uint8_t kMode2 = 2;
static_assert(kEccQ + kEccQBytes == size_t(kRawSectorBytes), "Form 1 ends with the Q parity");
static_assert(kForm2Edc + kEdcBytes == size_t(kRawSectorBytes), "Form 2 ends with its EDC");
constexpr uint8_t kSync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

struct Tables {
    // EDC by eight bytes a step (slice-by-8): edc[s][i] is the CRC of byte i followed by s zero
    // bytes, so eight table look-ups advance the CRC over eight bytes.
    std::array<std::array<uint32_t, 256>, 8> edc{};
    std::array<uint8_t, 256> f{}, b{};  // GF(2^8) multiply by alpha, and its inverse of (x ^ 2x)
    Tables() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t e = i;
            for (int k = 0; k < 8; ++k) e = (e >> 1) ^ (e & 1 ? 0xD8018001u : 0);
            edc[0][i] = e;
            const uint32_t j = (i << 1) ^ (i & 0x80 ? 0x11D : 0);
            f[i] = uint8_t(j);
            b[i ^ j] = uint8_t(i);
        }
        for (size_t s = 1; s < 8; ++s)
            for (uint32_t i = 0; i < 256; ++i) edc[s][i] = (edc[s - 1][i] >> 8) ^ edc[0][edc[s - 1][i] & 0xFF];
    }
};
const Tables& tables() {
    static const Tables t;
    return t;
}

// Reed-Solomon product code over the 2064 bytes from the header on (ECMA-130 annex A): P parity
// is 86 columns of 24 bytes, Q parity 52 diagonals of 43 bytes.
void eccBlock(const uint8_t* src, size_t majorCount, size_t minorCount, size_t majorMult, size_t minorInc,
              uint8_t* dest) {
    const Tables& t = tables();
    const size_t size = majorCount * minorCount;
    for (size_t major = 0; major < majorCount; ++major) {
        size_t index = (major >> 1) * majorMult + (major & 1);
        uint8_t a = 0, b = 0;
        for (size_t minor = 0; minor < minorCount; ++minor) {
            const uint8_t v = src[index];
            index += minorInc;
            if (index >= size) index -= size;
            a ^= v;
            b ^= v;
            a = t.f[a];
        }
        a = t.b[t.f[a] ^ b];
        dest[major] = a;
        dest[major + majorCount] = a ^ b;
    }
}

std::string msfText(uint32_t sectors) {
    const Msf m = msf(sectors);
    char s[16];
    std::snprintf(s, sizeof s, "%02u:%02u:%02u", unsigned(m.minute), unsigned(m.second), unsigned(m.frame));
    return s;
}

}  // namespace

std::string trackFileName(int k) {
    char name[16];
    std::snprintf(name, sizeof name, "AVSEQ%02d.DAT", k);
    return name;
}

uint32_t DiscLayout::trackStart(size_t k) const {
    uint32_t start = firstTrackSectors + kGapSectors;
    for (size_t i = 1; i < k && i <= trackSectors.size(); ++i) start += trackSectors[i - 1] + kGapSectors;
    return start;
}

uint32_t DiscLayout::paddingSectors(size_t k) const {
    if (k < 1 || k > trackSectors.size()) return 0;
    const uint32_t n = trackSectors[k - 1];
    return n < kShortestTrackSectors ? kShortestTrackSectors - n : 0;
}

uint32_t DiscLayout::pregapSectors(size_t k) const {
    if (k < 2) return kGapSectors;
    const uint32_t before = paddingSectors(k - 1);  // taken out of this track's gap
    return before < kGapSectors ? kGapSectors - before : 0;
}

size_t DiscLayout::unpaddableTrack() const {
    for (size_t k = 1; k < trackSectors.size(); ++k)
        if (paddingSectors(k) > kGapSectors) return k;
    return 0;
}

uint32_t DiscLayout::totalSectors() const {
    const size_t n = trackSectors.size();
    return n == 0 ? firstTrackSectors : trackStart(n) + trackSectors.back() + paddingSectors(n);
}

uint32_t edc(const uint8_t* data, size_t size) {
    const auto& t = tables().edc;
    uint32_t e = 0;
    for (; size >= 8; size -= 8, data += 8) {
        const uint32_t lo = e ^ getLe32(data), hi = getLe32(data + 4);
        e = t[7][lo & 0xFF] ^ t[6][lo >> 8 & 0xFF] ^ t[5][lo >> 16 & 0xFF] ^ t[4][lo >> 24] ^ t[3][hi & 0xFF] ^
            t[2][hi >> 8 & 0xFF] ^ t[1][hi >> 16 & 0xFF] ^ t[0][hi >> 24];
    }
    for (; size; --size) e = (e >> 8) ^ t[0][(e ^ *data++) & 0xFF];
    return e;
}

void emptyRawSectors(uint32_t lba, size_t count, uint8_t* raw) {
    // Mode 2 EDC leaves out the header: one sector made in full serves every address.
    static const std::array<uint8_t, kRawSectorBytes> first = [] {
        std::array<uint8_t, kRawSectorBytes> r{};
        uint8_t sector[kMode2SectorBytes];
        gapSector(sector);
        makeRawSector(sector, 0, r.data());
        return r;
    }();
    for (size_t s = 0; s < count; ++s, raw += kRawSectorBytes) {
        std::memcpy(raw, first.data(), first.size());
        const Msf m = msf(lba + uint32_t(s) + kGapSectors);
        raw[kHeader] = bcd(m.minute), raw[kHeader + 1] = bcd(m.second), raw[kHeader + 2] = bcd(m.frame);
    }
}

void makeRawSector(const uint8_t* sector, uint32_t lba, uint8_t* raw) {
    std::memcpy(raw, kSync, sizeof kSync);
    const Msf m = msf(lba + kGapSectors);
    raw[kHeader] = bcd(m.minute), raw[kHeader + 1] = bcd(m.second), raw[kHeader + 2] = bcd(m.frame);
    raw[kHeader + 3] = kMode2;
    std::memcpy(raw + kSubheaderAt, sector, kMode2SectorBytes);
    if (sector[2] & kSubmodeForm2) {
        putLe32(raw + kForm2Edc, edc(raw + kSubheaderAt, kForm2Edc - kSubheaderAt));
        return;
    }
    putLe32(raw + kForm1Edc, edc(raw + kSubheaderAt, kForm1Edc - kSubheaderAt));
    // Mode 2 parity is computed with the header's four bytes taken as zero.
    uint8_t header[4];
    std::memcpy(header, raw + kHeader, 4);
    std::memset(raw + kHeader, 0, 4);
    eccBlock(raw + kHeader, 86, 24, 2, 86, raw + kEccP);
    eccBlock(raw + kHeader, 52, 43, 86, 88, raw + kEccQ);
    std::memcpy(raw + kHeader, header, 4);
}

void makeRawTrackSectors(const uint8_t* sectors, size_t count, uint32_t lba, uint8_t* raw) {
    static const uint8_t zero[kMode2SectorBytes] = {};
    for (size_t s = 0; s < count; ++s, sectors += kMode2SectorBytes, raw += kRawSectorBytes) {
        // A data sector's subheader is never zero: one test settles nearly every sector.
        if (std::memcmp(sectors, zero, kSubheaderBytes) == 0 && std::memcmp(sectors, zero, kMode2SectorBytes) == 0)
            emptyRawSectors(lba + uint32_t(s), 1, raw);
        else
            makeRawSector(sectors, lba + uint32_t(s), raw);
    }
}

void gapSector(uint8_t* sector) {
    std::memset(sector, 0, kMode2SectorBytes);
    sector[2] = sector[6] = kSubmodeForm2;
}

std::string cueSheet(const std::string& binName, const DiscLayout& layout) {
    std::string cue = "FILE \"" + binName + "\" BINARY\n";
    cue += "  TRACK 01 MODE2/2352\n    INDEX 01 00:00:00\n";
    for (size_t k = 1; k <= layout.trackSectors.size(); ++k) {
        char track[64];
        std::snprintf(track, sizeof track, "  TRACK %02u MODE2/2352\n", unsigned(k + 1));
        const uint32_t start = layout.trackStart(k);
        cue += track;
        if (const uint32_t pregap = layout.pregapSectors(k)) cue += "    INDEX 00 " + msfText(start - pregap) + "\n";
        cue += "    INDEX 01 " + msfText(start) + "\n";
    }
    return cue;
}

std::string cdrdaoToc(const std::string& binName, const DiscLayout& layout) {
    // Track k's stretch of the image begins at its pregap; track 1 has none in the image.
    const size_t n = layout.trackSectors.size();
    const auto from = [&layout](size_t k) { return k == 0 ? 0 : layout.trackStart(k) - layout.pregapSectors(k); };
    std::string toc = "CD_ROM_XA\n";
    for (size_t k = 0; k <= n; ++k) {
        const uint32_t begin = from(k), end = k < n ? from(k + 1) : layout.totalSectors();
        toc += k == 0 ? "\n// Track 1: the ISO 9660 file system and the Video CD files\n"
                      : "\n// Track " + std::to_string(k + 1) + ": " + trackFileName(int(k)) + "\n";
        toc += "TRACK MODE2_RAW\nDATAFILE \"" + binName + "\" #" + std::to_string(uint64_t(begin) * kRawSectorBytes) +
               " " + msfText(end - begin) + "\n";
        if (k > 0)
            if (const uint32_t pregap = layout.pregapSectors(k)) toc += "START " + msfText(pregap) + "\n";
    }
    return toc;
}

}  // namespace duvad::host
