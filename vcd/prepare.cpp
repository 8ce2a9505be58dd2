// PrepareVcdFiles: one Video CD track file per MPEG-1 source, then the host's image of the first
// track completed for those tracks and the date, and written to the image file.
#include <windows.h>

#include "files/core/names.h"
#include "files/system_codepage.h"
#include "frame/scoped.h"
#include "include/DuVad.h"
#include "vcd/core/image_patch.h"
#include "vcd/core/lists.h"
#include "vcd/core/track.h"
#include "vcd/win_file.h"

namespace {

using namespace duvad::vcd;

// The lists' and tracks' codes are PrepareVcdFiles' own: a base less the track's number.
static_assert(sourceFailure(0) == DUVAD_PREPAREVCDFILES_SOURCE, "source codes");
static_assert(formatFailure(0) == DUVAD_PREPAREVCDFILES_NOT_MPEG, "format codes");
static_assert(targetFailure(0) == DUVAD_PREPAREVCDFILES_OUTPUT && kImageFailure == DUVAD_PREPAREVCDFILES_OUTPUT,
              "output codes");

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

// How the collision checks know a file: by its identity (volume serial number and file index)
// when the file exists and the file system gives one, and by its full path name.
struct FileKey {
    bool identified = false;
    DWORD volume = 0, indexHigh = 0, indexLow = 0;
    char path[MAX_PATH * 2] = {};
};

void identify(HANDLE file, FileKey& key) {
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(file, &info)) return;
    key.volume = info.dwVolumeSerialNumber;
    key.indexHigh = info.nFileIndexHigh;
    key.indexLow = info.nFileIndexLow;
    // A file system that reports no file index (zeros) gives no identity: a volume serial number
    // alone would make every file of the volume one.
    key.identified = key.indexHigh != 0 || key.indexLow != 0;
}

void namePath(const char* name, FileKey& key) {
    const DWORD length = GetFullPathNameA(name, sizeof key.path, key.path, nullptr);
    if (length == 0 || length >= sizeof key.path) lstrcpynA(key.path, name, sizeof key.path);
}

