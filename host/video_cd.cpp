// duvad analyze FILE...   and   duvad make OUTDIR FILE...: the host's side of a Video CD.
//
// make: measures each file with AnalyzeMpeg, prepares the first track's image (ISO 9660 in CD-ROM
// XA form with the Video CD 2.0 files), has PrepareVcdFiles write the track files and complete the
// image while a timer inside its message pump shows the progress, then writes what a burner
// takes: a raw image of 2352-byte sectors with a cue sheet, and a cdrdao table of contents.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "frame/file_size.h"
#include "frame/scoped.h"
#include "host/core/disc_plan.h"
#include "host/core/first_track.h"
#include "host/core/raw_disc.h"
#include "host/host.h"

namespace duvad::host {
namespace {

constexpr char kImageName[] = "TRACK01.IMG";  // the first track, 2336-byte sectors
constexpr char kBinName[] = "videocd.bin", kCueName[] = "videocd.cue", kTocName[] = "videocd.toc";

std::string fullPath(const std::string& path) {
    char out[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, out, nullptr);
    return n && n < MAX_PATH ? std::string(out, n) : path;
}

std::string baseName(const std::string& path) {
    const size_t at = path.find_last_of("\\/:");
    return at == std::string::npos ? path : path.substr(at + 1);
}

// The size of the file at `path`, -1 when there is none (duvad::fileSize takes an open handle).
int64_t sizeAtPath(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return -1;
    return int64_t(a.nFileSizeHigh) << 32 | a.nFileSizeLow;
}

bool readHead(const std::string& path, uint8_t* head, DWORD size, DWORD* got) {
    ScopedFile f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    *got = 0;
    return f.valid() && ReadFile(f.get(), head, size, got, nullptr);
}

StreamFacts analyzeFile(decltype(&::AnalyzeMpeg) analyzeMpeg, const std::string& path) {
    StreamFacts f;
    f.result = analyzeMpeg(path.c_str(), &f.compliant, &f.width, &f.height, &f.aspect, &f.rate, &f.bitRate, &f.seconds,
                           &f.sectors);
    return f;
}

// ---- Progress inside PrepareVcdFiles: a thread timer that its GoEvents(0) passes dispatch ------

struct Progress {
    std::vector<std::string> targets;  // track files
    std::vector<uint32_t> expected;    // sectors AnalyzeMpeg predicted
    size_t reported = 0;               // tracks whose completion line is out
    bool console = false;
    int lastPercent = -1;
};
Progress* g_progress;  // the timer procedure's view of the running make (one at a time)

void showProgress(bool final) {
    Progress& p = *g_progress;
    for (size_t k = p.reported; k < p.targets.size(); ++k) {
        const int64_t size = sizeAtPath(p.targets[k]);
        const uint64_t done = size < 0 ? 0 : uint64_t(size) / vcd::kMode2SectorBytes;
        // A track is done once its successor exists (or, for the last, when the call returned).
        const bool complete = final || (k + 1 < p.targets.size() && sizeAtPath(p.targets[k + 1]) >= 0);
        if (complete && size >= 0) {
            std::printf("%s  track %2u/%u  %-12s %7u sectors  done\n", p.console ? "\r" : "", unsigned(k + 1),
                        unsigned(p.targets.size()), baseName(p.targets[k]).c_str(), unsigned(done));
            p.reported = k + 1, p.lastPercent = -1;
            continue;
        }
        if (size >= 0) {
            int percent = int(done * 100 / (p.expected[k] ? p.expected[k] : 1));
            percent = percent > 99 ? 99 : percent;
            // On a console the line is redrawn; into a file or pipe, a line at each quarter.
            if (p.console && percent != p.lastPercent)
                std::printf("\r  track %2u/%u  %-12s %7u sectors  %3d%%", unsigned(k + 1), unsigned(p.targets.size()),
                            baseName(p.targets[k]).c_str(), unsigned(done), percent);
            else if (!p.console && percent / 25 > p.lastPercent / 25 && percent >= 25)
                std::printf("  track %2u/%u  %-12s %7u sectors  %3d%%\n", unsigned(k + 1), unsigned(p.targets.size()),
                            baseName(p.targets[k]).c_str(), unsigned(done), percent);
            if (p.console || percent / 25 > p.lastPercent / 25) p.lastPercent = percent;
        }
        break;
    }
    std::fflush(stdout);
}

void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) { showProgress(false); }

// ---- Raw image ----------------------------------------------------------------------------------

// Raw sectors through one buffer kept for the whole image: one WriteFile per chunk of sectors.
class RawWriter {
public:
    static constexpr size_t kChunk = 128;  // sectors per read and per write
    explicit RawWriter(HANDLE out) : out_(out), raw_(kChunk * vcd::kRawSectorBytes) {}

