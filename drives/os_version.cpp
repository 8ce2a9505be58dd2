// ItsNT, OSType: which Windows family and version the library runs on.
#include <windows.h>

#include <cstring>

#include "include/DuVad.h"

namespace {

static_assert(sizeof(OSVERSIONINFOA) == 148, "the ANSI version record");

OSVERSIONINFOA version() {
    OSVERSIONINFOA v = {};
    v.dwOSVersionInfoSize = sizeof v;
    GetVersionExA(&v);
    return v;
}

}  // namespace

extern "C" int32_t WINAPI ItsNT() {
    const OSVERSIONINFOA v = version();
    if (v.dwPlatformId != VER_PLATFORM_WIN32_NT) return DUVAD_ITSNT_NOT_NT;
    return v.dwMajorVersion == 5 ? DUVAD_ITSNT_NT5 : DUVAD_ITSNT_NT4;
}

extern "C" int32_t WINAPI OSType(char* servicePack) {
    const OSVERSIONINFOA v = version();
    if (servicePack) {
        // The text and its zero; never more than the field's 128 bytes.
        const size_t length = strnlen(v.szCSDVersion, sizeof v.szCSDVersion - 1);
        std::memcpy(servicePack, v.szCSDVersion, length);
        servicePack[length] = '\0';
    }
    switch (v.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS: return v.dwMinorVersion == 0 ? DUVAD_OSTYPE_WIN95 : DUVAD_OSTYPE_WIN98;
    case VER_PLATFORM_WIN32_NT: return v.dwMajorVersion < 5 ? DUVAD_OSTYPE_NT4 : DUVAD_OSTYPE_NT5;
    default: return DUVAD_OSTYPE_OTHER;
    }
}
