// A stand-in DuVad.dll for the host tool's tests: the real library (DuVadReal.dll beside it) does
// the work, but AnalyzeMpeg reports DUVAD_STANDIN_SECTORS more sectors (a signed number) than it
// found, as when a source grows or shrinks between its analysis and its conversion. So the tool
// meets a track file longer or shorter than it planned.
#include <windows.h>

#include <cstdlib>

#include "include/DuVad.h"

namespace {

HMODULE g_self;

FARPROC real(const char* name) {
    static HMODULE dll = [] {
        char path[MAX_PATH];
        const DWORD n = GetModuleFileNameA(g_self, path, MAX_PATH);
        if (!n || n >= MAX_PATH) return HMODULE(nullptr);
        char* slash = path;
        for (char* p = path; *p; ++p)
            if (*p == '\\' || *p == '/') slash = p + 1;
        lstrcpyA(slash, "DuVadReal.dll");
        return LoadLibraryA(path);
    }();
    return dll ? GetProcAddress(dll, name) : nullptr;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) g_self = instance;
    return TRUE;
}

extern "C" int32_t WINAPI AnalyzeMpeg(const char* fileName, int32_t* compliant, int32_t* width, int32_t* height,
                                      int32_t* aspect, int32_t* rate, int32_t* bitRate, int32_t* seconds,
                                      int32_t* sectors) {
    const auto fn = reinterpret_cast<decltype(&AnalyzeMpeg)>(reinterpret_cast<void*>(real("AnalyzeMpeg")));
    if (!fn) return -1;
    const int32_t r = fn(fileName, compliant, width, height, aspect, rate, bitRate, seconds, sectors);
    char delta[16];
    if (r == 1 && GetEnvironmentVariableA("DUVAD_STANDIN_SECTORS", delta, sizeof delta))
        *sectors += int32_t(std::strtol(delta, nullptr, 10));
    return r;
}

// DUVAD_STANDIN_FAIL set: fails at once as a full disk would, writing nothing.
extern "C" int32_t WINAPI PrepareVcdFiles(char* image, int32_t length, const char* sources, const char* targets) {
    char fail[4];
    if (GetEnvironmentVariableA("DUVAD_STANDIN_FAIL", fail, sizeof fail)) {
        SetLastError(ERROR_DISK_FULL);
        return -301;
    }
    const auto fn = reinterpret_cast<decltype(&PrepareVcdFiles)>(reinterpret_cast<void*>(real("PrepareVcdFiles")));
    return fn ? fn(image, length, sources, targets) : -300;
}
