// Free-space arithmetic and the root of a path's volume, as the free-space query needs them, and the
// kilobyte size of a directory entry.
#pragma once
#include <cstddef>
#include <cstdint>

#include "files/core/codepage.h"

namespace duvad::files {

// The answer for a network path whose free space cannot be asked for: a decimal thousand million.
constexpr uint32_t kNetworkFreeKB = 1000000000;

// The longest root the free-space queries take, terminating zero included.
constexpr size_t kRootBytes = 512;

enum class RootKind {
    None,     // no root: the queries answer for the current directory's drive
    Drive,    // "X:\" from a path whose second byte is a colon
    Unc,      // a path that begins with two backslashes, cut after its last backslash
    TooLong,  // a UNC root of kRootBytes or more: no query can ask for it
};

struct VolumeRoot {
    RootKind kind;
    char text[kRootBytes];  // Drive, Unc: the root the queries are asked for; otherwise empty

    // What the queries are given: the root, or null for the current directory's drive.
    const char* query() const { return kind == RootKind::Drive || kind == RootKind::Unc ? text : nullptr; }
};

// Null and empty paths, relative paths and paths beginning with a single backslash have no root.
VolumeRoot volumeRoot(const char* path, const CodePage& cp);

// The largest kilobyte count the host's signed 32-bit results can carry. Larger figures (volumes
// with 2 TiB or more free, files of 2 TiB or more) are reported as this, never wrapped: a host
// comparing free space or adding up sizes then errs on the safe side.
constexpr int32_t kMaxKilobytes = 2147483647;

constexpr int32_t cappedKilobytes(uint64_t kilobytes) {
    return kilobytes > uint64_t(kMaxKilobytes) ? kMaxKilobytes : int32_t(kilobytes);
}

// Total free bytes of the extended query, in whole kilobytes, capped.
constexpr int32_t freeKBFromBytes(uint64_t totalFreeBytes) { return cappedKilobytes(totalFreeBytes >> 10); }

// The classic query's free space: ((bytes per sector / 512) x sectors per cluster x free clusters)
// / 2, in 64 bits and capped (bytes per sector below 512 give 0).
constexpr int32_t freeKBFromClusters(uint32_t bytesPerSector, uint32_t sectorsPerCluster, uint32_t freeClusters) {
    return cappedKilobytes((uint64_t(bytesPerSector >> 9) * sectorsPerCluster * freeClusters) >> 1);
}
static_assert(freeKBFromClusters(512, 8, 1000) == 4000);
static_assert(freeKBFromClusters(256, 8, 1000) == 0);

// A directory entry's size in kilobytes, from its whole 64-bit size: a started kilobyte counts
// whole, capped.
constexpr int32_t entryKilobytes(uint64_t size) {
    return size > UINT64_MAX - 1023 ? kMaxKilobytes : cappedKilobytes((size + 1023) >> 10);
}
static_assert(entryKilobytes(0) == 0 && entryKilobytes(1) == 1 && entryKilobytes(1024) == 1 &&
              entryKilobytes(1025) == 2);

}  // namespace duvad::files
