// ReadFileInfo: the four parts of a file's version number, from its version resource.
#include <windows.h>

#include "files/disk_file.h"
#include "frame/scoped.h"
#include "include/DuVad.h"

namespace {

constexpr DWORD kVersionWorkSize = 10000;

}  // namespace

extern "C" int32_t WINAPI ReadFileInfo(const char* name, int32_t* major, int32_t* minor, int32_t* third,
                                       int32_t* fourth) {
    // A device's name or path (aux.dll, \\.\x\..\Q:) is never read. The name itself is handed on:
    // the version functions look a bare name up where the system looks up a library.
    char full[duvad::files::kFullPathBytes];
    if (!name || !duvad::files::resolveFileName(name, full)) return 0;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(name, &handle);
    if (size == 0) return 0;
    // The usual resource fits the work buffer; a larger one gets a buffer of its own length.
    char work[kVersionWorkSize];
    duvad::ScopedGlobal large;
    char* block = work;
    if (size > sizeof work) {
        large.reset(GlobalAlloc(GMEM_FIXED, size));  // a fixed block's handle is its address
        if (!large) return 0;
        block = static_cast<char*>(large.get());
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
