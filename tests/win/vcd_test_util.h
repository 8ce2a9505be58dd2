// Shared pieces of the Video CD integration tests: the streams beside the test program, file
// helpers, and the track file a source must give, built here independently of the library.
#pragma once
#include <windows.h>

#include <cstring>
#include <string>

#include "frame/scoped.h"
#include "tests/win/harness.h"

namespace duvad::test::vcd {

constexpr size_t kSector = 2336, kPack = 2324, kRaw = 2352;
constexpr int32_t kImageBytes = 300 * 2336;  // the prepared image of make_image.py

inline std::string stream(const char* name) { return testDir() + "vcd-streams\\" + name; }
inline std::string bytesOf(const char* name) { return TempDir::readFile(stream(name)); }

inline int64_t fileSizeAt(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return -1;
    return int64_t(uint64_t(a.nFileSizeHigh) << 32 | a.nFileSizeLow);
}
inline bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The Video CD track file for a plain stream (track number i) or a RIFF CDXA file.
inline std::string expectedTrack(const std::string& src, int i) {
    std::string t(30 * kSector, '\0');
    if (src.compare(0, 4, "RIFF") == 0 && src.compare(8, 4, "CDXA") == 0) {
        for (size_t at = 44; at + kRaw <= src.size(); at += kRaw) t += src.substr(at + 16, kSector);
    } else {
        for (size_t at = 0; at + kPack <= src.size(); at += kPack) {
            const bool audio = src.compare(at + 12, 4, std::string("\0\0\1\xC0", 4)) == 0;
            const char sub[4] = {char(i), 1, char(audio ? 0x64 : 0x62), char(audio ? 0x7F : 0x0F)};
            t.append(sub, 4).append(sub, 4).append(src, at, kPack).append(4, '\0');
        }
    }
    return t + std::string(55 * kSector, '\0');
}

inline std::string lines(std::initializer_list<std::string> names) {
    std::string s;
    for (const auto& n : names) s += n + "\r\n";
    return s;
}

// Copies a stream into `dir` (so the test may delete it) and returns the copy's path.
inline std::string copyStream(const TempDir& dir, const char* name, const char* as = nullptr) {
    const std::string to = dir.file(as ? as : name);
    CopyFileA(stream(name).c_str(), to.c_str(), FALSE);
    return to;
}

// Byte-wise equality that reports the first difference instead of printing both blobs.
inline ::testing::AssertionResult sameBytes(const std::string& got, const std::string& want) {
    if (got == want) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
    return ::testing::AssertionFailure() << "sizes " << got.size() << " and " << want.size()
                                         << ", first difference at byte " << at << " (sector " << at / kSector
                                         << ", offset " << at % kSector << ")";
}

// A file deletes at once when no handle to it is left open.
inline bool deletable(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

}  // namespace duvad::test::vcd
