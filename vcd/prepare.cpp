// PrepareVcdFiles: one Video CD track file per MPEG-1 source, then the host's image of the first
// track completed for those tracks and the date, and written to the image file.
#include <windows.h>

#include "files/disk_file.h"
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

// Every name of the call resolved once to its full path, before any file is opened and before the
// pump can run a handler of the host (which may change the current folder, as a file dialog does):
// files are opened, compared and removed by these paths only.
struct FullNames {
    char image[duvad::files::kFullPathBytes];
    char source[kMaxTracks][duvad::files::kFullPathBytes];
    char target[kMaxTracks][duvad::files::kFullPathBytes];
};

// Resolves every name; refuses, before anything is opened, one that reaches a device (a port, the
// console, the null device, a raw volume or disk, a pipe): opening a port has effects of its own;
// and one that cannot be resolved (no file could be opened by it).
int32_t resolveNames(const VcdLists& lists, FullNames& full) {
    using duvad::files::resolveFileName;
    if (!resolveFileName(lists.image, full.image)) return kImageFailure;
    for (int32_t i = 1; i <= lists.tracks; ++i)
        if (!resolveFileName(lists.target[i - 1], full.target[i - 1])) return targetFailure(i);
    for (int32_t i = 1; i <= lists.tracks; ++i)
        if (!resolveFileName(lists.source[i - 1], full.source[i - 1])) return sourceFailure(i);
    return 0;
}

// How the collision checks know a file: its full path, and, while a handle to it is open, what the
// handle tells (Windows 95 keeps a file index unique only while the file is open).
struct FileKey {
    const char* path = nullptr;
    bool identified = false;  // the fields below were read from an open handle with a file index
    bool made = false;        // an output this call created
    BY_HANDLE_FILE_INFORMATION info = {};
};

void identify(HANDLE file, FileKey& key) {
    // A file system that reports no file index (zeros) gives no identity: a volume serial number
    // alone would make every file of the volume one.
    key.identified = GetFileInformationByHandle(file, &key.info) &&
                     (key.info.nFileIndexHigh != 0 || key.info.nFileIndexLow != 0);
}

bool sameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// Index, size and times: the same file at one path, and, where the volume serial number cannot tell
// file systems apart, a link to the same file rather than a namesake index on another.
bool sameIndexSizeAndTimes(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow &&
           a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow &&
           sameTime(a.ftCreationTime, b.ftCreationTime) && sameTime(a.ftLastWriteTime, b.ftLastWriteTime);
}

bool samePath(const FileKey& a, const FileKey& b) { return lstrcmpiA(a.path, b.path) == 0; }  // case-blind

bool sameFile(const FileKey& a, const FileKey& b) {
    if (!a.identified || !b.identified) return samePath(a, b);
    const BY_HANDLE_FILE_INFORMATION &x = a.info, &y = b.info;
    if (x.dwVolumeSerialNumber != 0 && y.dwVolumeSerialNumber != 0)
        return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
               x.nFileIndexLow == y.nFileIndexLow;
    // Serial 0 (Wine's answer for a Unix file system without a drive of its own): the index may be
    // another file system's. Two files this call created are two files; otherwise the full path
    // decides, or the same index with the same size and times (a link).
    if (a.made && b.made) return false;
    return samePath(a, b) || sameIndexSizeAndTimes(x, y);
}

