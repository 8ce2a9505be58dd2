// IsFileReadable, IsFileErasable, IsFolderWritable: each answer comes from one attempt at the real
// operation; nothing is cached.
#include <windows.h>

#include <cstring>

#include "files/core/names.h"
#include "files/disk_file.h"
#include "files/system_codepage.h"
#include "frame/scoped.h"
#include "include/DuVad.h"

namespace {

constexpr char kProbeName[] = "~KvCheck.tmp";
constexpr size_t kProbePathSize = 256;  // folder, backslash, probe name, terminating zero

// Disk files only: a device (nul.txt, a port, \\.\x\..\Q:) is neither a file to read nor one to
// erase, and is not opened on its name.
int32_t opens(const char* name, DWORD access, DWORD share) {
    duvad::ScopedFile file(duvad::files::openDiskFile(name, access, share));
    return file.valid() ? 1 : 0;
}

}  // namespace

extern "C" int32_t WINAPI IsFileReadable(const char* name) {
    return opens(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
}

extern "C" int32_t WINAPI IsFileErasable(const char* name) { return opens(name, GENERIC_WRITE, 0); }

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

    // Only a file this call creates is written and deleted: an existing file of the probe name
    // (the user's own, or a link to a file elsewhere) is never opened.
    duvad::ScopedFile file(CreateFileA(probe, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid()) {
        file.reset();
        DeleteFileA(probe);
        return 1;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS &&
        GetFileAttributesA(probe) == INVALID_FILE_ATTRIBUTES)
        return 0;
    // The name is taken: probe with a name of the folder that no file has yet. GetTempFileNameA
    // makes that file as a new one, never opening an existing file.
    probe[at] = '\0';
    char unique[MAX_PATH];
    if (!GetTempFileNameA(probe, "~Kv", 0, unique)) return 0;
    DeleteFileA(unique);
    return 1;
}
