// AnalyzeMpeg: the picture parameters, playing time and track length of an MPEG-1 file, and
// whether it meets the Video CD picture rules.
#include <windows.h>

#include "files/disk_file.h"
#include "frame/scoped.h"
#include "include/DuVad.h"
#include "vcd/core/mpeg.h"
#include "vcd/win_file.h"

namespace {

void put(int32_t* out, int32_t value) {
    if (out) *out = value;
}

}  // namespace

extern "C" int32_t WINAPI AnalyzeMpeg(const char* fileName, int32_t* compliant, int32_t* width, int32_t* height,
                                      int32_t* aspectCode, int32_t* rateCode, int32_t* bitRate, int32_t* playingSeconds,
                                      int32_t* sectors) {
    if (!fileName) return DUVAD_ANALYZEMPEG_CANNOT_OPEN;
    // A device's name (aux.mpg) is never opened: reading a port waits for ever.
    duvad::ScopedFile file(duvad::files::openDiskFile(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE));
    if (!file) return DUVAD_ANALYZEMPEG_CANNOT_OPEN;
    duvad::vcd::Win32Source source(file.get());
    const duvad::vcd::Analysis a = duvad::vcd::analyzeStream(source);
    file.reset();

    put(compliant, a.result == DUVAD_ANALYZEMPEG_FOUND && a.compliant ? 1 : 0);
    if (a.result < 0) return a.result;  // too large to measure: only the flag (0) is written
    put(playingSeconds, a.playingSeconds);
    put(sectors, int32_t(a.sectors));
    if (a.result == DUVAD_ANALYZEMPEG_FOUND) {
        put(width, a.header.width);
        put(height, a.header.height);
        put(aspectCode, a.header.aspectCode);
        put(rateCode, a.header.rateCode);
        put(bitRate, a.header.bitRate);
    }
    return a.result;
}
