// Directory enumeration and the file and folder probes on real files, folders and open handles.
#include <algorithm>
#include <map>
#include <set>

#include "tests/win/files_support.h"
#include "tests/win/harness.h"
#include "tests/win/import_patch.h"
#include "tests/win/pe_image.h"

namespace duvad::test {
namespace {

struct Entry {
    int32_t result;
    std::string longName, shortName;
    int32_t kind, sizeKB;
};

class Find : public ::testing::Test {
protected:
    Entry first(const std::string& pattern) {
        GuardedBuffer ln(260), sn(260);
        Entry e{0, "", "", kSentinel, kSentinel};
        e.result = VB(FFirst, pattern.c_str(), ln.data(), sn.data(), &e.kind, &e.sizeKB);
        e.longName = ln.str();
        e.shortName = sn.str();
        return e;
    }
    Entry next(int32_t search) {
        GuardedBuffer ln(260), sn(260);
        Entry e{0, "", "", kSentinel, kSentinel};
        e.result = VB(FNext, search, ln.data(), sn.data(), &e.kind, &e.sizeKB);
        e.longName = ln.str();
        e.shortName = sn.str();
        return e;
    }
    // Every entry of a search, by name; the search is ended.
    std::map<std::string, Entry> all(const std::string& pattern) {
        std::map<std::string, Entry> out;
        Entry e = first(pattern);
        if (e.result == -1) return out;
        const int32_t search = e.result;
        for (; e.result != 0; e = next(search)) out[e.longName] = e;
        EXPECT_EQ(VB(FEnd, search), 1);
        return out;
    }
    TempDir dir_{"find"};
};

TEST_F(Find, EmptyFolderYieldsItselfAndItsParent) {
    Entry e = first(dir_.file("*.*"));
    ASSERT_NE(e.result, -1);
    std::set<std::string> names;
    const int32_t search = e.result;
    for (; e.result != 0; e = next(search)) {
        names.insert(e.longName);
        EXPECT_EQ(e.shortName, e.longName);
        EXPECT_EQ(e.kind, 1);
        EXPECT_EQ(e.sizeKB, 0);
    }
    EXPECT_EQ(names, (std::set<std::string>{".", ".."}));
    // After the last entry the outputs are cleared, and they stay so on the next call.
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(e.longName, "");
        EXPECT_EQ(e.shortName, "");
        EXPECT_EQ(e.kind, 0);
        EXPECT_EQ(e.sizeKB, 0);
        e = next(search);
        EXPECT_EQ(e.result, 0);
    }
    EXPECT_EQ(VB(FEnd, search), 1);
}

TEST_F(Find, SizesInStartedKilobytesAndKinds) {
    for (size_t size : {0u, 1u, 1024u, 1025u, 2048u, 100000u}) ASSERT_TRUE(TempDir::writeFile(dir_.file("f" + std::to_string(size) + ".bin"), patternBytes(size)));
    ASSERT_TRUE(CreateDirectoryA(dir_.file("sub").c_str(), nullptr));
    auto entries = all(dir_.file("*"));
    const std::map<std::string, int32_t> want = {{"f0.bin", 0}, {"f1.bin", 1}, {"f1024.bin", 1}, {"f1025.bin", 2},
                                                 {"f2048.bin", 2}, {"f100000.bin", 98}};
    for (auto& [name, kb] : want) {
        ASSERT_TRUE(entries.count(name)) << name;
        EXPECT_EQ(entries[name].sizeKB, kb) << name;
        EXPECT_EQ(entries[name].kind, 2) << name;
    }
    EXPECT_EQ(entries["sub"].kind, 1);
    EXPECT_EQ(entries["sub"].sizeKB, 0);
    EXPECT_EQ(entries.size(), want.size() + 3);  // and ".", ".."
}

TEST_F(Find, GiantFilesCountWholeUpToTheLargestResult) {
    // Sparse files: sizes from 4 GiB on, where the upper 32 bits of the size matter, and beyond
    // 2 TiB, where the kilobytes no longer fit the signed 32-bit result.
    struct Giant { const char* name; uint64_t size; int32_t kb; };
    for (const Giant& g : {Giant{"four.bin", (4ull << 30) + 10, 4194305},
                           Giant{"five.bin", 5ull << 30, 5242880},
                           Giant{"edge.bin", 2147483647ull * 1024, 2147483647},
                           Giant{"past.bin", 2147483647ull * 1024 + 1, 2147483647},
                           Giant{"three.bin", 3ull << 40, 2147483647}}) {
        SCOPED_TRACE(g.name);
        const std::string path = dir_.file(g.name);
        ASSERT_TRUE(writeSparse(path, g.size, "head"));
        Entry e = first(path);
        ASSERT_NE(e.result, -1);
        EXPECT_EQ(e.sizeKB, g.kb);
        EXPECT_EQ(e.kind, 2);
        EXPECT_EQ(VB(FEnd, e.result), 1);
        // FNext delivers the same figure as FFirst.
        auto entries = all(dir_.file("*.bin"));
        EXPECT_EQ(entries[g.name].sizeKB, g.kb);
        DeleteFileA(path.c_str());
    }
}

TEST_F(Find, ShortNamesAreTheSystemsAliasOrTheNameItself) {
    const char* names[] = {"long file name.txt", "verylongname.html", "SHORT.TXT", "lower.txt"};
    for (const char* name : names) ASSERT_TRUE(TempDir::writeFile(dir_.file(name), "x"));
    auto entries = all(dir_.file("*.*"));
    for (const char* name : names) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(entries.count(name));
        char shortPath[MAX_PATH] = {};
        ASSERT_NE(GetShortPathNameA(dir_.file(name).c_str(), shortPath, MAX_PATH), 0u);
        const std::string alias = std::string(shortPath).substr(std::string(shortPath).rfind('\\') + 1);
        EXPECT_EQ(entries[name].shortName, alias);
    }
    EXPECT_NE(entries["long file name.txt"].shortName, "long file name.txt");
    EXPECT_LE(entries["long file name.txt"].shortName.size(), 12u);
    EXPECT_EQ(entries["SHORT.TXT"].shortName, "SHORT.TXT");
    EXPECT_EQ(entries["lower.txt"].shortName, "lower.txt");
}

