#include "host/core/stream_scan.h"

#include <algorithm>
#include <cstdio>

#include "vcd/core/mpeg.h"

namespace duvad::host {
namespace {

constexpr int kPiece = vcd::kPackBytes;  // 2324
constexpr uint8_t kPackStart = 0xBA;
constexpr uint8_t kAudio0 = 0xC0, kVideo0 = 0xE0;

// The first audio frame header in a packet's payload p[0..size).
bool findAudioHeader(const uint8_t* p, int size, AudioFormat* format) {
    for (int i = 0; i + 4 <= size; ++i)
        if (p[i] == 0xFF && readAudioHeader(p + i, format)) return true;
    return false;
}

// Where an MPEG-1 packet's data begins, behind its stuffing, buffer size and time stamps
// (ISO/IEC 11172-1, 2.4.3.3); -1 when the header is malformed.
int packetData(const uint8_t* p, int at, int end) {
    int stuffing = 0;
    while (at < end && p[at] == 0xFF && stuffing++ < 16) ++at;
    if (at < end && (p[at] & 0xC0) == 0x40) at += 2;
    if (at >= end) return -1;
    if ((p[at] & 0xF0) == 0x20) return at + 5;
    if ((p[at] & 0xF0) == 0x30) return at + 10;
    return p[at] == 0x0F ? at + 1 : -1;
}

}  // namespace

bool readAudioHeader(const uint8_t* p, AudioFormat* format) {
    static const int kBitRates[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 Layer I
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // Layer II
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},     // Layer III
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG-2 Layer I
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // Layers II, III
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static const int kRates[3] = {44100, 48000, 32000};
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int versionBits = p[1] >> 3 & 3, layerBits = p[1] >> 1 & 3;
    const int rateIndex = p[2] >> 4, sampling = p[2] >> 2 & 3;
    if (versionBits == 1 || layerBits == 0 || rateIndex == 15 || sampling == 3) return false;
    AudioFormat f;
    f.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    f.layer = 4 - layerBits;
    f.bitRate = kBitRates[f.version == 1 ? 0 : 1][f.layer - 1][rateIndex];
    f.sampleRate = kRates[sampling] / (f.version == 1 ? 1 : f.version == 2 ? 2 : 4);
    f.channels = (p[3] >> 6) == 3 ? 1 : 2;
    *format = f;
    return true;
}

void StreamScan::piece(const uint8_t* p, int64_t offset) {
    ++pieces;
    walkBytes(p, kPiece);
    if (vcd::isPackHeader(p)) {
        ++packs;
        return;
    }
    bool zero = true;
    for (int i = 0; i < kPiece && zero; ++i) zero = p[i] == 0;
    if (zero) {
        ++empty;
    } else if (!misaligned++) {
        firstMisaligned = offset;
    }
}

void StreamScan::walkBytes(const uint8_t* p, size_t n) {
    PacketWalk& w = walk;
    while (n) {
        if (w.skip) {
            const size_t k = std::min<size_t>(n, w.skip);
            w.skip -= uint32_t(k), p += k, n -= k;
            continue;
        }
        if (!w.need) {
            // The start of a packet, 00 00 01 and a code above the pack header's (0xBA): the system
            // header, the streams, padding. Pack headers are read through: their marker bits
            // keep 00 00 01 out of them.
            w.window = w.window << 8 | *p++, --n;
            const uint8_t code = uint8_t(w.window);
            if (w.window >> 8 != 1 || code <= kPackStart) continue;
            w.held = {0, 0, 1, code};
            w.need = 6;  // up to the packet's length
            continue;
        }
        const size_t k = std::min(n, w.need - w.held.size());
        w.held.insert(w.held.end(), p, p + k);
        p += k, n -= k;
        if (w.held.size() < w.need) continue;
        const uint8_t* h = w.held.data();
        const uint8_t code = h[3];
        const uint32_t length = uint32_t(h[4] << 8 | h[5]);
        const bool audioPacket = code >= kAudio0 && code < kAudio0 + 32;
        if (w.need == 6) {
            if (audioPacket) audioStreams |= 1u << (code - kAudio0);
            if (code >= kVideo0 && code < kVideo0 + 16) videoStreams |= 1u << (code - kVideo0);
            // An audio stream's packet is held whole until its first frame header is found.
            if (audioPacket && !audio[code - kAudio0].version && length) {
                w.need = 6 + length;
                continue;
            }
            w.skip = length;
        } else {
            const int end = int(w.need), from = packetData(h, 6, end);
            if (from >= 0 && from < end) findAudioHeader(h + from, end - from, &audio[code - kAudio0]);
        }
        w.need = 0, w.window = 0xFFFFFFFF;
    }
}

int StreamScan::audioStreamCount() const {
    int n = 0;
    for (uint32_t s = audioStreams; s; s &= s - 1) ++n;
    return n;
}

int StreamScan::firstAudioStream() const {
    for (int n = 0; n < 32; ++n)
        if (audioStreams >> n & 1) return n;
    return -1;
}

bool scanStream(vcd::RandomAccessSource& file, bool riffCdxa, StreamScan* scan) {
    *scan = StreamScan();
    const int64_t size = file.size();
    if (size < 0) return false;
    const int64_t start = riffCdxa ? vcd::kRiffHeaderBytes : 0;
    const int record = riffCdxa ? vcd::kRawSectorBytes : kPiece;                      // bytes per piece in the file
    const int inRecord = riffCdxa ? vcd::kRawHeaderBytes + vcd::kSubheaderBytes : 0;  // where its payload is
    const int64_t records = size > start ? (size - start) / record : 0;
    scan->droppedBytes = size > start ? (size - start) % record : 0;
    constexpr int kChunk = 64;  // records per read
    std::vector<uint8_t> buffer(size_t(kChunk) * record);
    for (int64_t r = 0; r < records;) {
        const uint32_t n = uint32_t(records - r < kChunk ? records - r : kChunk);
        const int64_t at = start + r * record;
        if (file.readAt(at, buffer.data(), n * uint32_t(record)) != n * uint32_t(record)) return false;
        for (uint32_t i = 0; i < n; ++i)
            scan->piece(buffer.data() + size_t(i) * record + inRecord, at + int64_t(i) * record + inRecord);
        r += n;
    }
    return true;
}

std::string vcdOutputName(const std::string& name) {
    const size_t dot = name.find_last_of('.'), folder = name.find_last_of("\\/:");
    const bool extension = dot != std::string::npos && (folder == std::string::npos || dot > folder);
    return name.substr(0, extension ? dot : name.size()) + "-vcd.mpg";
}

std::string remuxCommand(int32_t rateCode, const std::string& name) {
    const char* target = rateCode == 3 ? "pal-vcd" : rateCode == 1 ? "film-vcd" : "ntsc-vcd";
    return "ffmpeg -f mpeg -i \"" + name + "\" -c copy -target " + target + " \"" + vcdOutputName(name) + "\"";
}

int64_t firstPackAt(const uint8_t* head, size_t size) {
    for (size_t i = 0; i + 5 <= size; ++i)
        if (vcd::isPackHeader(head + i)) return int64_t(i);
    return -1;
}

std::string alignmentRefusal(const StreamScan& scan, int32_t rateCode, const std::string& name) {
    if (!scan.misaligned) return "";
    return "its packs are not one per 2324 bytes (" + std::to_string(scan.misaligned) + " of " +
           std::to_string(scan.pieces) + " sectors would not begin with a pack, the first at byte " +
           std::to_string(scan.firstMisaligned) + "); remux it:  " + remuxCommand(rateCode, name);
}

std::string audioLine(const StreamScan& scan) {
    const int first = scan.firstAudioStream();
    if (first < 0) return "none";
    const int count = scan.audioStreamCount();
    const AudioFormat& a = scan.audio[first];
    std::string line;
    if (!a.version) {
        line = "no MPEG audio frame header found";
    } else {
        static const char* const kLayer[] = {"", "I", "II", "III"};
        char s[160];
        std::snprintf(s, sizeof s, "MPEG-%s Layer %s, %d Hz, ",
                      a.version == 25  ? "2.5"
                      : a.version == 2 ? "2"
                                       : "1",
                      kLayer[a.layer], a.sampleRate);
        line = s;
        line += a.bitRate ? std::to_string(a.bitRate) + " kbit/s, " : "free-format bit rate, ";
        line += a.channels == 1 ? "mono" : "stereo";
    }
    return line + "; " + std::to_string(count) + " audio stream" + (count == 1 ? "" : "s");
}

std::vector<std::string> audioWarnings(const StreamScan& scan) {
    std::vector<std::string> w;
    const int first = scan.firstAudioStream();
    if (first < 0) return {"no audio stream: the disc plays without sound"};
    if (const int count = scan.audioStreamCount(); count > 1)
        w.push_back(std::to_string(count) +
                    " audio streams: a Video CD player plays one; only stream 0's sectors are marked as audio");
    if (first != 0)
        w.push_back("the audio is stream " + std::to_string(first) + ", not 0: its sectors are not marked as audio");
    const AudioFormat& a = scan.audio[first];
    if (!a.version) return w;
    if (a.version != 1) w.push_back("MPEG-2 audio (half sampling rate): a Video CD player expects MPEG-1");
    if (a.layer != 2)
        w.push_back(std::string("Layer ") + (a.layer == 3 ? "III" : "I") +
                    " audio: a Video CD player expects Layer II");
    if (a.sampleRate != 44100)
        w.push_back(std::to_string(a.sampleRate) + " Hz audio: a Video CD player expects 44100 Hz");
    return w;
}

}  // namespace duvad::host