    // Appends 2336-byte sectors (any number of them) as raw sectors from `lba` on: the first
    // track's as they stand, a track file's with its empty sectors made Form 2 like the file.
    bool sectors(const uint8_t* data, size_t count, uint32_t& lba, bool trackFile = false) {
        for (size_t n = 0; count; count -= n, data += n * vcd::kMode2SectorBytes) {
            n = count < kChunk ? count : kChunk;
            if (trackFile) {
                makeRawTrackSectors(data, n, lba, raw_.data());
                lba += uint32_t(n);
            } else {
                for (size_t s = 0; s < n; ++s)
                    makeRawSector(data + s * vcd::kMode2SectorBytes, lba++, raw_.data() + s * vcd::kRawSectorBytes);
            }
            if (!put(n)) return false;
        }
        return true;
    }
    // Appends `count` empty Form 2 sectors, the gap's and the padding's.
    bool empty(size_t count, uint32_t& lba) {
        for (size_t n = 0; count; count -= n, lba += uint32_t(n)) {
            n = count < kChunk ? count : kChunk;
            emptyRawSectors(lba, n, raw_.data());
            if (!put(n)) return false;
        }
        return true;
    }

private:
    bool put(size_t n) {
        const DWORD bytes = DWORD(n * vcd::kRawSectorBytes);
        DWORD written = 0;
        return WriteFile(out_, raw_.data(), bytes, &written, nullptr) && written == bytes;
    }
    HANDLE out_;
    std::vector<uint8_t> raw_;
};

// The whole disc after the conversion: the completed first track, then each track file behind
// its filled gap, with a short track's padding behind it. Padding sectors are empty like the
// gap's; before another track they are the part of its gap that the burner's lists count to this
// track, so the bytes are those of an unpadded disc.
bool writeRawDisc(HANDLE out, const std::string& path, const std::vector<uint8_t>& image,
                  const std::vector<std::string>& tracks, const DiscLayout& layout, std::string& error) {
    const auto failWith = [&error](std::string why) {
        error = std::move(why);
        return false;
    };
    RawWriter raw(out);
    uint32_t lba = 0;
    if (SetFilePointer(out, 0, nullptr, FILE_BEGIN) != 0 ||
        !raw.sectors(image.data(), image.size() / vcd::kMode2SectorBytes, lba))
        return failWith("cannot write " + path);
    std::vector<uint8_t> buffer(RawWriter::kChunk * vcd::kMode2SectorBytes);
    for (size_t k = 1; k <= tracks.size(); ++k) {
        const std::string& track = tracks[k - 1];
        if (!raw.empty(layout.pregapSectors(k), lba)) return failWith("cannot write " + path);
        ScopedFile in(CreateFileA(track.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!in.valid()) return failWith("cannot read " + track);
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(in.get(), buffer.data(), DWORD(buffer.size()), &got, nullptr))
                return failWith("cannot read " + track);
            if (got % vcd::kMode2SectorBytes) return failWith(track + " is not a whole number of 2336-byte sectors");
            if (got == 0) break;
            if (!raw.sectors(buffer.data(), got / vcd::kMode2SectorBytes, lba, true))
                return failWith("cannot write " + path);
        }
        if (lba != layout.trackStart(k) + layout.trackSectors[k - 1])
            return failWith(track + " changed while the disc was written");
        if (!raw.empty(layout.paddingSectors(k), lba)) return failWith("cannot write " + path);
    }
    return SetEndOfFile(out) ? true : failWith("cannot write " + path);
}

