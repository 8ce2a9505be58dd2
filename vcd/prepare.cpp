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

// A UTC file time as local time (with the rules in force now), and the bias in force now. That
// is the zone's bias plus its daylight bias while the zone keeps daylight time (plus the standard
// bias, 0 in practice, otherwise): FileTimeToLocalFileTime applies the same, so a reader that
// subtracts the offset gets back the UTC time.
void toLocal(const FILETIME& utc, LocalTime* local, int32_t* bias) {
    FILETIME lft = {};
    SYSTEMTIME st = {};
    FileTimeToLocalFileTime(&utc, &lft);
    FileTimeToSystemTime(&lft, &st);
    *local = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
    TIME_ZONE_INFORMATION tz = {};
    switch (GetTimeZoneInformation(&tz)) {
    case TIME_ZONE_ID_DAYLIGHT: *bias = int32_t(tz.Bias + tz.DaylightBias); break;
    case TIME_ZONE_ID_STANDARD: *bias = int32_t(tz.Bias + tz.StandardBias); break;
    default: *bias = int32_t(tz.Bias); break;
    }
}

// How the collision check knows a name's file: by the file's identity (volume serial number and
// file index) when the file exists and the file system gives one, and by its full path name.
struct FileKey {
    bool identified = false;
    DWORD volume = 0, indexHigh = 0, indexLow = 0;
    char path[MAX_PATH * 2] = {};
};

FileKey keyOf(const char* name) {
    FileKey key;
    // Access 0: the identity is read without reading the file, also while others hold it open.
    duvad::ScopedFile file(
        CreateFileA(name, 0, kShareReadWrite, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (file && GetFileInformationByHandle(file.get(), &info)) {
        key.volume = info.dwVolumeSerialNumber;
        key.indexHigh = info.nFileIndexHigh;
        key.indexLow = info.nFileIndexLow;
        // A file system that reports zeros for all three gives no identity at all.
        key.identified = key.volume != 0 || key.indexHigh != 0 || key.indexLow != 0;
    }
    const DWORD length = GetFullPathNameA(name, sizeof key.path, key.path, nullptr);
    if (length == 0 || length >= sizeof key.path) lstrcpynA(key.path, name, sizeof key.path);
    return key;
}

bool sameFile(const FileKey& a, const FileKey& b) {
    if (a.identified && b.identified)
        return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
    return lstrcmpiA(a.path, b.path) == 0;  // file names do not tell case apart
}

// Refuses, before anything is written, an output (image or track file) that is a source or
// another output by any of its names: writing it would destroy a source or a file just made.
int32_t refuseCollisions(const VcdLists& lists) {
    FileKey image = keyOf(lists.image), targets[kMaxTracks], sources[kMaxTracks];
    for (int32_t i = 0; i < lists.tracks; ++i) {
        targets[i] = keyOf(lists.target[i]);
        sources[i] = keyOf(lists.source[i]);
    }
    // The names handed to `same` are the lists' own arrays: their place tells whose key it is.
    auto keyFor = [&](const char* name) -> const FileKey& {
        for (int32_t i = 0; i < lists.tracks; ++i) {
            if (name == lists.target[i]) return targets[i];
            if (name == lists.source[i]) return sources[i];
        }
        return image;
    };
    return findCollision(lists, [&](const char* a, const char* b) { return sameFile(keyFor(a), keyFor(b)); });
}

// Converts source `i` into its track file. Returns 0, or the failure code of track i. The track
// file ends where its new contents end, also after a failed read or write.
int32_t convertTrack(int32_t i, const char* sourceName, const char* targetName, uint32_t* sectors, FILETIME* written) {
    duvad::ScopedFile src(
        CreateFileA(sourceName, GENERIC_READ, kShareReadWrite, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!src) return sourceFailure(i);
    *written = {};
    GetFileTime(src.get(), nullptr, nullptr, written);

    Win32Source source(src.get());
    uint8_t head[kBlockBytes];
    const SourceKind kind = classifySource(head, source.readAt(0, head, kBlockBytes));
    if (kind == SourceKind::Neither) return formatFailure(i);
    const int64_t size = source.size();
    if (size < 0 || trackSectors(kind == SourceKind::RiffCdxa, size) > kMaxTrackSectors) return sourceFailure(i);

    duvad::ScopedFile dst(
        CreateFileA(targetName, GENERIC_WRITE, kShareReadWrite, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!dst) return targetFailure(i);
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
    duvad::ScopedFile file(
        CreateFileA(name, GENERIC_WRITE, kShareReadWrite, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return kImageFailure;
    DWORD put = 0;
    if (!WriteFile(file.get(), image, length, &put, nullptr) || put != length) return kImageFailure;
    if (!SetEndOfFile(file.get())) return kImageFailure;
    return 1;
}

}  // namespace

extern "C" int32_t WINAPI PrepareVcdFiles(char* image, int32_t length, const char* sources, const char* targets) {
    // Everything outside the contract is refused before any file is touched.
    VcdLists lists;
    if (const int32_t refused = walkLists(sources, targets, lists)) return refused;
    if (!image || length < int32_t(kMinImageBytes)) return kImageFailure;
    if (const int32_t refused = refuseCollisions(lists)) return refused;

    // Phase 1: the track files, front to back; the first failure ends the call.
    uint32_t sectors[kMaxTracks] = {};
    FILETIME written[kMaxTracks] = {};
    for (int32_t i = 1; i <= lists.tracks; ++i)
        if (const int32_t failed = convertTrack(i, lists.source[i - 1], lists.target[i - 1], &sectors[i - 1],
                                                &written[i - 1]))
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
