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

// The probe file's name, and the names tried when it is taken (the user's own file, a link to a
// file elsewhere, another probe running): ~KvChk01.tmp to ~KvChk15.tmp, each as long as the first.
// A fixed few, so that a folder that lets files be made but not removed is left at most these 16
// files by all probes together, not one more by every call.
constexpr char kProbeName[] = "~KvCheck.tmp";
constexpr char kOtherProbeName[] = "~KvChk00.tmp";  // digits 6 and 7 number it
constexpr int kProbeNames = 16;
static_assert(sizeof kOtherProbeName == sizeof kProbeName);
constexpr size_t kProbePathSize = 256;  // folder, backslash, probe name, terminating zero

void probeName(int index, char* out) {
    if (index == 0) {
        std::memcpy(out, kProbeName, sizeof kProbeName);
        return;
    }
    std::memcpy(out, kOtherProbeName, sizeof kOtherProbeName);
    out[6] = char('0' + index / 10);
    out[7] = char('0' + index % 10);
}

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

    // Only a file this call creates is written and deleted: a file of a probe name that is already
    // there (the user's own, or a link to a file elsewhere) is never opened.
    // Each probe is made, looked at and deleted by its resolved full path, and never where that
    // path reaches a device: \\.\pipe is no folder, and a "probe" there connects to the pipe
    // of that name that a neighbour serves.
    char full[duvad::files::kFullPathBytes];
    for (int index = 0; index < kProbeNames; ++index) {
        probeName(index, probe + at);
        if (!duvad::files::resolveFileName(probe, full)) return 0;
        duvad::ScopedFile file(
            CreateFileA(full, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.valid()) {
            // The handle proves this call made the file under this very path, and holding it
            // without sharing keeps anyone else from renaming or replacing it; the path is
            // deleted right after the handle is closed. (Where deleting is refused, it stays.)
            file.reset();
            DeleteFileA(full);
            return 1;
        }
        // A name that is there is taken, whatever the system answers for it: most say "exists",
        // some "access denied". Any other failure on a free name is the folder's answer.
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS &&
            GetFileAttributesA(full) == INVALID_FILE_ATTRIBUTES)
            return 0;
    }
    // Every probe name is taken: no file of this call's own could be made to find out.
    return 0;
}
