// Free-space arithmetic and the root of a path's volume, as the free-space query needs them, and the
// kilobyte size of a directory entry.
#pragma once
#include <cstddef>
#include <cstdint>

#include "files/core/codepage.h"

namespace duvad::files {

// The answer for a network path whose free space cannot be asked for: a decimal thousand million.
constexpr uint32_t kNetworkFreeKB = 1000000000;

enum class RootKind {
    None,   // no root: the queries answer for the current directory's drive
    Drive,  // "X:\" from a path whose second byte is a colon
    Unc,    // a path that begins with two backslashes, cut after its last backslash
};

struct VolumeRoot {
    RootKind kind;
    size_t length;  // Unc: bytes of the path up to and including its last backslash
};

// Null and empty paths, relative paths and paths beginning with a single backslash have no root.
VolumeRoot volumeRoot(const char* path, const CodePage& cp);

// Total free bytes of the extended query, in whole kilobytes (low 32 bits).
constexpr uint32_t freeKBFromBytes(uint64_t totalFreeBytes) { return uint32_t(totalFreeBytes >> 10); }

// The classic query's free space: ((bytes per sector / 512) x sectors per cluster x free clusters)
// / 2, each step in unsigned 32-bit arithmetic, as the systems without the extended query count.
constexpr uint32_t freeKBFromClusters(uint32_t bytesPerSector, uint32_t sectorsPerCluster, uint32_t freeClusters) {
    return ((bytesPerSector >> 9) * sectorsPerCluster * freeClusters) >> 1;
}
static_assert(freeKBFromClusters(512, 8, 1000) == 4000);
static_assert(freeKBFromClusters(256, 8, 1000) == 0);

// A directory entry's size in kilobytes, from the low 32 bits of its size: a started kilobyte
// counts whole, and the sum is formed without overflow.
constexpr uint32_t entryKilobytes(uint32_t sizeLow) { return uint32_t((uint64_t(sizeLow) + 1023) >> 10); }
static_assert(entryKilobytes(0) == 0 && entryKilobytes(1) == 1 && entryKilobytes(1024) == 1 && entryKilobytes(1025) == 2);
static_assert(entryKilobytes(0xFFFFFFFFu) == 1u << 22);

}  // namespace duvad::files