TEST_F(Find, LongestNamesFitTheirBuffers) {
    // As long as the ANSI path limit lets it be made here.
    const std::string name(MAX_PATH - 1 - dir_.path().size(), 'n');
    ASSERT_GT(name.size(), 200u);
    ASSERT_TRUE(TempDir::writeFile(dir_.file(name), ""));
    Entry e = first(dir_.file("nnn*"));
    ASSERT_NE(e.result, -1);
    EXPECT_EQ(e.longName, name);
    EXPECT_FALSE(e.shortName.empty());
    VB(FEnd, e.result);
}

TEST_F(Find, NothingMatchingClearsEverything) {
    for (const std::string& pattern : {dir_.file("*.none"), dir_.file("missing\\*.*"), std::string("Q:\\nowhere\\*")}) {
        Entry e = first(pattern);
        EXPECT_EQ(e.result, -1) << pattern;
        EXPECT_EQ(e.longName, "");
        EXPECT_EQ(e.shortName, "");
        EXPECT_EQ(e.kind, 0);
        EXPECT_EQ(e.sizeKB, 0);
        EXPECT_EQ(VB(IsFileExisting, pattern.c_str()), 0) << pattern;
    }
    // vbNullString: no search, outputs cleared.
    GuardedBuffer ln(260), sn(260);
    int32_t kind = kSentinel, size = kSentinel;
    EXPECT_EQ(VB(FFirst, static_cast<const char*>(nullptr), ln.data(), sn.data(), &kind, &size), -1);
    EXPECT_EQ(ln.str(), "");
    EXPECT_EQ(kind, 0);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(VB(IsFileExisting, static_cast<const char*>(nullptr)), 0);
}

TEST_F(Find, NullSizeLeavesTheRestDelivered) {
    ASSERT_TRUE(TempDir::writeFile(dir_.file("a.dat"), std::string(3000, 'a')));
    GuardedBuffer ln(260), sn(260);
    int32_t kind = kSentinel;
    const int32_t search = VB(FFirst, dir_.file("a.dat").c_str(), ln.data(), sn.data(), &kind, static_cast<int32_t*>(nullptr));
    ASSERT_NE(search, -1);
    EXPECT_EQ(ln.str(), "a.dat");
    EXPECT_EQ(sn.str(), "a.dat");
    EXPECT_EQ(kind, 2);
    EXPECT_EQ(VB(FNext, search, ln.data(), sn.data(), &kind, static_cast<int32_t*>(nullptr)), 0);
    EXPECT_EQ(kind, 0);
    EXPECT_EQ(VB(FEnd, search), 1);
}

