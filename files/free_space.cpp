// VolumeFreeKB: the free space of the volume a path lies on, in kilobytes, from the extended query
// where the system has it and from the cluster counts where it does not.
#include <windows.h>

#include <cstring>

#include "files/core/volume.h"
#include "files/system_codepage.h"
#include "include/DuVad.h"

namespace {

constexpr size_t kWorkCopySize = 512;  // the volume root, terminating zero included

using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

// The extended query, looked up anew on every call: the systems that lack it fall back.
bool extendedFreeKB(const char* root, int32_t* freeKB) {
    HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
    if (!kernel) return false;
    auto query = reinterpret_cast<GetDiskFreeSpaceExFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExA")));
    ULARGE_INTEGER available, total, totalFree;
    const bool ok = query && query(root, &available, &total, &totalFree);
    FreeLibrary(kernel);
    if (ok) *freeKB = duvad::files::freeKBFromBytes(totalFree.QuadPart);
    return ok;
}

}  // namespace

extern "C" int32_t WINAPI VolumeFreeKB(const char* path) {
    using namespace duvad::files;
    const VolumeRoot found = volumeRoot(path, systemCodePage());
    char root[kWorkCopySize];
    const char* rootOrNull = nullptr;
    switch (found.kind) {
    case RootKind::None: break;
    case RootKind::Drive:
        root[0] = path[0], root[1] = ':', root[2] = '\\', root[3] = '\0';
        rootOrNull = root;
        break;
    case RootKind::Unc:
        if (found.length >= kWorkCopySize) return 0;  // longer than any path the queries take
        std::memcpy(root, path, found.length);
        root[found.length] = '\0';
        rootOrNull = root;
        break;
    }

    int32_t freeKB = 0;
    if (extendedFreeKB(rootOrNull, &freeKB)) return freeKB;
    if (found.kind == RootKind::Unc) return int32_t(kNetworkFreeKB);
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpaceA(rootOrNull, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) return 0;
    return freeKBFromClusters(bytesPerSector, sectorsPerCluster, freeClusters);
}
