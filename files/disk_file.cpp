#include "files/disk_file.h"

#include "files/core/names.h"
#include "files/system_codepage.h"

namespace duvad::files {

bool resolveFileName(const char* name, char (&full)[kFullPathBytes]) {
    const CodePage& cp = systemCodePage();
    if (isDeviceName(name, cp)) return false;
    const DWORD length = GetFullPathNameA(name, kFullPathBytes, full, nullptr);
    return length != 0 && length < kFullPathBytes && !isDevicePath(full, cp);
}

HANDLE openDiskFile(const char* name, DWORD access, DWORD share) {
    char full[kFullPathBytes];
    if (!name || !resolveFileName(name, full)) return INVALID_HANDLE_VALUE;
    const HANDLE file = CreateFileA(full, access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE && GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

}  // namespace duvad::files