TEST_F(Find, SeveralSearchesRunAtOnce) {
    TempDir other("find2");
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(TempDir::writeFile(dir_.file("a" + std::to_string(i)), ""));
        ASSERT_TRUE(TempDir::writeFile(other.file("b" + std::to_string(i)), ""));
    }
    Entry a = first(dir_.file("a*")), b = first(other.file("b*"));
    ASSERT_NE(a.result, -1);
    ASSERT_NE(b.result, -1);
    ASSERT_NE(a.result, b.result);
    std::set<std::string> seenA = {a.longName}, seenB = {b.longName};
    for (int i = 0; i < 4; ++i) {
        Entry x = next(a.result), y = next(b.result);
        EXPECT_EQ(x.result, 1);
        EXPECT_EQ(y.result, 1);
        seenA.insert(x.longName);
        seenB.insert(y.longName);
    }
    EXPECT_EQ(next(a.result).result, 0);
    EXPECT_EQ(VB(FEnd, a.result), 1);
    EXPECT_EQ(next(b.result).result, 0) << "ending one search leaves the other";
    EXPECT_EQ(VB(FEnd, b.result), 1);
    EXPECT_EQ(seenA, (std::set<std::string>{"a0", "a1", "a2", "a3", "a4"}));
    EXPECT_EQ(seenB, (std::set<std::string>{"b0", "b1", "b2", "b3", "b4"}));
    // FEnd answers 1 whatever the handle; FNext on an ended search finds nothing.
    EXPECT_EQ(VB(FEnd, a.result), 1);
    EXPECT_EQ(VB(FEnd, -1), 1);
    EXPECT_EQ(next(-1).result, 0);
}

TEST_F(Find, IsFileExistingForFilesFoldersAndPatterns) {
    ASSERT_TRUE(TempDir::writeFile(dir_.file("here.txt"), "x"));
    ASSERT_TRUE(CreateDirectoryA(dir_.file("folder").c_str(), nullptr));
    for (const std::string& name : {dir_.file("here.txt"), dir_.file("folder"), dir_.file("h*.t?t"), dir_.file("*")})
        EXPECT_EQ(VB(IsFileExisting, name.c_str()), 1) << name;
    // The search is closed at once: the folder can go.
    EXPECT_TRUE(RemoveDirectoryA(dir_.file("folder").c_str()));
}

// ---- probes ------------------------------------------------------------------------------------

class Probe : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(TempDir::writeFile(file_, "content")); }
    TempDir dir_{"probe"};
    std::string file_ = dir_.file("data.bin");
};

TEST_F(Probe, ReadableUnlessHeldWithoutSharing) {
    EXPECT_EQ(VB(IsFileReadable, file_.c_str()), 1);
    {
        ScopedFile writer = holdOpen(file_, GENERIC_WRITE, FILE_SHARE_READ);
        ASSERT_TRUE(writer.valid());
        EXPECT_EQ(VB(IsFileReadable, file_.c_str()), 1);
    }
    {
        ScopedFile exclusive = holdOpen(file_, GENERIC_READ, 0);
        ASSERT_TRUE(exclusive.valid());
        EXPECT_EQ(VB(IsFileReadable, file_.c_str()), 0);
    }
    EXPECT_EQ(VB(IsFileReadable, dir_.file("missing.bin").c_str()), 0);
    EXPECT_EQ(VB(IsFileReadable, dir_.path().c_str()), 0) << "a folder";
    EXPECT_EQ(VB(IsFileReadable, static_cast<const char*>(nullptr)), 0);
}

TEST_F(Probe, ErasableOnlyWhenNobodyHoldsIt) {
    EXPECT_EQ(VB(IsFileErasable, file_.c_str()), 1);
    EXPECT_EQ(TempDir::readFile(file_), "content") << "the probe changes nothing";
    for (DWORD share : {DWORD(0), DWORD(FILE_SHARE_READ), DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)}) {
        ScopedFile other = holdOpen(file_, GENERIC_READ, share);
        ASSERT_TRUE(other.valid());
        EXPECT_EQ(VB(IsFileErasable, file_.c_str()), 0) << "held with sharing " << share;
    }
    EXPECT_EQ(VB(IsFileErasable, dir_.file("missing.bin").c_str()), 0);
    EXPECT_EQ(VB(IsFileErasable, static_cast<const char*>(nullptr)), 0);
}

TEST_F(Probe, ReadOnlyFileIsNotErasable) {
    ASSERT_TRUE(SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_READONLY));
    const bool systemRefuses = !holdOpen(file_, GENERIC_WRITE, 0).valid();
    const int32_t answer = VB(IsFileErasable, file_.c_str());
    SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_NORMAL);
    // Wine running as root opens read-only files for writing (root ignores the mode bits Wine
    // sets), so the answer is only observable as an ordinary user or on Windows.
    if (!systemRefuses) GTEST_SKIP() << "this system lets the process write read-only files (Wine as root)";
    EXPECT_EQ(answer, 0);
}