// Under Wine each GoEvents(0) of the DLL's pump, one per sector, is a round trip to the wineserver:
// about 2 us when both share a CPU, about 50 us across two. A tool started on a single CPU
// (scripts/duvad starts it on its server's) keeps the pumping thread there and gives the follower,
// which only reads, converts and writes, the other CPUs. Started on several, all stays as it is.
void besidePump(HANDLE follower) {
    DWORD_PTR process = 0, system = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system) || (process & (process - 1))) return;
    const DWORD_PTR others = system & ~process;
    if (others && SetProcessAffinityMask(GetCurrentProcess(), system)) {
        SetThreadAffinityMask(GetCurrentThread(), process);
        SetThreadAffinityMask(follower, others);
    }
}

// Turns the track files into the raw image behind the first track while PrepareVcdFiles is still
// writing them, on a thread of its own (the DLL's thread mostly waits for its pump): each growing
// file is read as far as it holds whole sectors, up to the length AnalyzeMpeg predicted. The raw
// bytes are those writeRawDisc makes from the finished files; the first track follows once the
// DLL has completed the image.
class TrackFollower {
public:
    enum Outcome { Running, Done, Differs, Failed };

    TrackFollower(HANDLE out, const std::string& path, const std::vector<std::string>& tracks, const DiscLayout& plan)
        : out_(out), path_(path), tracks_(tracks), plan_(plan) {}
    ~TrackFollower() { finish(false); }

    bool start() {
        thread_.reset(CreateThread(nullptr, 0, run, this, CREATE_SUSPENDED, nullptr));
        if (!thread_.valid()) return false;
        besidePump(thread_.get());
        ResumeThread(thread_.get());
        return true;
    }
    // After PrepareVcdFiles: the files are final (converted), or the disc is given up. Returns
    // once the thread has ended.
    Outcome finish(bool converted) {
        (converted ? converted_ : abandoned_) = true;
        if (thread_.valid()) WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
        return outcome_;
    }
    const std::string& error() const { return error_; }

private:
    static DWORD WINAPI run(void* self) {
        auto* f = static_cast<TrackFollower*>(self);
        f->outcome_ = f->follow();
        return 0;
    }

