// The platform-free part of "duvad selftest": the report a user sends us, and what the checks
// hold the DLL's answers against: the facts of an MPEG-1 system stream read from its own bytes,
// and a track file compared with the stream it was made from.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace duvad::host::selftest {

enum class Status { Pass, Fail, NotRun };

// One line of the report: what was checked, through which exports, and why it passed, failed or
// was not run.
struct Check {
    std::string name;     // "OS family", "track conversion"
    std::string exports;  // "ItsNT, OSType"
    Status status = Status::Pass;
    std::string reason;  // short: what was seen, or why it was not run
};

// What the report says about the machine and the DLL, one "key: value" line each, in order.
struct Fact {
    std::string key, value;
};

// The whole report: a title, the facts, one line per check, the totals, the lines after (timings,
// notes) and the verdict; lines end in "\n" (a text-mode stream or file writer makes CR LF of them).
std::string reportText(const std::vector<Fact>& facts, const std::vector<Check>& checks,
                       const std::vector<std::string>& notes);

// 0 when every check that ran passed (and at least one ran); 1 otherwise.
int exitStatus(const std::vector<Check>& checks);

// ---- MPEG-1 system streams, from their bytes (ISO/IEC 11172-1 and -2) ---------------------------

struct StreamFacts {
    bool sequenceHeader = false;  // a video sequence header was found
    int32_t width = 0, height = 0, aspectCode = 0, rateCode = 0;
    int32_t bitRate = 0;                                    // bit/s
    std::vector<std::pair<uint64_t, uint32_t>> packClocks;  // (offset, low 32 bits of the SCR) of each pack
};

// Every MPEG-1 pack header (00 00 01 BA, then 0010xxxx or 0011xxxx) and the first sequence header
// (00 00 01 B3 with its seven bytes of fields) of the stream.
StreamFacts readStream(const uint8_t* data, size_t size);

// The whole seconds between the first pack's clock and that of each pack that begins in the last
// `window` bytes: any of them is a true playing time for a reader that looks near the end.
std::vector<int32_t> playingSecondsNearEnd(const StreamFacts& facts, uint64_t size, uint64_t window);

// Why `track` (a track file of 2336-byte sectors) is not the Video CD track of `stream` (a plain
// MPEG-1 system stream of whole 2324-byte packs) as track number `index`: 30 empty sectors, each
// pack as a Form 2 sector (subheader file `index`, channel 1, submode and coding for audio when
// the pack's first packet is audio stream 0, else video; the pack as it stands; a zero EDC
// field), then 55 empty sectors. Empty when it is.
std::string trackMismatch(const uint8_t* stream, size_t streamSize, const uint8_t* track, size_t trackSize, int index);

}  // namespace duvad::host::selftest
