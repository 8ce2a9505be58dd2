#include "vcd/core/track.h"

#include <cstring>

namespace duvad::vcd {

void makeSubheader(uint8_t* sector, int32_t track) {
    const uint8_t* payload = sector + kSubheaderBytes;
    const bool audio = payload[12] == 0x00 && payload[13] == 0x00 && payload[14] == 0x01 && payload[15] == 0xC0;
    sector[0] = uint8_t(track);
    sector[1] = kChannel;
    sector[2] = audio ? kAudioSubmode : kVideoSubmode;
    sector[3] = audio ? kAudioCoding : kVideoCoding;
    std::memcpy(sector + 4, sector, 4);
}

namespace {

bool writeEmpty(SectorSink& out, uint8_t* sector, int32_t count, uint32_t& written) {
    std::memset(sector, 0, kBlockBytes);
    for (int32_t s = 0; s < count; ++s) {
        if (!out.write(sector, kBlockBytes)) return false;
        ++written;
        out.pump();
    }
    return true;
}

}  // namespace

TrackOutcome writeTrack(RandomAccessSource& source, SectorSink& out, SourceKind kind, int64_t size, int32_t track) {
    TrackOutcome r;
    // One buffer: a raw sector is read whole and written from byte 16; a made sector's payload
    // is read into bytes 8-2331 and written from byte 0.
    uint8_t buffer[kRawSectorBytes];
    uint8_t* const made = buffer;
    uint8_t* const raw = buffer + kRawHeaderBytes;

    if (!writeEmpty(out, made, kLeadInSectors, r.sectors)) {
        r.status = TrackOutcome::WriteFailed;
        return r;
    }
    if (kind == SourceKind::RiffCdxa) {
        for (int64_t at = kRiffHeaderBytes; size - at >= kRawSectorBytes; at += kRawSectorBytes) {
            if (source.readAt(at, buffer, kRawSectorBytes) != uint32_t(kRawSectorBytes)) {
                r.status = TrackOutcome::ReadFailed;
                return r;
            }
            if (!out.write(raw, kBlockBytes)) {
                r.status = TrackOutcome::WriteFailed;
                return r;
            }
            ++r.sectors;
            out.pump();
        }
    } else {
        std::memset(made + kSubheaderBytes + kPackBytes, 0, kEdcBytes);
        for (int64_t at = 0; size - at >= kPackBytes; at += kPackBytes) {
            if (source.readAt(at, made + kSubheaderBytes, kPackBytes) != uint32_t(kPackBytes)) {
                r.status = TrackOutcome::ReadFailed;
                return r;
            }
            makeSubheader(made, track);
            if (!out.write(made, kBlockBytes)) {
                r.status = TrackOutcome::WriteFailed;
                return r;
            }
            ++r.sectors;
            out.pump();
        }
    }
    if (!writeEmpty(out, made, kLeadOutSectors, r.sectors)) r.status = TrackOutcome::WriteFailed;
    return r;
}

}  // namespace duvad::vcd
