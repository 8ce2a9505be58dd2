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

#include "files/core/names.h"
#include "files/system_codepage.h"
#include "frame/file_size.h"
#include "frame/scoped.h"
#include "host/core/disc_plan.h"
#include "host/core/first_track.h"
#include "host/core/raw_disc.h"
#include "host/core/stream_scan.h"
#include "host/disc_folder.h"
#include "host/host.h"
#include "vcd/core/source_kind.h"
#include "vcd/win_file.h"

namespace duvad::host {
namespace {

constexpr char kImageName[] = "TRACK01.IMG";  // the first track, 2336-byte sectors
constexpr char kBinName[] = "videocd.bin", kCueName[] = "videocd.cue", kTocName[] = "videocd.toc";
constexpr char kDeviceNameRefusal[] =
    "a device name (AUX, CON, NUL, PRN, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$, CLOCK$, with any "
    "extension): Windows opens the device, not a file; rename the file";
constexpr char kDevicePathRefusal[] = "a device path (\\\\.\\ or \\\\?\\ other than a drive's folder): not a file";
constexpr char kNotADiskFile[] = "not a file on a disk (a device or a pipe)";

std::string fullPath(const std::string& path) {
    char out[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, out, nullptr);
    return n && n < MAX_PATH ? std::string(out, n) : path;
}

// A path as the user runs commands with it: under scripts/duvad, which sets DUVAD_UNIX_PATHS, the
// Linux path Wine maps `full` to (wine_get_unix_file_name, looked up: only Wine's kernel32 has
// it); else `asGiven`. Written in the ANSI code page like all the tool's output.
std::string shownPath(const std::string& full, const std::string& asGiven) {
    char flag[8];
    if (!GetEnvironmentVariableA("DUVAD_UNIX_PATHS", flag, sizeof flag)) return asGiven;
    using ToUnix = char*(CDECL*)(const WCHAR*);
    static const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    WCHAR wide[2 * MAX_PATH];
    if (!toUnix || !MultiByteToWideChar(CP_ACP, 0, full.c_str(), -1, wide, 2 * MAX_PATH)) return asGiven;
    char* unixPath = toUnix(wide);  // UTF-8, from the process heap
    if (!unixPath) return asGiven;
    char shown[4 * MAX_PATH];
    const bool converted = MultiByteToWideChar(CP_UTF8, 0, unixPath, -1, wide, 2 * MAX_PATH) &&
                           WideCharToMultiByte(CP_ACP, 0, wide, -1, shown, sizeof shown, nullptr, nullptr);
    HeapFree(GetProcessHeap(), 0, unixPath);
    return converted ? shown : asGiven;
}

std::string baseName(const std::string& path) {
    const size_t at = path.find_last_of("\\/:");
    return at == std::string::npos ? path : path.substr(at + 1);
}

// The size of the file at `path`, -1 when there is none (duvad::fileSize takes an open handle).
// Through its directory entry: GetFileAttributesExA does not exist before Windows 98.
int64_t sizeAtPath(const std::string& path) {
    WIN32_FIND_DATAA a;
    duvad::ScopedFind found(FindFirstFileA(path.c_str(), &a));
    if (!found.valid()) return -1;
    return int64_t(a.nFileSizeHigh) << 32 | a.nFileSizeLow;
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

// The timers run inside the DLL's pump: they leave its thread's last error as it was, which the
// host reads when the call fails (a short write sets none).
void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
    const DWORD error = GetLastError();
    showProgress(false);
    SetLastError(error);
}

// Once, soon after PrepareVcdFiles began: the tests' hold inside the DLL's conversion.
void CALLBACK onceConverting(HWND, UINT, UINT_PTR timer, DWORD) {
    const DWORD error = GetLastError();
    KillTimer(nullptr, timer);
    testHold("converting");
    SetLastError(error);
}

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
    // Looked up at run time: Windows 95 and 98 lack SetProcessAffinityMask (an NT 4 addition), and
    // a static import would stop the tool loading there.
    using SetProcessMask = BOOL(WINAPI*)(HANDLE, DWORD_PTR);
    const auto setProcessMask = reinterpret_cast<SetProcessMask>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetProcessAffinityMask")));
    if (others && setProcessMask && setProcessMask(GetCurrentProcess(), system)) {
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

    // stop: the make was interrupted; the thread ends at once.
    TrackFollower(HANDLE out, const std::string& path, const std::vector<std::string>& tracks, const DiscLayout& plan,
                  const std::atomic<bool>& stop)
        : out_(out), path_(path), tracks_(tracks), plan_(plan), stop_(stop) {}
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
                if (abandoned_ || stop_) return Differs;
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
        error_ = error + ": " + systemCause(GetLastError(), path_);  // this thread's last error
        return Failed;
    }

