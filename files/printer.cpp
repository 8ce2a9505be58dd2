// DumpFileToPrinter and ReadFileInfo: a file copied byte for byte to a parallel port, paced by the
// message pump, and the four parts of a file's version number.
#include <windows.h>

#include <memory>
#include <new>

#include "frame/scoped.h"
#include "include/DuVad.h"

namespace {

constexpr DWORD kPortBlock = 32000;       // bytes per write to the port (decimal)
constexpr int32_t kPauseBetweenBlocks = 100;  // GoEvents duration after every read
constexpr DWORD kVersionWorkSize = 10000;

}  // namespace

extern "C" int32_t WINAPI DumpFileToPrinter(const char* name, int32_t port) {
    if (!name) return 0;
    duvad::ScopedFile file(CreateFileA(name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return 0;
    char device[32];
    wsprintfA(device, "LPT%d:", int(port));
    duvad::ScopedFile printer(CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!printer.valid()) return 0;

    // A failed or short write does not stop the transfer (the blocks and their pacing stay as
    // they are), but data lost in any block makes the result 0, not only in the last one.
    int32_t result = 1;
    bool allWritten = true;
    BYTE block[kPortBlock];
    for (;;) {
        DWORD got = 0;
        const bool readOk = ReadFile(file.get(), block, kPortBlock, &got, nullptr) != FALSE;
        if (readOk && got > 0) {
            DWORD written = 0;
            if (!WriteFile(printer.get(), block, got, &written, nullptr) || written != got) allWritten = false;
        }
        GoEvents(kPauseBetweenBlocks);
        if (!readOk) {
            result = 0;
            break;
        }
        if (got == 0) break;
    }
    return allWritten ? result : 0;
}

extern "C" int32_t WINAPI ReadFileInfo(const char* name, int32_t* major, int32_t* minor, int32_t* third, int32_t* fourth) {
    if (!name) return 0;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(name, &handle);
    if (size == 0) return 0;
    // The usual resource fits the work buffer; a larger one gets a buffer of its own length.
    char work[kVersionWorkSize];
    std::unique_ptr<char[]> large;
    char* block = work;
    if (size > sizeof work) {
        large.reset(new (std::nothrow) char[size]);
        if (!large) return 0;
        block = large.get();
    }
    if (!GetFileVersionInfoA(name, handle, size, block)) return 0;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block, "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed || length < sizeof *fixed)
        return 0;
    if (major) *major = HIWORD(fixed->dwFileVersionMS);
    if (minor) *minor = LOWORD(fixed->dwFileVersionMS);
    if (third) *third = HIWORD(fixed->dwFileVersionLS);
    if (fourth) *fourth = LOWORD(fixed->dwFileVersionLS);
    return 1;
}
