// ReadFileInfo: the four parts of a file's version number, from its version resource.
#include <windows.h>

#include "files/core/names.h"
#include "files/disk_file.h"
#include "files/system_codepage.h"
#include "frame/scoped.h"
#include "include/DuVad.h"

namespace {

constexpr DWORD kVersionWorkSize = 10000;

// A name without a folder or a drive: no backslash, slash or colon character.
bool isBareName(const char* name) {
    const duvad::files::CodePage& cp = duvad::files::systemCodePage();
    for (const char* p = name; *p; p = duvad::files::charNext(p, cp))
        if (*p == '\\' || *p == '/' || *p == ':') return false;
    return true;
}

}  // namespace

extern "C" int32_t WINAPI ReadFileInfo(const char* name, int32_t* major, int32_t* minor, int32_t* third,
                                       int32_t* fourth) {
    // A device's name or path (aux.dll, \\.\x\..\Q:) is never read. A bare name is handed on, since
    // the version functions look it up where the system looks up a library; any other name as its
    // resolved full path, which the checks decided on (the text itself may hold what resolving
    // takes out: \??\x\..\Q: names the raw device Q: to the system, a folder "??" to the checks).
    char full[duvad::files::kFullPathBytes];
    if (!name || !duvad::files::resolveFileName(name, full)) return 0;
    if (!isBareName(name)) name = full;
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