FileKey keyOf(const char* name) {
    FileKey key;
    // Access 0: the identity is read without reading the file, also while others hold it open.
    duvad::ScopedFile file(
        CreateFileA(name, 0, kShareReadWrite, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) identify(file.get(), key);
    namePath(name, key);
    return key;
}

bool sameFile(const FileKey& a, const FileKey& b) {
    if (a.identified && b.identified)
        return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
    return lstrcmpiA(a.path, b.path) == 0;  // file names do not tell case apart
}

// The first output, in list order, that names the same file as a source or another output (see
// findCollision), by the keys given for the outputs.
int32_t collisionOf(const VcdLists& lists, const FileKey& image, const FileKey* targets) {
    FileKey sources[kMaxTracks];
    for (int32_t i = 0; i < lists.tracks; ++i) sources[i] = keyOf(lists.source[i]);
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

// Refuses, before any output is opened, an output whose full path is a source's (or the path of a
// name the source answers to) or another output's: writing it would destroy a source or a file
// just made. Outputs are not opened here, not even to read their identity: a name may lead to a
// pipe or a device, which opening alone disturbs. Their identities are compared once they are open.
int32_t refuseCollisions(const VcdLists& lists) {
    FileKey image, targets[kMaxTracks];
    namePath(lists.image, image);
    for (int32_t i = 0; i < lists.tracks; ++i) namePath(lists.target[i], targets[i]);
    return collisionOf(lists, image, targets);
}

// Refuses an output whose name is a device's (a port, the console, the null device) before
// anything is opened: opening a port has effects of its own.
int32_t refuseDeviceNames(const VcdLists& lists) {
    const duvad::files::CodePage& cp = duvad::files::systemCodePage();
    if (duvad::files::isDeviceName(lists.image, cp)) return kImageFailure;
    for (int32_t i = 1; i <= lists.tracks; ++i)
        if (duvad::files::isDeviceName(lists.target[i - 1], cp)) return targetFailure(i);
    return 0;
}

// One output file of the call (the image file or a track file), opened before any data is
// written and held to the end of the call. No other writer may open it meanwhile, this call's
// other names for it and a call made from the host's handlers during the pump included: they fail
// to open it and report it. A file that cannot be opened now is reported when its turn comes, as
// when outputs were opened one by one. A file this call made but wrote nothing to is deleted again
// at the end, so a refused or failed call leaves no empty files behind.
class Output {
public:
    void open(const char* name) {
        name_ = name;
        const bool absent = GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES;
        SetLastError(NO_ERROR);
        const HANDLE file = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        // Made by this call only when both the look before and the open say so: a file that was
        // there must never be taken for one to delete.
        created_ = file != INVALID_HANDLE_VALUE && absent && GetLastError() != ERROR_ALREADY_EXISTS;
        file_.reset(file);
        // Its identity: from the open handle, else (held by another writer, or by this call under
        // another name) from a handle that reads nothing.
        if (file_) {
            identify(file_.get(), key_);
            namePath(name, key_);
        } else {
            key_ = keyOf(name);
        }
    }
    ~Output() {
        file_.reset();
        if (created_ && !written_) DeleteFileA(name_);
    }
    // A handle to write to, or null when the file could not be opened; the file counts as written.
    HANDLE take() {
        written_ = file_.valid();
        return file_.valid() ? file_.get() : nullptr;
    }
    bool openedOther() const { return file_ && GetFileType(file_.get()) != FILE_TYPE_DISK; }
    const FileKey& key() const { return key_; }

private:
    const char* name_ = nullptr;
    duvad::ScopedFile file_;
    bool created_ = false, written_ = false;
    FileKey key_;
};

// Opens every output and refuses, before any data is written, one that is not a disk file (a pipe,
// a console, a device the names did not give away) or that is, by its file's identity, a source or
// another output under another name (a \\?\ or \\.\ path, a second drive letter for the same
// folder, a link): names of files that do not exist yet cannot be compared before they are made.
int32_t openOutputs(const VcdLists& lists, Output& image, Output* targets) {
    image.open(lists.image);
    for (int32_t i = 0; i < lists.tracks; ++i) targets[i].open(lists.target[i]);
    if (image.openedOther()) return kImageFailure;
    for (int32_t i = 1; i <= lists.tracks; ++i)
        if (targets[i - 1].openedOther()) return targetFailure(i);
    FileKey targetKeys[kMaxTracks];
    for (int32_t i = 0; i < lists.tracks; ++i) targetKeys[i] = targets[i].key();
    return collisionOf(lists, image.key(), targetKeys);
}

// Converts source `i` into its track file `output`. Returns 0, or the failure code of track i.
// The track file ends where its new contents end, also after a failed read or write.
int32_t convertTrack(int32_t i, const char* sourceName, Output& output, uint32_t* sectors, FILETIME* written) {
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

    const HANDLE dst = output.take();
    if (!dst) return targetFailure(i);
    Win32TrackSink sink(dst);
    const TrackOutcome outcome = writeTrack(source, sink, kind, size, i);
    *sectors = outcome.sectors;
    const bool cut = SetEndOfFile(dst) != 0;
    if (outcome.status == TrackOutcome::ReadFailed) return sourceFailure(i);
    if (outcome.status == TrackOutcome::WriteFailed || !cut) return targetFailure(i);
    return 0;
}

// Writes the whole image to its file, which then ends where the image ends.
int32_t writeImage(Output& output, const uint8_t* image, uint32_t length) {
    const HANDLE file = output.take();
    if (!file) return kImageFailure;
    DWORD put = 0;
    if (!WriteFile(file, image, length, &put, nullptr) || put != length) return kImageFailure;
    if (!SetEndOfFile(file)) return kImageFailure;
    return DUVAD_PREPAREVCDFILES_DONE;
}

}  // namespace

extern "C" int32_t WINAPI PrepareVcdFiles(char* image, int32_t length, const char* sources, const char* targets) {
    // Everything outside the contract is refused before any file is touched.
    VcdLists lists;
    if (const int32_t refused = walkLists(sources, targets, lists)) return refused;
    if (!image || length < int32_t(kMinImageBytes)) return kImageFailure;
    if (const int32_t refused = refuseDeviceNames(lists)) return refused;
    if (const int32_t refused = refuseCollisions(lists)) return refused;
    Output imageFile, trackFiles[kMaxTracks];
    if (const int32_t refused = openOutputs(lists, imageFile, trackFiles)) return refused;

    // Phase 1: the track files, front to back; the first failure ends the call.
    uint32_t sectors[kMaxTracks] = {};
    FILETIME written[kMaxTracks] = {};
    for (int32_t i = 1; i <= lists.tracks; ++i)
        if (const int32_t failed = convertTrack(i, lists.source[i - 1], trackFiles[i - 1], &sectors[i - 1],
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
    return writeImage(imageFile, bytes, uint32_t(length));
}