    Outcome follow() {
        RawWriter raw(out_);
        std::vector<uint8_t> buffer(RawWriter::kChunk * vcd::kMode2SectorBytes);
        uint32_t lba = plan_.firstTrackSectors;
        if (SetFilePointer(out_, LONG(lba * vcd::kRawSectorBytes), nullptr, FILE_BEGIN) != lba * vcd::kRawSectorBytes)
            return failed("cannot write " + path_);
        for (size_t k = 1; k <= tracks_.size(); ++k) {
            if (!raw.empty(plan_.pregapSectors(k), lba)) return failed("cannot write " + path_);
            ScopedFile in;
            const uint32_t want = plan_.trackSectors[k - 1];
            for (uint32_t done = 0; done < want;) {
                if (abandoned_) return Differs;
                const bool final = converted_;  // read before the size: then that size is final
                // Shared for writing, as the DLL opens it (Windows 95 knows no FILE_SHARE_DELETE).
                if (!in.valid())
                    in.reset(CreateFileA(tracks_[k - 1].c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
                const int64_t size = in.valid() ? duvad::fileSize(in.get()) : 0;
                const int64_t whole = size < 0 ? 0 : size / vcd::kMode2SectorBytes;
                const int64_t ready = (whole < want ? whole : want) - done;
                if (ready <= 0) {
                    if (final) return Differs;  // shorter than predicted: made again from the files
                    Sleep(1);
                    continue;
                }
                const uint32_t n = uint32_t(ready < int64_t(RawWriter::kChunk) ? ready : RawWriter::kChunk);
                const DWORD bytes = n * vcd::kMode2SectorBytes;
                DWORD got = 0;
                if (!ReadFile(in.get(), buffer.data(), bytes, &got, nullptr) || got != bytes)
                    return failed("cannot read " + tracks_[k - 1]);
                if (!raw.sectors(buffer.data(), n, lba, true)) return failed("cannot write " + path_);
                done += n;
            }
            if (!raw.empty(plan_.paddingSectors(k), lba)) return failed("cannot write " + path_);
        }
        return Done;
    }
    Outcome failed(const std::string& error) {
        error_ = error;
        return Failed;
    }

    HANDLE out_;
    const std::string& path_;
    const std::vector<std::string>& tracks_;
    const DiscLayout& plan_;
    std::atomic<bool> converted_{false}, abandoned_{false};
    Outcome outcome_ = Running;  // written by the thread, read after it ended
    std::string error_;
    ScopedHandle thread_;
};

bool writeText(const std::string& path, const std::string& text) {
    ScopedFile out(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return out.valid() && WriteFile(out.get(), text.data(), DWORD(text.size()), &written, nullptr) &&
           written == text.size();
}

std::string failureText(int32_t r, const std::vector<std::string>& sources) {
    auto name = [&](int32_t i) { return i >= 1 && size_t(i) <= sources.size() ? sources[i - 1] : std::to_string(i); };
    if (r == -300) return "the first track's image could not be written";
    if (r <= -301 && r >= -399) return "track file " + std::to_string(-300 - r) + " could not be written (disk full?)";
    if (r <= -201 && r >= -299) return name(-200 - r) + " is neither an MPEG system stream nor RIFF CDXA";
    if (r <= -101 && r >= -199) return name(-100 - r) + " could not be read";
    return "failed";
}

// One line per track under four seconds: the empty sectors the burner's lists add behind it.
std::string paddingNotes(const DiscLayout& layout, const std::vector<std::string>& sources) {
    std::string notes;
    for (size_t k = 1; k <= layout.trackSectors.size(); ++k)
        if (const uint32_t padding = layout.paddingSectors(k))
            notes += "  note: track " + std::to_string(k + 1) + " (" + baseName(sources[k - 1]) + ", " +
                     std::to_string(layout.trackSectors[k - 1]) + " sectors) is under four seconds: padded with " +
                     std::to_string(padding) + " empty sectors on the disc\n";
    return notes;
}

int fail(const std::string& line) {
    std::fprintf(stderr, "duvad: %s\n", line.c_str());
    return 1;
}

}  // namespace

int analyze(int argc, char** argv) {
    auto analyzeMpeg = HOST_PROC(AnalyzeMpeg);
    if (!analyzeMpeg) return fail("DuVad.dll does not export AnalyzeMpeg");
    if (argc < 1) return fail("usage: duvad analyze FILE...");
    DiscLayout layout{kFirstTrackSectors, {}};
    int bad = 0;
    for (int i = 0; i < argc; ++i) {
        const StreamFacts f = analyzeFile(analyzeMpeg, argv[i]);
        std::printf("%s: %s\n", argv[i], factsLine(f).c_str());
        if (f.result < 0) {
            ++bad;
            continue;
        }
        layout.trackSectors.push_back(uint32_t(f.sectors));
        bad += f.result != 1;
    }
    std::printf("%u track%s: %s\n", unsigned(layout.trackSectors.size()), layout.trackSectors.size() == 1 ? "" : "s",
                capacityLine(layout).c_str());
    if (layout.trackSectors.size() > size_t(vcd::kMaxTracks))
        std::printf("a Video CD holds at most %d tracks\n", int(vcd::kMaxTracks));
    return bad ? 1 : 0;
}

int make(int argc, char** argv) {
    if (argc < 2) return fail("usage: duvad make OUTDIR FILE...   (1 to 32 MPEG-1 or RIFF CDXA files)");
    if (argc - 1 > vcd::kMaxTracks)
        return fail("too many files (" + std::to_string(argc - 1) + "): a Video CD holds at most 32 tracks");
    auto analyzeMpeg = HOST_PROC(AnalyzeMpeg);
    auto prepare = HOST_PROC(PrepareVcdFiles);
    if (!analyzeMpeg || !prepare) return fail("DuVad.dll does not export AnalyzeMpeg and PrepareVcdFiles");

    const std::string outDir = fullPath(argv[0]);
    std::vector<std::string> sources;
    std::vector<StreamFacts> facts;
    FirstTrackPlan firstTrack;
    DiscLayout plan{kFirstTrackSectors, {}};
    for (int i = 1; i < argc; ++i) {
        const std::string path = fullPath(argv[i]);
        if (path.size() >= 256) return fail(path + ": name too long (255 characters at most)");
        uint8_t head[16];
        DWORD got = 0;
        if (!readHead(path, head, sizeof head, &got)) return fail(std::string(argv[i]) + ": cannot be opened");
        const std::string refused = sourceRefusal(head, got);
        if (!refused.empty()) return fail(std::string(argv[i]) + ": " + refused);
        const StreamFacts f = analyzeFile(analyzeMpeg, path);
        if (f.result < 0) return fail(std::string(argv[i]) + ": " + factsLine(f));
        if (f.result == 0) return fail(std::string(argv[i]) + ": no MPEG-1 video in it");
        std::printf("%-24s %s\n", baseName(path).c_str(), factsLine(f).c_str());
        if (f.compliant != 1) std::printf("  note: not within the Video CD picture rules; players may refuse it\n");
        if (f.height == 288) firstTrack.palTracks |= 1u << (i - 1);
        sources.push_back(path);
        facts.push_back(f);
        plan.trackSectors.push_back(uint32_t(f.sectors));
    }
    // A track under four seconds is padded for the burner; one followed by another track can
    // only be padded out of the gap before that track (the image's addresses stay as they are).
    if (const size_t k = plan.unpaddableTrack())
        return fail(std::string(argv[k]) + ": too short to be followed by another track (" +
                    std::to_string(plan.trackSectors[k - 1]) + " sectors; a track file needs " +
                    std::to_string(kShortestTrackSectors - vcd::kGapSectors) +
                    " to be padded to four seconds within the gap); put it last");
    std::printf("%s", paddingNotes(plan, sources).c_str());
    std::printf("disc: %s\n", capacityLine(plan).c_str());
    if (plan.trackStart(sources.size() + 1) > kDisc80)
        return fail("the tracks do not fit an 80-minute disc: they need " +
                    std::to_string(plan.trackStart(sources.size() + 1)) + " sectors of its " + std::to_string(kDisc80));

    if (!CreateDirectoryA(outDir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return fail("cannot create the folder " + outDir);
    const DWORD attributes = GetFileAttributesA(outDir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return fail(outDir + " is not a folder");
    const std::string dir = outDir + (outDir.back() == '\\' ? "" : "\\");
    if (dir.size() + std::strlen("AVSEQ01.DAT") >= 256)
        return fail(outDir + ": folder name too long for the track files' names (255 characters at most)");
    std::vector<std::string> targets;
    std::string sourceList, targetList = dir + kImageName + "\r\n";
    for (size_t k = 0; k < sources.size(); ++k) {
        targets.push_back(dir + trackFileName(int(k + 1)));
        sourceList += sources[k] + "\r\n";
        targetList += targets.back() + "\r\n";
    }
    // What a former run left is removed first: nothing stale may pass for this disc.
    for (const std::string& t : targets) DeleteFileA(t.c_str());
    for (const char* name : {kImageName, kBinName, kCueName, kTocName}) DeleteFileA((dir + name).c_str());

    firstTrack.tracks = int(sources.size());
    SYSTEMTIME now;
    GetLocalTime(&now);
    TIME_ZONE_INFORMATION tz;
    GetTimeZoneInformation(&tz);
    firstTrack.made = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
    firstTrack.biasMinutes = tz.Bias;
    std::vector<uint8_t> image = buildFirstTrack(firstTrack);

    // The raw image is made while the track files are written (see TrackFollower), unless a
    // former run's track file could not be removed: its old sectors could pass for new ones.
    const std::string bin = dir + kBinName, part = bin + ".part";
    struct PartFile {  // removed on every path but the one that renames it
        const std::string& path;
        ~PartFile() { DeleteFileA(path.c_str()); }
    } partFile{part};
    ScopedFile out(CreateFileA(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.valid()) return fail("cannot create " + part);
    bool fresh = true;
    for (const std::string& t : targets) fresh &= GetFileAttributesA(t.c_str()) == INVALID_FILE_ATTRIBUTES;
    TrackFollower follower(out.get(), part, targets, plan);
    const bool following = fresh && follower.start();

    std::printf("writing the track files and %s to %s\n", kBinName, outDir.c_str());
    Progress progress;
    progress.targets = targets;
    for (const StreamFacts& f : facts) progress.expected.push_back(uint32_t(f.sectors));
    progress.console = GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR;
    g_progress = &progress;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, onTimer);
    const int32_t r = prepare(reinterpret_cast<char*>(image.data()), int32_t(image.size()), sourceList.c_str(),
                              targetList.c_str());
    KillTimer(nullptr, timer);
    const TrackFollower::Outcome followed = follower.finish(r == 1);
    if (r != 1) {
        g_progress = nullptr;
        for (const std::string& t : targets) DeleteFileA(t.c_str());
        DeleteFileA((dir + kImageName).c_str());
        return fail("PrepareVcdFiles: " + failureText(r, sources) + " (" + std::to_string(r) + "); nothing was kept");
    }
    showProgress(true);
    g_progress = nullptr;

    // The layout from what was written; the DLL entered the same one into the image.
    DiscLayout layout{uint32_t(image.size() / vcd::kMode2SectorBytes), {}};
    std::vector<std::string> names;
    for (const std::string& t : targets) {
        const int64_t size = sizeAtPath(t);
        if (size < 0 || size % vcd::kMode2SectorBytes) return fail(t + " is missing or not whole sectors");
        layout.trackSectors.push_back(uint32_t(size / vcd::kMode2SectorBytes));
        names.push_back(baseName(t));
    }

    if (const size_t k = layout.unpaddableTrack())
        return fail(names[k - 1] + " came out too short to be padded to four seconds; no disc written");

    // The completed image must place the tracks where the raw image and the TOC will put them.
    std::vector<uint32_t> planned;
    for (size_t k = 1; k <= targets.size(); ++k) planned.push_back(layout.trackStart(k));
    if (listedTrackStarts(image) != planned)
        return fail("the completed image places the tracks elsewhere than their files' sizes say; no disc written");

    // The first track's raw sectors in front of what the follower made, or, when it could not
    // follow (the files differ from the prediction), the whole disc from the finished files.
    std::string error = follower.error();
    bool written = following && followed == TrackFollower::Done && layout.trackSectors == plan.trackSectors;
    if (written) {
        RawWriter raw(out.get());
        uint32_t lba = 0;
        written = SetFilePointer(out.get(), 0, nullptr, FILE_BEGIN) == 0 &&
                  raw.sectors(image.data(), image.size() / vcd::kMode2SectorBytes, lba);
        if (!written) error = "cannot write " + part;
    } else if (followed != TrackFollower::Failed) {
        written = writeRawDisc(out.get(), part, image, targets, layout, error);
    }
    out.reset();
    if (!written) return fail(error);
    if (!MoveFileExA(part.c_str(), bin.c_str(), MOVEFILE_REPLACE_EXISTING) ||
        !writeText(dir + kCueName, cueSheet(kBinName, layout)) ||
        !writeText(dir + kTocName, cdrdaoToc(kBinName, layout))) {
        for (const char* name : {kBinName, kCueName, kTocName}) DeleteFileA((dir + name).c_str());
        DeleteFileA(part.c_str());
        return fail("cannot write the raw image, its cue sheet or the table of contents in " + outDir);
    }

    std::vector<std::string> shown;
    for (const std::string& source : sources) shown.push_back(baseName(source));
    std::printf("\n%s", trackTable(layout, shown).c_str());
    std::printf("%s", paddingNotes(layout, sources).c_str());
    std::printf("Video CD 2.0, %u track%s, %s\n", unsigned(targets.size()), targets.size() == 1 ? "" : "s",
                capacityLine(layout).c_str());
    std::printf("  %s  the disc: %s (raw 2352-byte sectors) with %s or %s\n", outDir.c_str(), kBinName, kCueName,
                kTocName);
    std::printf("burn: cd to that folder, then  cdrdao write --device /dev/sr0 %s  (or %s)\n", kCueName, kTocName);
    std::printf("play: the burnt disc in a Video CD player; before burning, ffplay AVSEQ01.DAT (a track file)\n");
    return 0;
}

}  // namespace duvad::host
