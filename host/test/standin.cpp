// A stand-in DuVad.dll for the selftest's tests (host/test/selftest.sh): every export is forwarded
// to DuVadReal.dll, a copy of the real DLL beside it (host/CMakeLists.txt writes the .def), except
// three that call the real one and then answer wrong when DUVAD_STANDIN_FAULT names them: the
// planted faults that "duvad selftest" must report.
#include <windows.h>

#include <cstring>

#include "include/DuVad.h"

namespace {

template <typename F>
F real(const char* name) {
    static HMODULE dll = LoadLibraryA("DuVadReal.dll");
    return reinterpret_cast<F>(reinterpret_cast<void*>(dll ? GetProcAddress(dll, name) : nullptr));
}

bool planted(const char* name) {
    char fault[64] = {};
    GetEnvironmentVariableA("DUVAD_STANDIN_FAULT", fault, sizeof fault);
    return std::strcmp(fault, name) == 0;
}

}  // namespace

// The other family: 95 and 98 swap, NT 4 and NT 5 swap.
extern "C" int32_t WINAPI OSType(char* servicePack) {
    const int32_t r = real<decltype(&OSType)>("OSType")(servicePack);
    if (!planted("OSType")) return r;
    return r == 95 ? 98 : r == 98 ? 95 : r == 1000 ? 2000 : 1000;
}

// A quarter too little: what a wrong cluster or unit sum would give.
extern "C" int32_t WINAPI VolumeFreeKB(const char* path) {
    const int32_t r = real<decltype(&VolumeFreeKB)>("VolumeFreeKB")(path);
    return planted("VolumeFreeKB") ? r / 4 * 3 : r;
}

// One byte of the first track file's sector 40 (pack 11 of its stream) changed after the call.
extern "C" int32_t WINAPI PrepareVcdFiles(char* image, int32_t length, const char* sources, const char* targets) {
    const int32_t r = real<decltype(&PrepareVcdFiles)>("PrepareVcdFiles")(image, length, sources, targets);
    if (r != 1 || !planted("PrepareVcdFiles")) return r;
    const char* line2 = std::strstr(targets, "\r\n");
    const char* end = line2 ? std::strstr(line2 + 2, "\r\n") : nullptr;
    if (!end) return r;
    char track[MAX_PATH] = {};
    std::memcpy(track, line2 + 2, size_t(end - line2 - 2) < sizeof track - 1 ? size_t(end - line2 - 2) : 0);
    HANDLE f = CreateFileA(track, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return r;
    unsigned char b = 0;
    DWORD n = 0;
    const LONG at = 40 * 2336 + 8 + 100;
    SetFilePointer(f, at, nullptr, FILE_BEGIN);
    ReadFile(f, &b, 1, &n, nullptr);
    b ^= 0x01;
    SetFilePointer(f, at, nullptr, FILE_BEGIN);
    WriteFile(f, &b, 1, &n, nullptr);
    CloseHandle(f);
    return r;
}
