// The first-track image completion and the raw disc writer over arbitrary inputs: track counts
// (also beyond 32), sector counts, dates and biases of any value, buffer lengths around the
// smallest one. ASan/UBSan watch every write; the fields outside the patched ones must stay.
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/core/first_track.h"
#include "host/core/raw_disc.h"
#include "vcd/core/image_patch.h"

namespace {

struct Reader {
    const uint8_t* p;
    size_t n;
    uint32_t u32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | (n ? (--n, *p++) : 0);
        return v;
    }
    int i32() { return int(u32()); }
};

duvad::vcd::LocalTime time(Reader& r) {
    return {r.i32() % 20000, r.i32() % 100, r.i32() % 100, r.i32() % 100, r.i32() % 100, r.i32() % 100, r.i32()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader r{data, size};
    const int count = int(r.u32() % 48) - 4;  // -4..43
    const uint32_t length = duvad::vcd::kMinImageBytes - 2 + r.u32() % (3 * 2336);

    duvad::host::FirstTrackPlan plan;
    plan.tracks = count;
    plan.palTracks = r.u32();
    plan.made = time(r);
    plan.biasMinutes = r.i32();
    std::vector<uint8_t> image = duvad::host::buildFirstTrack(plan);
    image.resize(length, 0xA5);
    const std::vector<uint8_t> before = image;

    std::vector<duvad::vcd::TrackRecord> tracks(count > 0 ? count : 0);
    for (auto& t : tracks) t = {r.u32(), time(r), r.i32()};
    const duvad::vcd::LocalTime now = time(r);
    duvad::vcd::patchImage(image.data(), length, tracks.data(), count, now, r.i32());
    if (length < duvad::vcd::kMinImageBytes && image != before) __builtin_trap();
    // Sector 0 to 15 (the system area) and the path tables are never the patch's.
    if (std::memcmp(image.data(), before.data(), 16 * 2336) != 0) __builtin_trap();

    duvad::host::DiscLayout layout{length / 2336, {}};
    for (const auto& t : tracks) layout.trackSectors.push_back(t.sectors % 1000000);
    (void)duvad::host::cueSheet("disc.bin", layout);
    uint8_t raw[2352];
    for (size_t s = 0; s + 2336 <= image.size() && s < 20 * 2336; s += 2336)
        duvad::host::makeRawSector(image.data() + s, r.u32(), raw);
    return 0;
}
