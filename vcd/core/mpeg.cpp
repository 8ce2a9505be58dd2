#include "vcd/core/mpeg.h"

#include <cstring>

namespace duvad::vcd {

namespace {

constexpr uint8_t kPackStartCode = 0xBA;
constexpr uint8_t kSequenceStartCode = 0xB3;
constexpr int32_t kPackClockBytes = 9;       // start code, marker nibble and the 5 clock bytes
constexpr int32_t kSequenceFieldBytes = 11;  // start code and the fields up to the bit rate

bool startCode(const uint8_t* p, uint8_t code) { return p[0] == 0x00 && p[1] == 0x00 && p[2] == 0x01 && p[3] == code; }

}  // namespace

bool isPackHeader(const uint8_t* p) {
    const uint8_t marker = p[4] & 0xF0;
    return startCode(p, kPackStartCode) && (marker == 0x20 || marker == 0x30);
}

uint32_t packClock(const uint8_t* p) {
    return uint32_t(p[4] & 0x06) << 29 | uint32_t(p[5]) << 22 | uint32_t(p[6] >> 1) << 15 | uint32_t(p[7]) << 7 |
           uint32_t(p[8] >> 1);
}

int32_t findPackHeader(const uint8_t* block, uint32_t delivered) {
    for (int32_t p = 0; p < kPackPositions && uint32_t(p + kPackClockBytes) <= delivered; ++p)
        if (isPackHeader(block + p)) return p;
    return -1;
}

SequenceHeader readSequenceHeader(const uint8_t* p) {
    SequenceHeader h;
    h.width = int32_t(p[4]) << 4 | p[5] >> 4;
    h.height = int32_t(p[5] & 0x0F) << 8 | p[6];
    h.aspectCode = p[7] >> 4;
    h.rateCode = p[7] & 0x0F;
    h.bitRate = (int32_t(p[8]) << 10 | int32_t(p[9]) << 2 | p[10] >> 6) * int32_t(kBitRateUnit);
    return h;
}

bool meetsVideoCdRules(const SequenceHeader& h) {
    if (h.bitRate >= kMaxVcdBitRate) return false;
    for (const VideoCdPicture& r : kVideoCdPictures)
        if (h.width == r.width && h.height == r.height && h.aspectCode == r.aspectCode && h.rateCode == r.rateCode)
            return true;
    return false;
}

int64_t trackSectors(bool riffCdxa, int64_t size) {
    const int64_t data = riffCdxa ? (size - kRiffHeaderBytes) / kRawSectorBytes : size / kPackBytes;
    return data + kLeadInSectors + kLeadOutSectors;
}

bool lastClockBeforeEmptyTail(RandomAccessSource& file, int64_t size, bool cdxa, uint32_t* clock) {
    uint8_t buffer[kTailBytes];
    // Where the content ends: behind the last sector that is not empty.
    int64_t end = -1;
    if (cdxa) {
        const int64_t sectors = size < kRiffHeaderBytes ? 0 : (size - kRiffHeaderBytes) / kRawSectorBytes;
        // The last kEmptyTailSectors sectors may be empty; the one before them is the last looked at.
        for (int64_t k = sectors - 1; k >= 0 && k >= sectors - kEmptyTailSectors - 1 && end < 0; --k) {
            const int64_t at = kRiffHeaderBytes + k * kRawSectorBytes;
            const uint32_t n = file.readAt(at + kRawHeaderBytes + kSubheaderBytes, buffer, kPackBytes);
            for (uint32_t i = 0; i < n && end < 0; ++i)
                if (buffer[i] != 0) end = at + kRawSectorBytes;
        }
    } else {
        // Up to kEmptyTailSectors x 2324 zero bytes; the byte before them is the last looked at.
        int64_t lowest = size - int64_t(kEmptyTailSectors) * kPackBytes - 1;
        if (lowest < 0) lowest = 0;
        for (int64_t hi = size; hi > lowest && end < 0;) {
            const int64_t lo = hi - kTailBytes > lowest ? hi - kTailBytes : lowest;
            const uint32_t n = file.readAt(lo, buffer, uint32_t(hi - lo));
            if (n != uint32_t(hi - lo)) return false;
            for (uint32_t i = n; i > 0 && end < 0; --i)
                if (buffer[i - 1] != 0) end = lo + i;
            hi = lo;
        }
    }
    if (end < 0) return false;

    // The last pack header wholly inside the 7008 bytes before that end.
    const int64_t lo = end - kTailBytes > 0 ? end - kTailBytes : 0;
    const uint32_t n = file.readAt(lo, buffer, uint32_t(end - lo));
    for (int64_t p = int64_t(n) - kPackClockBytes; p >= 0; --p) {
        if (isPackHeader(buffer + p)) {
            *clock = packClock(buffer + p);
            return true;
        }
    }
    return false;
}

Analysis analyzeStream(RandomAccessSource& file) {
    Analysis a;
    uint8_t window[kTailBytes];  // the tail window; its first block serves the other reads

    // Head scan: the first pack header within the first 584 positions of one of five blocks.
    uint32_t firstClock = 0;
    for (int b = 0; b < kHeadBlocks; ++b) {
        const uint32_t n = file.readAt(int64_t(b) * kBlockBytes, window, kBlockBytes);
        const int32_t p = findPackHeader(window, n);
        if (p >= 0) {
            firstClock = packClock(window + p);
            break;
        }
    }

    int64_t size = file.size();
    if (size < 0) size = 0;

    // Tail scan: the first pack header in the last three blocks gives the playing time.
    bool tailRead = false, lastFound = false;
    uint32_t lastClock = 0;
    if (size >= kTailBytes && file.readAt(size - kTailBytes, window, kTailBytes) == kTailBytes) {
        tailRead = true;
        for (int b = 0; b < 3 && !lastFound; ++b) {
            const int32_t p = findPackHeader(window + b * kBlockBytes, kBlockBytes);
            if (p >= 0) {
                lastClock = packClock(window + b * kBlockBytes + p);
                lastFound = true;
            }
        }
    }

    // Container and length.
    const uint32_t headBytes = file.readAt(0, window, kRiffHeaderBytes);
    const bool cdxa = classifySource(window, headBytes) == SourceKind::RiffCdxa;

    // Where the tail window holds no clock (empty sectors or a partial pack at the end), the last
    // one before the empty sectors. A file shorter than the window keeps no playing time.
    if (tailRead && !lastFound) lastFound = lastClockBeforeEmptyTail(file, size, cdxa, &lastClock);
    if (lastFound) a.playingSeconds = int32_t((lastClock - firstClock) / kClockHz);
    const int64_t dataStart = cdxa ? kRiffHeaderBytes : 0;
    a.sectors = trackSectors(cdxa, size);
    if (a.sectors > INT32_MAX) {
        a.result = -2;
        return a;
    }

    // The first sequence header start code wholly inside one of 100 blocks from the data start.
    for (int b = 0; b < kSearchBlocks; ++b) {
        const int64_t at = dataStart + int64_t(b) * kBlockBytes;
        const uint32_t n = file.readAt(at, window, kBlockBytes);
        for (uint32_t p = 0; p + 4 <= n; ++p) {
            if (!startCode(window + p, kSequenceStartCode)) continue;
            // Re-read from the start code, so a header crossing the block's end is read whole;
            // bytes past the end of the file read as zero, and a header cut off there does not
            // meet the rules (its zeros would pass as a bit rate of 0).
            uint8_t header[kSequenceFieldBytes] = {};
            const uint32_t got = file.readAt(at + p, header, kSequenceFieldBytes);
            a.result = 1;
            a.header = readSequenceHeader(header);
            a.compliant = got == uint32_t(kSequenceFieldBytes) && meetsVideoCdRules(a.header);
            return a;
        }
    }
    a.result = 0;
    return a;
}

}  // namespace duvad::vcd
