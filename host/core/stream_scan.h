// One read of a whole source, piece by piece as the track conversion cuts it: whether every
// 2324-byte piece (a Form 2 sector's payload) holds one pack, how many bytes the conversion drops
// at the end, and what audio the packs carry (ISO/IEC 11172-1 packets, ISO/IEC 11172-3 frames),
// whatever size the packs are.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "vcd/core/byte_source.h"

namespace duvad::host {

// The first frame header of an MPEG audio stream.
struct AudioFormat {
    int version = 0;     // 1: MPEG-1; 2: MPEG-2 (half sampling rates); 25: MPEG-2.5; 0: none found
    int layer = 0;       // 1, 2 or 3
    int sampleRate = 0;  // Hz
    int bitRate = 0;     // kbit/s; 0: free format
    int channels = 0;    // 1 or 2
};

// Reads an audio frame header at p[0..3]; false when the bytes are not one (bad sync, reserved
// version, layer, bit rate or sampling rate).
bool readAudioHeader(const uint8_t* p, AudioFormat* format);

struct StreamScan {
    uint64_t pieces = 0;           // 2324-byte pieces: the track file's data sectors
    uint64_t packs = 0;            // pieces that begin with an MPEG-1 pack header
    uint64_t empty = 0;            // all-zero pieces (padding sectors)
    uint64_t misaligned = 0;       // pieces that are neither
    int64_t firstMisaligned = -1;  // file offset of the first such piece
    int64_t droppedBytes = 0;      // the tail the conversion drops: less than one piece (or raw sector)
    uint32_t audioStreams = 0;     // bit n: audio stream n (stream id 0xC0 + n) has packets
    uint32_t videoStreams = 0;     // bit n: video stream n (0xE0 + n)
    AudioFormat audio[32];         // per audio stream, from its first frame header found

    // Takes the next piece of the stream (2324 bytes, at `offset` in the file).
    void piece(const uint8_t* p, int64_t offset);
    int audioStreamCount() const;
    int firstAudioStream() const;  // the lowest numbered, the one a player plays; -1 when none

    // The packets, followed by their lengths across the pieces as one run of bytes, so that packs
    // of any size (ffmpeg's -packetsize 2048) show their streams: a header is gathered in `held`
    // (an audio packet whole while its stream's format is unknown), the rest of a packet skipped.
    struct PacketWalk {
        uint32_t window = 0xFFFFFFFF;  // the last four bytes looked at for a start code
        size_t need = 0;               // bytes `held` must reach; 0: looking for a start code
        uint32_t skip = 0;             // bytes still to pass over
        std::vector<uint8_t> held;
    } walk;
    void walkBytes(const uint8_t* p, size_t n);
};

// Scans the whole file: a RIFF CDXA file (`riffCdxa`) as the payloads of its raw sectors behind the
// 44-byte header, any other file as consecutive pieces. Reads it front to back once. False when a
// read fails.
bool scanStream(vcd::RandomAccessSource& file, bool riffCdxa, StreamScan* scan);

// The ffmpeg command that remuxes `name` (untouched pictures and sound) into a stream of one pack
// per 2324 bytes beside it, NAME-vcd.mpg: -target pal-vcd for the picture rate code 3 (25 Hz),
// film-vcd for 1 (23.976 Hz), else ntsc-vcd. "-f mpeg" makes ffmpeg look for packs past a header.
std::string remuxCommand(int32_t rateCode, const std::string& name);

// Where a remade `name` goes: beside it, its extension replaced by "-vcd.mpg".
std::string vcdOutputName(const std::string& name);

// Where the first MPEG-1 pack header in head[0..size) begins; -1 when there is none.
int64_t firstPackAt(const uint8_t* head, size_t size);

// Why a scanned stream cannot become a Video CD track; empty when it can. `rateCode` (the video's
// picture rate code) chooses the ffmpeg target named in the fix: pal-vcd for 25 Hz, film-vcd for
// 23.976 Hz, else ntsc-vcd.
std::string alignmentRefusal(const StreamScan& scan, int32_t rateCode, const std::string& name);

// "MPEG-1 Layer II, 44100 Hz, 224 kbit/s, stereo; 1 audio stream", or "none".
std::string audioLine(const StreamScan& scan);

// Where the audio differs from what a Video CD player expects (MPEG-1 Layer II at 44100 Hz, one
// stream); one line each.
std::vector<std::string> audioWarnings(const StreamScan& scan);

}  // namespace duvad::host
