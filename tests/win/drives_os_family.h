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
    bool nt;  // what GetVersion answers: the NT family (bit 31 clear), major and minor version
    unsigned major, minor;
};

inline constexpr Family kFamilies[] = {
    {"win95", 0, 95, "", false, 4, 0},
    {"win98", 0, 98, " A ", false, 4, 10},
    {"nt40", 4, 1000, "Service Pack 6a", true, 4, 0},
    {"win2k", 5, 2000, "Service Pack 4", true, 5, 0},
    {"win7", 4, 2000, "Service Pack 1", true, 6, 1},  // NT 6.1: ItsNT and OSType draw the line differently
};

inline const Family* family() {
    char version[32] = {};
    if (!GetEnvironmentVariableA("DUVAD_WINE_VERSION", version, sizeof version)) return nullptr;
    for (const Family& f : kFamilies)
        if (std::strcmp(f.version, version) == 0) return &f;
    ADD_FAILURE() << "no expectations for DUVAD_WINE_VERSION=" << version;
    return nullptr;
}

// Windows 95 or 98 (GetVersion's top bit), as the running program is told: what a test expects
// where those systems differ from NT (keys without security, a subkey's leading backslash).
inline bool windows9x() { return (GetVersion() & 0x80000000u) != 0; }

#define DUV_NEED_FAMILY(f)      \
    const Family* f = family(); \
    if (!f) GTEST_SKIP() << "run through the OsFamily_<version> tests, which set the version"

}  // namespace duvad::test
