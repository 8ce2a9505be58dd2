// GetWinTempPath: the system's folder for temporary files.
#include <windows.h>

#include "include/DuVad.h"

extern "C" int32_t WINAPI GetWinTempPath(char* path) {
    if (!path) return 0;
    return int32_t(GetTempPathA(128, path));
}