// The first output, in list order, that names the same file as a source or another output (see
// findCollision), by the keys given.
int32_t collisionOf(const VcdLists& lists, const FileKey& image, const FileKey* targets, const FileKey* sources) {
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

// Refuses, before any output is opened, an output whose full path is a source's or another
// output's: writing it would destroy a source or a file just made. Nothing is opened here: a name
// may lead to a pipe or a device, which opening alone disturbs. Identities are compared once the
// outputs are open.
int32_t refuseSamePaths(const VcdLists& lists, const FullNames& full) {
    FileKey image, targets[kMaxTracks], sources[kMaxTracks];
    image.path = full.image;
    for (int32_t i = 0; i < lists.tracks; ++i) {
        targets[i].path = full.target[i];
        sources[i].path = full.source[i];
    }
    return collisionOf(lists, image, targets, sources);
}

// A handle that reads nothing, only the file's identity, also while others hold the file open.
HANDLE openToIdentify(const char* full) {
    return CreateFileA(full, 0, kShareReadWrite, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// One output file of the call (the image file or a track file), opened by its full path before any
// data is written and held to the end of the call. No other writer may open it meanwhile, this
// call's other names for it and a call made from the host's handlers during the pump included: they
// fail to open it and report it. A file that cannot be opened now is reported when its turn comes,
// as when outputs were opened one by one. A file this call made but wrote nothing to is deleted
// again at the end, so a refused or failed call leaves no empty files behind.
class Output {
public:
    void open(const char* full) {
        key_.path = full;
        attributes_ = GetFileAttributesA(full);
        SetLastError(NO_ERROR);
        const HANDLE file = CreateFileA(full, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        // Made by this call only when both the look before and the open say so: a file that was
        // there must never be taken for one to delete.
        created_ = file != INVALID_HANDLE_VALUE && attributes_ == INVALID_FILE_ATTRIBUTES &&
                   GetLastError() != ERROR_ALREADY_EXISTS;
        file_.reset(file);
        key_.made = created_;
        // Its identity: from the open handle, else (held by another writer, or by this call under
        // another name) from a handle that reads nothing, held as long as this one.
        if (!file_) other_.reset(openToIdentify(full));
        if (file_ || other_) identify(file_ ? file_.get() : other_.get(), key_);
    }
    // Removes a file this call made and did not write, by the path it was made under, and only while
    // that path still leads to that file (a handler may have moved its folder and put another file
    // there). Windows 95 cannot delete an open file nor mark one to go at its close: the file is
    // closed and then deleted, after the check.
    ~Output() {
        if (!created_ || written_) return;
        BY_HANDLE_FILE_INFORMATION mine = {}, now = {};
        if (!GetFileInformationByHandle(file_.get(), &mine)) return;
        duvad::ScopedFile there(openToIdentify(key_.path));
        const bool same = there && GetFileInformationByHandle(there.get(), &now) &&
                          mine.dwVolumeSerialNumber == now.dwVolumeSerialNumber && sameIndexSizeAndTimes(mine, now);
        there.reset();
        file_.reset();
        if (same) DeleteFileA(key_.path);
    }
    // A handle to write to, or null when the file could not be opened; the file counts as written.
    HANDLE take() {
        written_ = file_.valid();
        return file_.valid() ? file_.get() : nullptr;
    }
    bool openedOther() const { return file_ && GetFileType(file_.get()) != FILE_TYPE_DISK; }
    // An existing folder of the name: no file of it can ever be written.
    bool isFolder() const {
        return !file_ && attributes_ != INVALID_FILE_ATTRIBUTES && (attributes_ & FILE_ATTRIBUTE_DIRECTORY);
    }
    const FileKey& key() const { return key_; }

private:
    duvad::ScopedFile file_, other_;
    DWORD attributes_ = INVALID_FILE_ATTRIBUTES;
    bool created_ = false, written_ = false;
    FileKey key_;
};

// Opens every output and refuses, before any data is written, one that is a folder or not a disk
// file (a device the names did not give away), or that is, by its file's identity, a source or
// another output under another name (a \\?\ or \\.\ path, a second drive letter for the same
// folder, a link): names of files that do not exist yet cannot be compared before they are made.
// The sources are opened for reading here, compared while open, and read later through these same
// handles: a handler run by the pump cannot put another file under a source's name in between.
int32_t openOutputs(const VcdLists& lists, const FullNames& full, Output& image, Output* targets,
                    duvad::ScopedFile* sourceFiles) {
    image.open(full.image);
    for (int32_t i = 0; i < lists.tracks; ++i) targets[i].open(full.target[i]);
    if (image.openedOther() || image.isFolder()) return kImageFailure;
    for (int32_t i = 1; i <= lists.tracks; ++i)
        if (targets[i - 1].openedOther() || targets[i - 1].isFolder()) return targetFailure(i);
    duvad::ScopedFile held[kMaxTracks];
    FileKey targetKeys[kMaxTracks], sources[kMaxTracks];
    for (int32_t i = 0; i < lists.tracks; ++i) {
        targetKeys[i] = targets[i].key();
        sources[i].path = full.source[i];
        sourceFiles[i].reset(duvad::files::openDiskFile(full.source[i], GENERIC_READ, kShareReadWrite));
        // One that cannot be read is still identified (its failure is reported when its turn comes).
        if (!sourceFiles[i]) held[i].reset(openToIdentify(full.source[i]));
        if (sourceFiles[i])
            identify(sourceFiles[i].get(), sources[i]);
        else if (held[i])
            identify(held[i].get(), sources[i]);
    }
    return collisionOf(lists, image.key(), targetKeys, sources);
}

// Converts source `i` into its track file `output`. Returns 0, or the failure code of track i.
// The track file ends where its new contents end, also after a failed read or write.
int32_t convertTrack(int32_t i, const duvad::ScopedFile& opened, Output& output, uint32_t* sectors, FILETIME* written) {
    if (!opened) return sourceFailure(i);
    const HANDLE src = opened.get();
    *written = {};
    GetFileTime(src, nullptr, nullptr, written);

    Win32Source source(src);
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
    FullNames full;
    if (const int32_t refused = resolveNames(lists, full)) return refused;
    if (const int32_t refused = refuseSamePaths(lists, full)) return refused;
    Output imageFile, trackFiles[kMaxTracks];
    duvad::ScopedFile sourceFiles[kMaxTracks];
    if (const int32_t refused = openOutputs(lists, full, imageFile, trackFiles, sourceFiles)) return refused;

    // Phase 1: the track files, front to back; the first failure ends the call.
    uint32_t sectors[kMaxTracks] = {};
    FILETIME written[kMaxTracks] = {};
    for (int32_t i = 1; i <= lists.tracks; ++i)
        if (const int32_t failed = convertTrack(i, sourceFiles[i - 1], trackFiles[i - 1], &sectors[i - 1],
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
