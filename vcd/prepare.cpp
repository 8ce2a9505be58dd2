// PrepareVcdFiles: one Video CD track file per MPEG-1 source, then the host's image of the first
// track completed for those tracks and the date, and written to the image file.
#include <windows.h>

#include "frame/scoped.h"
#include "include/DuVad.h"
#include "vcd/core/image_patch.h"
#include "vcd/core/lists.h"
#include "vcd/core/track.h"
#include "vcd/win_file.h"

namespace {

using namespace duvad::vcd;

constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

// A UTC file time as local time (with the rules in force now), and the bias in force now.
void toLocal(const FILETIME& utc, LocalTime* local, int32_t* bias) {
    FILETIME lft = {};
    SYSTEMTIME st = {};
    FileTimeToLocalFileTime(&utc, &lft);
    FileTimeToSystemTime(&lft, &st);
    *local = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
    TIME_ZONE_INFORMATION tz = {};
    GetTimeZoneInformation(&tz);
    *bias = int32_t(tz.Bias);
}

bool sameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION x = {}, y = {};
    return GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

// Converts source `i` into its track file. Returns 0, or the failure code of track i. The track
// file ends where its new contents end, also after a failed read or write.
int32_t convertTrack(int32_t i, const char* sourceName, const char* targetName,
                     uint32_t* sectors, FILETIME* written) {
    duvad::ScopedFile src(CreateFileA(sourceName, GENERIC_READ, kShareReadWrite, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!src) return sourceFailure(i);
    *written = {};
    GetFileTime(src.get(), nullptr, nullptr, written);

    Win32Source source(src.get());
    uint8_t head[kBlockBytes];
    const SourceKind kind = classifySource(head, source.readAt(0, head, kBlockBytes));
    if (kind == SourceKind::Neither) return formatFailure(i);
    const int64_t size = source.size();
    if (size < 0 || trackSectors(kind == SourceKind::RiffCdxa, size) > kMaxTrackSectors)
        return sourceFailure(i);

    duvad::ScopedFile dst(CreateFileA(targetName, GENERIC_WRITE, kShareReadWrite, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!dst) return targetFailure(i);
    // A track file that is its own source (same name, or another name of the same file) would be
    // overwritten while it is read: refused before a byte is written.
    if (sameFile(src.get(), dst.get())) return targetFailure(i);
    Win32TrackSink sink(dst.get());
    const TrackOutcome outcome = writeTrack(source, sink, kind, size, i);
    *sectors = outcome.sectors;
    const bool cut = SetEndOfFile(dst.get()) != 0;
    if (outcome.status == TrackOutcome::ReadFailed) return sourceFailure(i);
    if (outcome.status == TrackOutcome::WriteFailed || !cut) return targetFailure(i);
    return 0;
}

// Writes the whole image to its file, which then ends where the image ends.
int32_t writeImage(const char* name, const uint8_t* image, uint32_t length) {
    duvad::ScopedFile file(CreateFileA(name, GENERIC_WRITE, kShareReadWrite, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return kImageFailure;
    DWORD put = 0;
    if (!WriteFile(file.get(), image, length, &put, nullptr) || put != length) return kImageFailure;
    if (!SetEndOfFile(file.get())) return kImageFailure;
    return 1;
}

}  // namespace

extern "C" int32_t WINAPI PrepareVcdFiles(char* image, int32_t length, const char* sources,
                                          const char* targets) {
    // Everything outside the contract is refused before any file is touched.
    VcdLists lists;
    if (const int32_t refused = walkLists(sources, targets, lists)) return refused;
    if (!image || length < int32_t(kMinImageBytes)) return kImageFailure;

    // Phase 1: the track files, front to back; the first failure ends the call.
    uint32_t sectors[kMaxTracks] = {};
    FILETIME written[kMaxTracks] = {};
    for (int32_t i = 1; i <= lists.tracks; ++i)
        if (const int32_t failed = convertTrack(i, lists.source[i - 1], lists.target[i - 1],
                                                &sectors[i - 1], &written[i - 1]))
            return failed;

    // Phase 2: the image, completed for the tracks and the date, then written.
    TrackRecord records[kMaxTracks] = {};
    for (int32_t k = 0; k < lists.tracks; ++k) {
        records[k].sectors = sectors[k];
        toLocal(written[k], &records[k].written, &records[k].biasMinutes);
    }
    FILETIME nowUtc = {};
    GetSystemTimeAsFileTime(&nowUtc);
    LocalTime now = {};
    int32_t nowBias = 0;
    toLocal(nowUtc, &now, &nowBias);
    uint8_t* const bytes = reinterpret_cast<uint8_t*>(image);
    patchImage(bytes, uint32_t(length), records, lists.tracks, now, nowBias);
    return writeImage(lists.image, bytes, uint32_t(length));
}
