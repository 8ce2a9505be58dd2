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
    if (v.dwPlatformId != VER_PLATFORM_WIN32_NT) return 0;
    return v.dwMajorVersion == 5 ? 5 : 4;
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
    case VER_PLATFORM_WIN32_WINDOWS: return v.dwMinorVersion == 0 ? 95 : 98;
    case VER_PLATFORM_WIN32_NT: return v.dwMajorVersion < 5 ? 1000 : 2000;
    default: return 0;
    }
}
