// The Windows family a test program runs as: ctest starts copies of the test programs under names
// for which Wine reports Windows 95, 98, NT 4, 2000 and 7 (tests/wine-versions.reg), with
// DUVAD_WINE_VERSION naming the version. The plain test program's ctest entries leave the OsFamily
// tests out (run by hand there, they skip).
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace duvad::test {

struct Family {
    const char* version;
    int32_t itsNT;
    int32_t osType;
    const char* servicePack;
};

inline constexpr Family kFamilies[] = {
    {"win95", 0, 95, ""},
    {"win98", 0, 98, " A "},
    {"nt40", 4, 1000, "Service Pack 6a"},
    {"win2k", 5, 2000, "Service Pack 4"},
    {"win7", 4, 2000, "Service Pack 1"},  // NT 6.1: ItsNT and OSType draw the line differently
};

inline const Family* family() {
    char version[32] = {};
    if (!GetEnvironmentVariableA("DUVAD_WINE_VERSION", version, sizeof version)) return nullptr;
    for (const Family& f : kFamilies)
        if (std::strcmp(f.version, version) == 0) return &f;
    ADD_FAILURE() << "no expectations for DUVAD_WINE_VERSION=" << version;
    return nullptr;
}

#define DUV_NEED_FAMILY(f)      \
    const Family* f = family(); \
    if (!f) GTEST_SKIP() << "run through the OsFamily_<version> tests, which set the version"

}  // namespace duvad::test