    HANDLE out_;
    const std::string& path_;
    const std::vector<std::string>& tracks_;
    const DiscLayout& plan_;
    const std::atomic<bool>& stop_;
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

// ---- Sources: what make takes, and what analyze says make will do -------------------------------

struct Source {
    std::string arg, path;  // as given, and its full path
    StreamFacts facts;      // facts.result stays 0 until AnalyzeMpeg ran
    bool analyzed = false, scanned = false, riffCdxa = false;
    StreamScan scan;
    std::string refusal;  // empty: make takes it
};

// Opens and measures one source as make takes it, from its first bytes and AnalyzeMpeg's facts;
// source.refusal says why make would not take it. scanSource reads the rest.
Source examine(decltype(&::AnalyzeMpeg) analyzeMpeg, const char* arg) {
    Source s;
    s.arg = arg;
    s.path = fullPath(arg);
    auto refuse = [&s](std::string why) {
        s.refusal = std::move(why);
        return s;
    };
    if (s.path.size() >= 256) return refuse("name too long (255 characters at most)");
    // A device is no file, decided on the name and on its full path before anything is opened
    // (nul.mpg, aux.mpg, \\.\x\..\Q:, a pipe: opening a port alone may wait for it), and on the
    // handle after (a FIFO or a character device reached through a drive): reading one waits for
    // a writer, for ever.
    const files::CodePage& cp = files::systemCodePage();
    if (files::isDeviceName(arg, cp)) return refuse(kDeviceNameRefusal);
    if (files::isDevicePath(s.path.c_str(), cp)) return refuse(kDevicePathRefusal);
    ScopedFile in(CreateFileA(s.path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in.valid()) return refuse("cannot be opened: " + systemCause(GetLastError(), s.path));
    if (GetFileType(in.get()) != FILE_TYPE_DISK) return refuse(kNotADiskFile);
    uint8_t head[4 * vcd::kForm2DataBytes];  // room for a header or an empty sector in front of the packs
    DWORD got = 0;
    if (!ReadFile(in.get(), head, sizeof head, &got, nullptr) || SetFilePointer(in.get(), 0, nullptr, FILE_BEGIN))
        return refuse("cannot be read: " + systemCause(GetLastError(), s.path));
    s.facts = analyzeFile(analyzeMpeg, s.path);
    s.analyzed = s.facts.result >= 0;
    // The checks in the order the conversion meets them: the first bytes, the video, every pack.
    if (const std::string refused = sourceRefusal(head, got); !refused.empty()) {
        // Packs behind something else (a WAVE header, an empty sector): the track would begin with it.
        const int64_t first = firstPackAt(head, got);
        if (first <= 0) return refuse(refused);
        return refuse(refused + ": its first pack header is at byte " + std::to_string(first) +
                      ", not 0; remux it:  " + remuxCommand(s.facts.rate, shownPath(s.path, s.arg)));
    }
    if (s.facts.result < 0) return refuse(factsLine(s.facts));
    if (s.facts.result == 0) return refuse("no MPEG-1 video in it");
    s.riffCdxa = vcd::classifySource(head, got) == vcd::SourceKind::RiffCdxa;
    return s;
}

// One read of the whole source that examine took: every pack in place, the audio, the tail.
void scanSource(Source& s) {
    ScopedFile in(CreateFileA(s.path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (in.valid() && GetFileType(in.get()) != FILE_TYPE_DISK) {  // replaced since examine looked
        s.refusal = kNotADiskFile;
        return;
    }
    vcd::Win32Source file(in.get());
    if (!in.valid() || !scanStream(file, s.riffCdxa, &s.scan)) {
        s.refusal = "cannot be read: " + systemCause(GetLastError(), s.path);
        return;
    }
    s.scanned = true;
    s.refusal = alignmentRefusal(s.scan, s.facts.rate, shownPath(s.path, s.arg));
}

// The lines under a source's facts: its audio, what a player may mind, what the conversion drops.
std::string sourceNotes(const Source& s) {
    std::string notes;
    if (s.scanned) notes += "  audio: " + audioLine(s.scan) + "\n";
    if (s.analyzed && s.facts.result == 1 && s.facts.compliant != 1) {
        notes += "  warning: the picture is not within the Video CD rules; players may refuse it\n";
        for (const std::string& line : pictureRuleBreaks(s.facts, shownPath(s.path, s.arg)))
            notes += "    " + line + "\n";
    }
    if (s.scanned) {
        for (const std::string& w : audioWarnings(s.scan)) notes += "  warning: " + w + "\n";
        if (s.scan.droppedBytes)
            notes += "  note: the last " + std::to_string(s.scan.droppedBytes) +
                     " bytes are not a whole sector and are left out of the track\n";
    }
    return notes;
}

// Why the tracks together make no disc; empty when they do.
std::string layoutRefusal(const DiscLayout& plan, const std::vector<Source>& sources) {
    if (plan.trackSectors.size() > size_t(vcd::kMaxTracks))
        return "too many files (" + std::to_string(plan.trackSectors.size()) + "): a Video CD holds at most 32 tracks";
    // A track under four seconds is padded for the burner; one followed by another track can
    // only be padded out of the gap before that track (the image's addresses stay as they are).
    if (const size_t k = plan.unpaddableTrack()) {
        // Only the last track may be that short: with two such, no order helps.
        const uint32_t least = kShortestTrackSectors - vcd::kGapSectors;
        size_t tooShort = 0;
        for (uint32_t n : plan.trackSectors) tooShort += n < least;
        return sources[k - 1].arg + ": too short to be followed by another track (" +
               std::to_string(plan.trackSectors[k - 1]) + " sectors; a track file needs " + std::to_string(least) +
               " to be padded to four seconds within the gap); " +
               (tooShort == 1 ? "put it last"
                              : std::to_string(tooShort) +
                                    " files are that short and only the last track may be: join them into longer "
                                    "streams, or make a disc of each");
    }
    if (plan.trackStart(sources.size() + 1) > kDisc80)
        return "the tracks do not fit an 80-minute disc: they need " +
               std::to_string(plan.trackStart(sources.size() + 1)) + " sectors of its " + std::to_string(kDisc80);
    return "";
}

std::string failureText(int32_t r, const std::vector<Source>& sources, const std::vector<std::string>& targets,
                        const std::string& image) {
    const DWORD error = GetLastError();  // the DLL's failed call's, as it passes no code on
    auto name = [&](int32_t i) {
        return i >= 1 && size_t(i) <= sources.size() ? sources[i - 1].arg : std::to_string(i);
    };
    auto target = [&](int32_t i) { return i >= 1 && size_t(i) <= targets.size() ? targets[i - 1] : image; };
    if (r == -300) return "the first track's image could not be written: " + systemCause(error, image);
    if (r <= -301 && r >= -399)
        return "track file " + std::to_string(-300 - r) +
               " could not be written: " + systemCause(error, target(-300 - r));
    if (r <= -201 && r >= -299) return name(-200 - r) + " is neither an MPEG system stream nor RIFF CDXA";
    if (r <= -101 && r >= -199) return name(-100 - r) + " could not be read: " + systemCause(error, name(-100 - r));
    return "failed";
}

// One line per track under four seconds: the empty sectors the burner's lists add behind it.
std::string paddingNotes(const DiscLayout& layout, const std::vector<Source>& sources) {
    std::string notes;
    for (size_t k = 1; k <= layout.trackSectors.size(); ++k)
        if (const uint32_t padding = layout.paddingSectors(k))
            notes += "  note: track " + std::to_string(k + 1) + " (" + baseName(sources[k - 1].path) + ", " +
                     std::to_string(layout.trackSectors[k - 1]) + " sectors) is under four seconds: padded with " +
                     std::to_string(padding) + " empty sectors on the disc\n";
    return notes;
}

int fail(const std::string& line) {
    std::fprintf(stderr, "duvad: %s\n", line.c_str());
    return 1;
}

// ---- The steps of make -----------------------------------------------------------------------------

// One make's disc, filled in step by step.
struct Disc {
    std::string outDir, dir;      // the output folder, full path; dir ends with a backslash
    std::vector<Source> sources;  // one per track
    DiscLayout plan{kFirstTrackSectors, {}};
    std::vector<std::string> targets;  // the track files, in the staging folder
    std::string image, bin;            // the first track's image and the raw image, in the staging folder
    std::vector<uint8_t> firstTrack;   // the first track's image, completed by the DLL
    DiscLayout layout;                 // from the track files written
    std::vector<std::string> earlier;  // the files in the output folder that the disc replaces
    // The names of the finished disc's files in the output folder.
    std::vector<std::string> names() const { return discNames(sources.size()); }
    static std::vector<std::string> discNames(size_t tracks) {
        std::vector<std::string> n = {kImageName};
        for (size_t k = 1; k <= tracks; ++k) n.push_back(trackFileName(int(k)));
        for (const char* name : {kBinName, kCueName, kTocName, kRecordName}) n.push_back(name);  // the record last
        return n;
    }
};

// The sources measured and checked, the disc planned. Nothing is written.
bool planDisc(int argc, char** argv, Disc& disc) {
    auto analyzeMpeg = HOST_PROC(AnalyzeMpeg);
    for (int i = 1; i < argc; ++i) {
        Source s = examine(analyzeMpeg, argv[i]);
        if (!s.refusal.empty()) return fail(s.arg + ": " + s.refusal), false;
        disc.plan.trackSectors.push_back(uint32_t(s.facts.sectors));
        disc.sources.push_back(std::move(s));
    }
    // The disc as a whole before the sources are read through.
    if (const std::string refused = layoutRefusal(disc.plan, disc.sources); !refused.empty())
        return fail(refused), false;
    for (Source& s : disc.sources) {
        scanSource(s);
        if (!s.refusal.empty()) return fail(s.arg + ": " + s.refusal), false;
        std::printf("%-24s %s\n%s", baseName(s.path).c_str(), factsLine(s.facts).c_str(), sourceNotes(s).c_str());
    }
    std::printf("disc: %s\n", capacityLine(disc.plan).c_str());  // the padding notes come with the track table
    return true;
}

// The output folder's full path; false (and said) when it is a file or its name too long.
bool resolveOutDir(const char* outDir, Disc& disc) {
    if (!*outDir) return fail("the output folder's name (OUTDIR) is empty"), false;
    disc.outDir = fullPath(outDir);
    if (GetFileAttributesA(disc.outDir.c_str()) != INVALID_FILE_ATTRIBUTES && !isFolder(disc.outDir))
        return fail(disc.outDir + " is not a folder"), false;
    disc.dir = disc.outDir + (disc.outDir.back() == '\\' ? "" : "\\");
    // The longest name make writes: a track file in the staging folder (~duvad1.tmp to ~duvad100.tmp).
    if (disc.dir.size() + std::strlen("~duvad100.tmp\\AVSEQ01.DAT") > 255)
        return fail(disc.outDir + ": folder name too long for the track files' names (255 characters at most)"), false;
    return true;
}

// Before anything in the output folder is made, removed or opened for writing, while this make
// holds it: no file of the disc is a source (by its identity, taken while all of them are open, or
// by its long name) or a folder, and a file under a disc file's name is the earlier disc's (or the
// user asked for it to be replaced).
bool checkOutputs(Disc& disc, bool replace) {
    std::vector<ScopedFile> held;
    std::vector<FileFacts> sources;
    std::vector<std::string> given;
    for (const Source& s : disc.sources) {
        held.push_back(openForIdentity(s.path));
        sources.push_back(factsOf(held.back().get(), s.path));
        given.push_back(s.arg);
    }
    const std::string refused = earlierDisc(disc.dir, disc.names(), Disc::discNames(vcd::kMaxTracks), replace, sources,
                                            given, disc.earlier);
    return refused.empty() ? true : (fail(refused), false);
}

// The first track's image as the host prepares it: the file system, INFO.VCD, ENTRIES.VCD.
std::vector<uint8_t> firstTrackImage(const Disc& disc) {
    FirstTrackPlan firstTrack;
    for (size_t k = 0; k < disc.sources.size(); ++k)
        if (disc.sources[k].facts.height == 288) firstTrack.palTracks |= 1u << k;
    firstTrack.tracks = int(disc.sources.size());
    SYSTEMTIME now;
    GetLocalTime(&now);
    TIME_ZONE_INFORMATION tz;
    GetTimeZoneInformation(&tz);
    firstTrack.made = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
    firstTrack.biasMinutes = tz.Bias;
    return buildFirstTrack(firstTrack);
}

// PrepareVcdFiles writes the track files and completes the image while a timer inside its message
// pump shows the progress and the follower makes the raw image behind the first track.
bool convertTracks(Disc& disc, TrackFollower& follower, TrackFollower::Outcome& followed) {
    auto prepare = HOST_PROC(PrepareVcdFiles);
    std::string sourceList, targetList = disc.image + "\r\n";
    for (size_t k = 0; k < disc.sources.size(); ++k) {
        sourceList += disc.sources[k].path + "\r\n";
        targetList += disc.targets[k] + "\r\n";
    }
    std::printf("writing the track files and %s to %s\n", kBinName, shownPath(disc.outDir, disc.outDir).c_str());
    Progress progress;
    progress.targets = disc.targets;
    for (const Source& s : disc.sources) progress.expected.push_back(uint32_t(s.facts.sectors));
    progress.console = GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR;
    g_progress = &progress;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, onTimer);
    SetTimer(nullptr, 0, USER_TIMER_MINIMUM, onceConverting);
    const int32_t r = prepare(reinterpret_cast<char*>(disc.firstTrack.data()), int32_t(disc.firstTrack.size()),
                              sourceList.c_str(), targetList.c_str());
    const std::string failure = r == 1 ? "" : failureText(r, disc.sources, disc.targets, disc.image);
    KillTimer(nullptr, timer);
    followed = follower.finish(r == 1);
    if (r == 1) showProgress(true);
    g_progress = nullptr;
    if (r != 1) return fail("PrepareVcdFiles: " + failure + " (" + std::to_string(r) + "); nothing was kept"), false;
    return true;
}

// The layout from what was written; the DLL entered the same one into the image.
bool measureTracks(Disc& disc) {
    disc.layout = {uint32_t(disc.firstTrack.size() / vcd::kMode2SectorBytes), {}};
    for (const std::string& t : disc.targets) {
        const int64_t size = sizeAtPath(t);
        if (size < 0 || size % vcd::kMode2SectorBytes) return fail(t + " is missing or not whole sectors"), false;
        disc.layout.trackSectors.push_back(uint32_t(size / vcd::kMode2SectorBytes));
    }
    if (const size_t k = disc.layout.unpaddableTrack())
        return fail(baseName(disc.targets[k - 1]) +
                    " came out too short to be padded to four seconds; no disc written"),
               false;
    // The completed image must place the tracks where the raw image and the TOC will put them.
    std::vector<uint32_t> planned;
    for (size_t k = 1; k <= disc.targets.size(); ++k) planned.push_back(disc.layout.trackStart(k));
    if (listedTrackStarts(disc.firstTrack) != planned)
        return fail("the completed image places the tracks elsewhere than their files' sizes say; no disc written"),
               false;
    return true;
}

// The first track's raw sectors in front of what the follower made, or, when it could not
// follow (the files differ from the prediction), the whole disc from the finished files.
bool finishRawImage(const Disc& disc, HANDLE out, bool following, TrackFollower& follower,
                    TrackFollower::Outcome followed) {
    std::string error = follower.error();
    bool written = following && followed == TrackFollower::Done && disc.layout.trackSectors == disc.plan.trackSectors;
    if (written) {
        RawWriter raw(out);
        uint32_t lba = 0;
        written = SetFilePointer(out, 0, nullptr, FILE_BEGIN) == 0 &&
                  raw.sectors(disc.firstTrack.data(), disc.firstTrack.size() / vcd::kMode2SectorBytes, lba);
        if (!written) error = "cannot write " + disc.bin;
    } else if (followed != TrackFollower::Failed) {
        written = writeRawDisc(out, disc.bin, disc.firstTrack, disc.targets, disc.layout, error);
    }
    if (!written && followed != TrackFollower::Failed) error += ": " + systemCause(GetLastError(), disc.bin);
    if (!written) return fail(error), false;
    return true;
}

// A burner's list into the staging folder; false (and said) when it cannot be written.
bool writeList(const std::string& path, const std::string& text) {
    if (writeText(path, text)) return true;
    return fail("cannot write " + path + ": " + systemCause(GetLastError(), path)), false;
}

// The cue sheet of the raw image.
bool writeCueSheet(const Disc& disc, const Staging& staging) {
    return writeList(staging.path(kCueName), cueSheet(kBinName, disc.layout));
}

// cdrdao's table of contents over the same raw image, so that cdrdao burns the cue sheet's sectors.
bool writeToc(const Disc& disc, const Staging& staging) {
    return writeList(staging.path(kTocName), cdrdaoToc(kBinName, disc.layout));
}

void report(const Disc& disc) {
    std::vector<std::string> shown;
    for (const Source& s : disc.sources) shown.push_back(baseName(s.path));
    const std::string& outDir = disc.outDir;
    const size_t tracks = disc.sources.size();
    std::printf("\n%s", trackTable(disc.layout, shown).c_str());
    std::printf("%s", paddingNotes(disc.layout, disc.sources).c_str());
    std::printf("Video CD 2.0, %u track%s, %s\n", unsigned(tracks), tracks == 1 ? "" : "s",
                capacityLine(disc.layout).c_str());
    const std::string folder = shownPath(outDir, outDir);
    std::printf("  %s  the disc: %s (raw 2352-byte sectors) with %s or %s\n", folder.c_str(), kBinName, kCueName,
                kTocName);
    std::printf("burn: cd to that folder (cd \"%s\"), then  cdrdao write --device /dev/sr0 %s  (or %s)\n",
                folder.c_str(), kCueName, kTocName);
    std::printf("play: the burnt disc in a Video CD player; before burning, ffplay AVSEQ01.DAT (a track file)\n");
}

}  // namespace

int analyze(int argc, char** argv) {
    auto analyzeMpeg = HOST_PROC(AnalyzeMpeg);
    if (!analyzeMpeg) return fail("DuVad.dll does not export AnalyzeMpeg");
    if (argc < 1) return fail("usage: duvad analyze FILE...");
    std::vector<Source> taken;
    DiscLayout layout{kFirstTrackSectors, {}};
    int refused = 0;
    for (int i = 0; i < argc; ++i) {
        Source s = examine(analyzeMpeg, argv[i]);
        if (s.refusal.empty()) scanSource(s);
        std::printf("%s: %s\n%s", argv[i], s.analyzed ? factsLine(s.facts).c_str() : s.refusal.c_str(),
                    sourceNotes(s).c_str());
        if (!s.refusal.empty()) {
            std::printf("  make: refuses it%s%s\n", s.analyzed ? ": " : "", s.analyzed ? s.refusal.c_str() : "");
            ++refused;
            continue;
        }
        std::printf("  make: takes it as track %u\n", unsigned(taken.size() + 2));
        layout.trackSectors.push_back(uint32_t(s.facts.sectors));
        taken.push_back(std::move(s));
    }
    std::printf("%u track%s: %s\n", unsigned(layout.trackSectors.size()), layout.trackSectors.size() == 1 ? "" : "s",
                capacityLine(layout).c_str());
    std::printf("%s", paddingNotes(layout, taken).c_str());
    const std::string disc = refused ? "" : layoutRefusal(layout, taken);
    if (refused)
        std::printf("make: refuses these files (%d refused)\n", refused);
    else if (!disc.empty())
        std::printf("make: refuses these files: %s\n", disc.c_str());
    else
        std::printf("make: makes a Video CD of these files\n");
    return refused || !disc.empty() ? 1 : 0;
}

namespace {

// ---- Ctrl-C and the console's end ---------------------------------------------------------------

std::atomic<bool> g_interrupted{false};

// On a thread of its own. Ctrl-C or Ctrl-Break: the make stops at its next step (the DLL's
// conversion cannot be cut short; the raw image's thread stops at once) and leaves the output
// folder as it was. The console closing, a log-off or a shut-down ends the process once this
// returns (after a few seconds at most): until then the make stops as for Ctrl-C, and whatever it
// could not take away the next make into the folder does.
BOOL WINAPI onConsoleEvent(DWORD event) {
    if (!g_interrupted.exchange(true))
        std::fprintf(stderr, "duvad: interrupted: stopping%s\n",
                     event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? "" : " (the console is closing)");
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) Sleep(4000);  // the make's own exit ends this wait
    return TRUE;
}

constexpr int kInterrupted = 130;  // as a shell reports a program ended by Ctrl-C

bool interrupted() { return g_interrupted.load(); }
int stopped() {
    fail("interrupted; no disc was made and the output folder is as it was");
    return kInterrupted;
}

// The record of the disc beside its files, in the staging folder: each file's name, size and time.
bool writeRecord(const Disc& disc, const Staging& staging) {
    std::vector<RecordEntry> files;
    for (const std::string& name : disc.names()) {
        if (name == kRecordName) continue;
        WIN32_FIND_DATAA a;
        duvad::ScopedFind found(FindFirstFileA(staging.path(name).c_str(), &a));
        if (!found.valid()) return fail("cannot read " + staging.path(name)), false;
        files.push_back({name, uint64_t(a.nFileSizeHigh) << 32 | a.nFileSizeLow,
                         uint64_t(a.ftLastWriteTime.dwHighDateTime) << 32 | a.ftLastWriteTime.dwLowDateTime});
    }
    return writeList(staging.path(kRecordName), recordText(files));
}

}  // namespace

// Checks, plan, conversion, raw image, cue sheet and TOC, then the disc's files take their names.
// Everything is made in a staging folder inside the output folder, which this make holds for
// itself: a refused, failed or interrupted make leaves the output folder as it found it, an
// earlier disc in it included; only files of an earlier disc of this tool are replaced, unless
// --replace says otherwise.
int make(int argc, char** argv) {
    const bool replace = argc > 0 && !std::strcmp(argv[0], "--replace");
    if (replace) --argc, ++argv;
    if (argc < 2) return fail("usage: duvad make [--replace] OUTDIR FILE...   (1 to 32 MPEG-1 or RIFF CDXA files)");
    if (argc - 1 > vcd::kMaxTracks)
        return fail("too many files (" + std::to_string(argc - 1) + "): a Video CD holds at most 32 tracks");
    if (!HOST_PROC(AnalyzeMpeg) || !HOST_PROC(PrepareVcdFiles))
        return fail("DuVad.dll does not export AnalyzeMpeg and PrepareVcdFiles");
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    Disc disc;
    if (!planDisc(argc, argv, disc) || !resolveOutDir(argv[0], disc)) return interrupted() ? stopped() : 1;
    if (interrupted()) return stopped();

    Staging staging(disc.outDir);
    std::vector<std::string> paths, given;
    for (const Source& s : disc.sources) paths.push_back(s.path), given.push_back(s.arg);
    if (const std::string why = staging.claim(paths, given); !why.empty()) return fail(why);
    testHold("claimed");
    if (!checkOutputs(disc, replace)) return 1;
    if (interrupted()) return stopped();
    if (const std::string why = staging.open(); !why.empty()) return fail(why);
    for (size_t k = 1; k <= disc.sources.size(); ++k) disc.targets.push_back(staging.path(trackFileName(int(k))));
    disc.image = staging.path(kImageName);
    disc.bin = staging.path(kBinName);
    disc.firstTrack = firstTrackImage(disc);

    ScopedFile out(
        CreateFileA(disc.bin.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.valid()) return fail("cannot create " + disc.bin + ": " + systemCause(GetLastError(), disc.bin));
    TrackFollower follower(out.get(), disc.bin, disc.targets, disc.plan, g_interrupted);
    const bool following = follower.start();
    TrackFollower::Outcome followed = TrackFollower::Running;
    if (!convertTracks(disc, follower, followed) || interrupted() || !measureTracks(disc) ||
        !finishRawImage(disc, out.get(), following, follower, followed))
        return interrupted() ? stopped() : 1;
    out.reset();
    if (!writeCueSheet(disc, staging) || !writeToc(disc, staging) || !writeRecord(disc, staging)) return 1;
    if (interrupted()) return stopped();
    if (const std::string why = staging.commit(disc.names(), disc.earlier, g_interrupted); !why.empty())
        return fail(why), interrupted() ? kInterrupted : 1;
    // Ctrl-C after the last move: the disc is made, and that is said instead of "stopping".
    if (interrupted()) std::printf("duvad: interrupted once the disc was in place: the disc is made\n");
    report(disc);
    return 0;
}

}  // namespace duvad::host
