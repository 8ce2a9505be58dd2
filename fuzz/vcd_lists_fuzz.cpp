// The name-list walk and the image completion it feeds, over arbitrary lists and track records:
// the walk never reads past a list's terminator nor writes past a name, refuses with the code of
// a line's role, and the completion of a minimum-size image stays inside it.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "vcd/core/image_patch.h"
#include "vcd/core/lists.h"

namespace {

using namespace duvad::vcd;

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Input: source list, 0x00, target list, 0x00, then bytes for the track records.
    const char* text = reinterpret_cast<const char*>(data);
    const void* nul1 = std::memchr(data, 0, size);
    if (!nul1) return 0;
    const size_t sourcesLen = size_t(static_cast<const uint8_t*>(nul1) - data);
    const void* nul2 = std::memchr(data + sourcesLen + 1, 0, size - sourcesLen - 1);
    if (!nul2) return 0;
    const size_t targetsEnd = size_t(static_cast<const uint8_t*>(nul2) - data);
    // Exact-size copies, so a read past a terminator is caught.
    std::vector<char> sources(text, text + sourcesLen + 1), targets(text + sourcesLen + 1, text + targetsEnd + 1);

    VcdLists lists;
    const int32_t code = walkLists(sources.data(), targets.data(), lists);
    check(code == 0 || code == kImageFailure || (code <= -101 && code >= -133) || (code <= -301 && code >= -332));
    if (code != 0) return 0;
    check(lists.tracks >= 0 && lists.tracks <= kMaxTracks);
    for (int32_t i = 0; i < lists.tracks; ++i)
        check(std::strlen(lists.source[i]) < size_t(kNameBytes) && std::strlen(lists.target[i]) < size_t(kNameBytes));

    // Records from the remaining bytes; the image is the smallest the completion accepts.
    const uint8_t* rest = data + targetsEnd + 1;
    size_t left = size - targetsEnd - 1;
    auto take = [&](int bytes) {
        uint32_t v = 0;
        for (int b = 0; b < bytes && left; ++b, --left) v = v << 8 | *rest++;
        return v;
    };
    TrackRecord records[kMaxTracks] = {};
    for (int32_t k = 0; k < lists.tracks; ++k) {
        records[k].sectors = 85 + take(3);
        records[k].written = {int(1980 + take(1)), int(1 + take(1) % 12), int(1 + take(1) % 31), int(take(1) % 24),
                              int(take(1) % 60),   int(take(1) % 60),     int(take(2) % 1000)};
        records[k].biasMinutes = int32_t(int16_t(take(2))) % 900;
    }
    const LocalTime now = {int(1980 + take(1)), 6, 22, 14, 5, 9, 237};
    std::vector<uint8_t> image(kMinImageBytes, 0xA5);
    patchImage(image.data(), uint32_t(image.size()), records, lists.tracks, now, int32_t(int16_t(take(2))) % 900);
    return 0;
}
