// VolumeFreeKB: the free space of the volume a path lies on, in kilobytes, from the extended query
// where the system has it and from the cluster counts where it does not.
#include <windows.h>

#include "files/core/volume.h"
#include "files/system_codepage.h"
#include "include/DuVad.h"

namespace {

static_assert(duvad::files::kNetworkFreeKB == DUVAD_VOLUMEFREEKB_NETWORK, "the core's network answer is the export's");

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
    if (found.kind == RootKind::TooLong) return DUVAD_VOLUMEFREEKB_UNKNOWN;  // longer than any path the queries take
    const char* rootOrNull = found.query();

    int32_t freeKB = 0;
    if (extendedFreeKB(rootOrNull, &freeKB)) return freeKB;
    if (found.kind == RootKind::Unc) return DUVAD_VOLUMEFREEKB_NETWORK;
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpaceA(rootOrNull, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        return DUVAD_VOLUMEFREEKB_UNKNOWN;
    return freeKBFromClusters(bytesPerSector, sectorsPerCluster, freeClusters);
}
