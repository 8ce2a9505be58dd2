// VolumeFreeKB on real volumes, on network and missing ones, and with the extended query steered
// to figures beyond what a 32-bit count of kilobytes holds.
#include <algorithm>

#include "tests/win/harness.h"
#include "tests/win/import_patch.h"
#include "tests/win/pe_image.h"

namespace duvad::test {
namespace {

// Free kilobytes as the system counts them; the host's results stop at 2147483647.
uint32_t systemFreeKB(const char* root) {
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExA(root, &available, &total, &free)) return 0;
    return uint32_t(std::min<uint64_t>(free.QuadPart >> 10, 2147483647));
}

// Other programs write while the test runs: the answer lies between two readings, give or take.
void expectFreeNear(const char* path, const char* root) {
    const uint32_t before = systemFreeKB(root);
    const int32_t got = VB(VolumeFreeKB, path);
    const uint32_t after = systemFreeKB(root);
    ASSERT_GT(before, 0u);
    const uint32_t slack = 256 * 1024;  // 256 MB
    EXPECT_GE(uint32_t(got) + slack, std::min(before, after)) << (path ? path : "(null)");
    EXPECT_LE(uint32_t(got), std::max(before, after) + slack) << (path ? path : "(null)");
}

TEST(VolumeFree, DrivePathsAskForTheirRoot) {
    for (const char* path : {"C:\\DATA\\IMAGE.BIN", "C:", "C:\\", "c:relative\\x"}) expectFreeNear(path, "C:\\");
    const std::string longPath = "C:\\" + std::string(700, 'p');
    expectFreeNear(longPath.c_str(), "C:\\");
    // No root: the current drive.
    for (const char* path : {static_cast<const char*>(nullptr), "", "relative\\IMAGE.BIN", "\\rooted\\x"})
        expectFreeNear(path, nullptr);
}

// Wine's Z: is the host's root, and the host's /dev/shm is another file system (tmpfs) below it:
// a path there names the drive Z:, whose root is asked, not the folder the path leads to.
TEST(VolumeFree, TheRootIsAskedNotTheFolder) {
    const uint32_t root = systemFreeKB("Z:\\"), folder = systemFreeKB("Z:\\dev\\shm\\");
    const uint32_t apart = root > folder ? root - folder : folder - root;
    if (root == 0 || folder == 0 || apart < 2 * 256 * 1024)
        GTEST_SKIP() << "Z:\\ and Z:\\dev\\shm\\ do not differ in free space here (" << root << ", " << folder
                     << " KB)";
    expectFreeNear("Z:\\dev\\shm\\IMAGE.BIN", "Z:\\");
    expectFreeNear("Z:\\dev\\shm\\", "Z:\\");
}

TEST(VolumeFree, NetworkAndMissingVolumes) {
    // The extended query fails for an unreachable share: the network value.
    EXPECT_EQ(VB(VolumeFreeKB, "\\\\SERVER\\SHARE\\DIR\\IMAGE.BIN"), 1000000000);
    EXPECT_EQ(VB(VolumeFreeKB, "\\\\SERVER"), 1000000000);
    // A drive that does not exist: both queries fail, and the answer is 0.
    EXPECT_EQ(VB(VolumeFreeKB, "Q:\\IMAGE.BIN"), 0);
    // A share path longer than any query takes.
    const std::string longUnc = "\\\\SERVER\\" + std::string(600, 's') + "\\x";
    EXPECT_EQ(VB(VolumeFreeKB, longUnc.c_str()), 0);
}

// The extended query steered: the DLL looks it up through GetProcAddress, whose import is pointed
// at a stand-in that hands out a query answering with the figures of the case.
struct FreeFigures {
    uint64_t available, total, free;
};
FreeFigures g_figures;
int g_extendedCalls;
ImportPatch* g_lookupPatch;

BOOL WINAPI figuresQuery(LPCSTR, PULARGE_INTEGER available, PULARGE_INTEGER total, PULARGE_INTEGER free) {
    ++g_extendedCalls;
    available->QuadPart = g_figures.available;
    total->QuadPart = g_figures.total;
    free->QuadPart = g_figures.free;
    return TRUE;
}

FARPROC WINAPI lookupStandIn(HMODULE module, LPCSTR name) {
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) && lstrcmpA(name, "GetDiskFreeSpaceExA") == 0)
        return reinterpret_cast<FARPROC>(&figuresQuery);
    return g_lookupPatch->original<decltype(&GetProcAddress)>()(module, name);
}

TEST(VolumeFree, TheTrueFigureCappedAtTheLargestResult) {
    ImportPatch lookup(dll(), "GetProcAddress", reinterpret_cast<void*>(&lookupStandIn));
    ASSERT_TRUE(lookup.active()) << "the DLL looks the extended query up through GetProcAddress";
    g_lookupPatch = &lookup;
    constexpr uint64_t KiB = 1024, GiB = KiB << 20, TiB = GiB << 10;
    struct Case {
        uint64_t free;
        int32_t kb;
    };
    for (const Case& c :
         {Case{1536, 1}, Case{GiB, 1048576}, Case{2147483647 * KiB + 1023, 2147483647}, Case{2 * TiB, 2147483647},
          Case{3 * TiB, 2147483647}, Case{4097 * GiB, 2147483647}, Case{~0ull, 2147483647}}) {
        // The caller's quota (available) is not the answer: the volume's total free space is.
        g_figures = {c.free / 2, c.free * 2, c.free};
        g_extendedCalls = 0;
        EXPECT_EQ(VB(VolumeFreeKB, "C:\\DATA\\IMAGE.BIN"), c.kb) << c.free << " bytes free";
        EXPECT_EQ(g_extendedCalls, 1);
    }
    g_lookupPatch = nullptr;
}

// Drives R: to V: on empty tmpfs volumes of 1 GiB, 2147483644 KiB, 2 TiB, 3 TiB and 4097 GiB, made
// by the ctest entry FilesLargeVolumes. Free space beyond 2147483647 KB is reported as that.
TEST(FilesLargeVolumes, FreeSpaceBeyondTwoTerabytesIsCapped) {
    struct Volume {
        const char* path;
        int32_t kb;
    };
    for (const Volume& v : {Volume{"R:\\IMAGE.BIN", 1048576}, Volume{"S:\\", 2147483644}, Volume{"T:", 2147483647},
                            Volume{"U:\\DATA\\IMAGE.BIN", 2147483647}, Volume{"V:\\", 2147483647}}) {
        const std::string root = std::string(v.path, 2) + "\\";
        ULARGE_INTEGER available, total, free;
        if (!GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free))
            GTEST_SKIP() << root << " is mapped only by the ctest entry FilesLargeVolumes";
        EXPECT_EQ(VB(VolumeFreeKB, v.path), v.kb) << v.path << ": the system counts " << (free.QuadPart >> 10) << " KB";
    }
}

TEST(VolumeFree, ExtendedQueryIsNotImportedStatically) {
    const PeImage pe = readPe(dll());
    bool classic = false;
    for (const std::string& name : pe.importedNames) {
        const std::string fn = name.substr(name.find('!') + 1);
        EXPECT_NE(fn, "GetDiskFreeSpaceExA") << name;
        EXPECT_NE(fn, "GetDiskFreeSpaceExW") << name;
        classic = classic || fn == "GetDiskFreeSpaceA";
    }
    EXPECT_TRUE(classic) << "the classic query is imported";
}

}  // namespace
}  // namespace duvad::test
