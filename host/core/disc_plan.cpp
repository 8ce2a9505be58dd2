#include "host/core/disc_plan.h"

#include <cstdio>

#include "host/core/stream_scan.h"
#include "vcd/core/mpeg.h"

namespace duvad::host {

std::string sourceRefusal(const uint8_t* head, size_t size) {
    const uint32_t delivered = size < 16 ? uint32_t(size) : 16;
    const vcd::SourceKind kind = vcd::classifySource(head, delivered);
    if (kind == vcd::SourceKind::RiffCdxa) return "";
    if (kind == vcd::SourceKind::PackStream && delivered >= 5) {
        if (vcd::isPackHeader(head)) return "";
        if ((head[4] & 0xC0) == 0x40) return "an MPEG-2 stream; a Video CD takes MPEG-1";
    }
    return "not an MPEG-1 system stream or RIFF CDXA file";
}

const char* aspectText(int32_t code) {
    static const char* const k[] = {"?",      "1.0000", "0.6735", "0.7031", "0.7615", "0.8055", "0.8437", "0.8935",
                                    "0.9157", "0.9815", "1.0255", "1.0695", "1.0950", "1.1575", "1.2015", "?"};
    return code >= 0 && code < 16 ? k[code] : "?";
}

const char* rateText(int32_t code) {
    static const char* const k[] = {"?",     "23.976 Hz", "24 Hz",    "25 Hz", "29.97 Hz",
                                    "30 Hz", "50 Hz",     "59.94 Hz", "60 Hz"};
    return code >= 0 && code < 9 ? k[code] : "?";
}

std::string clockText(int32_t seconds) {
    if (seconds < 0) return "?";
    char s[32];
    if (seconds >= 3600)
        std::snprintf(s, sizeof s, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    else
        std::snprintf(s, sizeof s, "%d:%02d", seconds / 60, seconds % 60);
    return s;
}

std::string factsLine(const StreamFacts& f) {
    char s[200];
    if (f.result == kTooLarge) return "too large: its length in sectors does not fit 32 bits";
    if (f.result < 0) return "cannot be opened";
    if (f.result == 0) {
        std::snprintf(s, sizeof s, "no MPEG-1 video sequence header  %s  %d sectors", clockText(f.seconds).c_str(),
                      int(f.sectors));
        return s;
    }
    // The bit rate field all ones (0x3FFFF units of 400 bit/s) marks a variable bit rate.
    const std::string bitRate = f.bitRate == kVariableBitRate ? std::string("variable bit rate")
                                                              : std::to_string(f.bitRate) + " bit/s";
    std::snprintf(s, sizeof s, "%dx%d  aspect %d (%s)  rate %d (%s)  %s  %s  %d sectors  Video CD picture rules: %s",
                  int(f.width), int(f.height), int(f.aspect), aspectText(f.aspect), int(f.rate), rateText(f.rate),
                  bitRate.c_str(), clockText(f.seconds).c_str(), int(f.sectors), f.compliant == 1 ? "met" : "not met");
    return s;
}

std::vector<std::string> pictureRuleBreaks(const StreamFacts& f, const std::string& name) {
    if (f.result != 1) return {};
    const auto& rows = vcd::kVideoCdPictures;  // 525 lines at 29.97 Hz, at 23.976 Hz; 625 lines at 25 Hz
    const bool film = f.rate == 1 || f.rate == 2;
    const bool pal = f.rate == 3 || f.rate == 6 || (!film && f.rate != 4 && f.height == 288);
    const vcd::VideoCdPicture& row = pal ? rows[2] : film ? rows[1] : rows[0];
    const std::string size = std::to_string(row.width) + "x" + std::to_string(row.height);
    std::vector<std::string> breaks;
    if (f.width != row.width || f.height != row.height)
        breaks.push_back("picture size " + std::to_string(f.width) + "x" + std::to_string(f.height) +
                         ": the rules need " + size);
    if (f.aspect != row.aspectCode)
        breaks.push_back("aspect " + std::to_string(f.aspect) + " (" + aspectText(f.aspect) + "): the rules need " +
                         std::to_string(row.aspectCode) + " (" + aspectText(row.aspectCode) + ") for " + size);
    if (f.rate != row.rateCode) {
        std::string need = std::to_string(row.rateCode) + " (" + rateText(row.rateCode) + ")";
        if (!pal)
            need = std::to_string(rows[0].rateCode) + " (" + rateText(rows[0].rateCode) + ") or " +
                   std::to_string(rows[1].rateCode) + " (" + rateText(rows[1].rateCode) + ")";
        breaks.push_back("rate " + std::to_string(f.rate) + " (" + rateText(f.rate) + "): the rules need " + need +
                         " for " + size);
    }
    if (f.bitRate >= vcd::kMaxVcdBitRate) {
        const std::string value = f.bitRate == kVariableBitRate ? std::string("variable (the field all ones)")
                                                                : std::to_string(f.bitRate) + " bit/s";
        breaks.push_back("bit rate " + value + ": the rules need a constant rate below " +
                         std::to_string(vcd::kMaxVcdBitRate) + " bit/s (ffmpeg's Video CD targets write 1150000)");
    }
    if (breaks.empty()) return breaks;
    const char* target = pal ? "pal-vcd" : film ? "film-vcd" : "ntsc-vcd";
    // Without -aspect, ffmpeg's Video CD targets write aspect code 1 (square pels).
    breaks.push_back(std::string("fix: make it again within the rules:  ffmpeg -i \"") + name + "\" -target " + target +
                     " -aspect 4:3 \"" + vcdOutputName(name) + "\"");
    return breaks;
}

std::string capacityLine(const DiscLayout& layout) {
    // The disc ends where the volume says, two seconds after the last track file (the end
    // sector), or where a short last track's padding ends, if that is later.
    const uint32_t end = layout.trackStart(layout.trackSectors.size() + 1);
    const uint32_t used = end > layout.totalSectors() ? end : layout.totalSectors();
    const uint32_t seconds = (used + vcd::kGapSectors) / vcd::kSectorsPerSecond;
    auto fit = [&](uint32_t capacity) {
        char s[96];
        if (used <= capacity)
            std::snprintf(s, sizeof s, "%u%% full", unsigned((uint64_t(used) * 100 + capacity - 1) / capacity));
        else
            std::snprintf(s, sizeof s, "too short by %u sectors", unsigned(used - capacity));
        return std::string(s);
    };
    char s[256];
    std::snprintf(s, sizeof s, "%u sectors, %u:%02u min; 74-min disc: %s; 80-min disc: %s", unsigned(used),
                  unsigned(seconds / 60), unsigned(seconds % 60), fit(kDisc74).c_str(), fit(kDisc80).c_str());
    return s;
}

std::string trackTable(const DiscLayout& layout, const std::vector<std::string>& sources) {
    std::string table = "track  on disc        start     sectors  source\n";
    auto row = [&](unsigned track, const std::string& file, uint32_t start, uint32_t sectors,
                   const std::string& source) {
        const vcd::Msf m = vcd::msf(start + vcd::kGapSectors);
        char s[128];
        std::snprintf(s, sizeof s, "%5u  %-13s  %02u:%02u:%02u  %7u  ", track, file.c_str(), unsigned(m.minute),
                      unsigned(m.second), unsigned(m.frame), unsigned(sectors));
        table += s + source + "\n";
    };
    row(1, "ISO 9660", 0, layout.firstTrackSectors, "(file system, INFO.VCD, ENTRIES.VCD)");
    for (size_t k = 1; k <= layout.trackSectors.size(); ++k) {
        row(unsigned(k + 1), trackFileName(int(k)), layout.trackStart(k), layout.trackSectors[k - 1],
            k <= sources.size() ? sources[k - 1] : "");
    }
    return table;
}

}  // namespace duvad::host
