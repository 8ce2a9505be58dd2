// A file's whole 64-bit size through GetFileSize, which every Windows version has
// (GetFileSizeEx does not exist before Windows 2000).
#pragma once
#include <windows.h>

#include <cstdint>

namespace duvad {

// -1 when the size cannot be read.
inline int64_t fileSize(HANDLE file) {
    DWORD high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1;
    return int64_t(uint64_t(high) << 32 | low);
}

}  // namespace duvad