TEST_F(Probe, FolderWritableWithOrWithoutBackslashLeavesNoProbe) {
    const std::string folder = dir_.path().substr(0, dir_.path().size() - 1);
    for (const std::string& path : {folder, dir_.path()}) {
        EXPECT_EQ(VB(IsFolderWritable, path.c_str()), 1) << path;
        EXPECT_EQ(GetFileAttributesA(dir_.file("~KvCheck.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
    }
    // An old probe file is overwritten and removed; one held open makes the answer 0.
    ASSERT_TRUE(TempDir::writeFile(dir_.file("~KvCheck.tmp"), "old"));
    EXPECT_EQ(VB(IsFolderWritable, folder.c_str()), 1);
    EXPECT_EQ(GetFileAttributesA(dir_.file("~KvCheck.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(TempDir::writeFile(dir_.file("~KvCheck.tmp"), "held"));
    {
        ScopedFile held = holdOpen(dir_.file("~KvCheck.tmp"), GENERIC_READ, FILE_SHARE_READ);
        EXPECT_EQ(VB(IsFolderWritable, folder.c_str()), 0);
    }
    EXPECT_EQ(TempDir::readFile(dir_.file("~KvCheck.tmp")), "held");
}

TEST_F(Probe, FolderNotWritableWhenMissingUnwritableOrUnnamed) {
    EXPECT_EQ(VB(IsFolderWritable, dir_.file("missing").c_str()), 0);
    EXPECT_EQ(VB(IsFolderWritable, dir_.file("missing\\").c_str()), 0);
    EXPECT_EQ(VB(IsFolderWritable, "Z:\\sys"), 0) << "the host's sysfs refuses new files, also to root";
    EXPECT_EQ(VB(IsFolderWritable, ""), 0);
    EXPECT_EQ(VB(IsFolderWritable, static_cast<const char*>(nullptr)), 0);
}

// The probe path holds 256 bytes: a folder of 242 bytes (243 with its backslash) is the longest.
TEST_F(Probe, FolderPathsUpToTheProbeBufferAndBeyond) {
    std::string folder = dir_.path().substr(0, dir_.path().size() - 1);
    while (folder.size() < 242) {
        folder += "\\" + std::string(std::min<size_t>(60, 242 - folder.size() - 1), 'd');
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder.size();
    }
    ASSERT_EQ(folder.size(), 242u);
    EXPECT_EQ(VB(IsFolderWritable, folder.c_str()), 1);
    EXPECT_EQ(VB(IsFolderWritable, (folder + "\\").c_str()), 1);
    // Longer paths are not probed (no path of that length can be created here anyway).
    const std::string longer = folder + "\\" + std::string(300, 'x');
    EXPECT_EQ(VB(IsFolderWritable, longer.c_str()), 0);
    EXPECT_EQ(VB(IsFolderWritable, (folder + "e").c_str()), 0);
}

TEST(TempPath, IsTheSystemsWithItsLength) {
    GuardedBuffer out(128);
    char want[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, want);
    EXPECT_EQ(VB(GetWinTempPath, out.data()), int32_t(n));
    EXPECT_EQ(out.str(), want);
    EXPECT_EQ(out.str().back(), '\\');
    EXPECT_EQ(VB(GetWinTempPath, static_cast<char*>(nullptr)), 0);
}

TEST(TempPath, TooLongForTheBufferGivesTheSizeNeeded) {
    char saved[MAX_PATH];
    const DWORD had = GetEnvironmentVariableA("TMP", saved, MAX_PATH);
    const std::string longPath = "C:\\" + std::string(150, 't') + "\\";
    SetEnvironmentVariableA("TMP", longPath.c_str());
    GuardedBuffer out(128);
    const int32_t got = VB(GetWinTempPath, out.data());
    SetEnvironmentVariableA("TMP", had ? saved : nullptr);
    EXPECT_GE(got, 154);  // the path and its terminating zero; nothing past the 128 bytes (guarded)
}

// ---- free space --------------------------------------------------------------------------------

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
        GTEST_SKIP() << "Z:\\ and Z:\\dev\\shm\\ do not differ in free space here (" << root << ", " << folder << " KB)";
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
struct FreeFigures { uint64_t available, total, free; };
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
    struct Case { uint64_t free; int32_t kb; };
    for (const Case& c : {Case{1536, 1}, Case{GiB, 1048576}, Case{2147483647 * KiB + 1023, 2147483647},
                          Case{2 * TiB, 2147483647}, Case{3 * TiB, 2147483647}, Case{4097 * GiB, 2147483647},
                          Case{~0ull, 2147483647}}) {
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
    struct Volume { const char* path; int32_t kb; };
    for (const Volume& v : {Volume{"R:\\IMAGE.BIN", 1048576}, Volume{"S:\\", 2147483644},
                            Volume{"T:", 2147483647}, Volume{"U:\\DATA\\IMAGE.BIN", 2147483647},
                            Volume{"V:\\", 2147483647}}) {
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
