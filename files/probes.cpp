// IsFileReadable, IsFileErasable, IsFolderWritable, GetWinTempPath, VolumeFreeKB: each answer
// comes from one attempt at the real operation; nothing is cached.
#include <windows.h>

#include <cstring>

#include "files/core/names.h"
#include "files/core/volume.h"
#include "files/system_codepage.h"
#include "frame/scoped.h"
#include "include/DuVad.h"

namespace {

constexpr char kProbeName[] = "~KvCheck.tmp";
constexpr size_t kProbePathSize = 256;  // folder, backslash, probe name, terminating zero
constexpr size_t kWorkCopySize = 512;   // the volume root, terminating zero included

int32_t opens(const char* name, DWORD access, DWORD share) {
    if (!name) return 0;
    duvad::ScopedFile file(CreateFileA(name, access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid() ? 1 : 0;
}

using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

// The extended query, looked up anew on every call: the systems that lack it fall back.
bool extendedFreeKB(const char* root, int32_t* freeKB) {
    HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
    if (!kernel) return false;
    auto query = reinterpret_cast<GetDiskFreeSpaceExFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExA")));
    ULARGE_INTEGER available, total, totalFree;
    const bool ok = query && query(root, &available, &total, &totalFree);
    FreeLibrary(kernel);
    if (ok) *freeKB = duvad::files::freeKBFromBytes(totalFree.QuadPart);
    return ok;
}

}  // namespace

extern "C" int32_t WINAPI IsFileReadable(const char* name) {
    return opens(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
}

extern "C" int32_t WINAPI IsFileErasable(const char* name) {
    return opens(name, GENERIC_WRITE, 0);
}

extern "C" int32_t WINAPI IsFolderWritable(const char* folder) {
    // An empty folder names no folder; one too long for the probe path cannot be probed.
    if (!folder || !folder[0]) return 0;
    const size_t length = std::strlen(folder);
    // The last character, not the last byte, decides: in a double-byte code page a character's
    // trail byte may be 0x5C, and the folder then still needs its backslash.
    const bool slash = duvad::files::isLastBackS(folder, duvad::files::systemCodePage()) != 0;
    if (length + (slash ? 0 : 1) + sizeof kProbeName > kProbePathSize) return 0;
    char probe[kProbePathSize];
    std::memcpy(probe, folder, length);
    size_t at = length;
    if (!slash) probe[at++] = '\\';
    std::memcpy(probe + at, kProbeName, sizeof kProbeName);

    duvad::ScopedFile file(CreateFileA(probe, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return 0;
    file.reset();
    DeleteFileA(probe);
    return 1;
}

extern "C" int32_t WINAPI GetWinTempPath(char* path) {
    if (!path) return 0;
    return int32_t(GetTempPathA(128, path));
}

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
