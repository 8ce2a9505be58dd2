// Directory enumeration (FFirst, FNext, FEnd) and IsFileExisting on real files and folders.
#include <map>
#include <set>
#include <vector>

#include "tests/win/files_support.h"
#include "tests/win/harness.h"
#include "tests/win/import_patch.h"

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
    for (size_t size : {0u, 1u, 1024u, 1025u, 2048u, 100000u})
        ASSERT_TRUE(TempDir::writeFile(dir_.file("f" + std::to_string(size) + ".bin"), patternBytes(size)));
    ASSERT_TRUE(CreateDirectoryA(dir_.file("sub").c_str(), nullptr));
    auto entries = all(dir_.file("*"));
    const std::map<std::string, int32_t> want = {{"f0.bin", 0},    {"f1.bin", 1},    {"f1024.bin", 1},
                                                 {"f1025.bin", 2}, {"f2048.bin", 2}, {"f100000.bin", 98}};
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
    struct Giant {
        const char* name;
        uint64_t size;
        int32_t kb;
    };
    for (const Giant& g :
         {Giant{"four.bin", (4ull << 30) + 10, 4194305}, Giant{"five.bin", 5ull << 30, 5242880},
          Giant{"edge.bin", 2147483647ull * 1024, 2147483647}, Giant{"past.bin", 2147483647ull * 1024 + 1, 2147483647},
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
    const int32_t search = VB(FFirst, dir_.file("a.dat").c_str(), ln.data(), sn.data(), &kind,
                              static_cast<int32_t*>(nullptr));
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

// FFirst's -1 (nothing found), any other negative value and 0 (a Long never set) were never a
// search of this library: FNext finds nothing and FEnd answers 1 without handing the value to the
// system (FindNextFileA and FindClose would read through it as the system's own record).
std::vector<HANDLE> g_ended, g_continued;
BOOL WINAPI notedFindClose(HANDLE h) {
    g_ended.push_back(h);
    return FindClose(h);
}
BOOL WINAPI notedFindNext(HANDLE h, WIN32_FIND_DATAA* found) {
    g_continued.push_back(h);
    return FindNextFileA(h, found);
}

TEST_F(Find, ZeroAndNegativeValuesAreNoSearches) {
    ImportPatch end(dll(), "kernel32.dll", "FindClose", reinterpret_cast<const void*>(&notedFindClose));
    ImportPatch next(dll(), "kernel32.dll", "FindNextFileA", reinterpret_cast<const void*>(&notedFindNext));
    ASSERT_TRUE(end.active() && next.active());
    g_ended.clear();
    g_continued.clear();
    const Entry none = first(dir_.file("nothing*"));
    ASSERT_EQ(none.result, -1);
    for (int32_t search : {none.result, -2, INT32_MIN, 0}) {
        const Entry e = this->next(search);
        EXPECT_EQ(e.result, 0) << search;
        EXPECT_EQ(e.longName, "") << search;
        EXPECT_EQ(e.shortName, "") << search;
        EXPECT_EQ(e.kind, 0) << search;
        EXPECT_EQ(e.sizeKB, 0) << search;
        EXPECT_EQ(VB(FEnd, search), 1) << search;
    }
    EXPECT_TRUE(g_continued.empty()) << g_continued.size() << " values that are no searches went to FindNextFileA";
    EXPECT_TRUE(g_ended.empty()) << g_ended.size() << " values that are no searches went to FindClose";
    // A search it did hand out still goes through the same calls.
    ASSERT_TRUE(TempDir::writeFile(dir_.file("one"), "x"));
    const Entry one = first(dir_.file("one"));
    ASSERT_GE(one.result, 0);
    EXPECT_EQ(this->next(one.result).result, 0);
    EXPECT_EQ(VB(FEnd, one.result), 1);
    const HANDLE search = reinterpret_cast<HANDLE>(intptr_t(one.result));
    EXPECT_EQ(g_continued, std::vector<HANDLE>{search});
    EXPECT_EQ(g_ended, std::vector<HANDLE>{search});
}

TEST_F(Find, IsFileExistingForFilesFoldersAndPatterns) {
    ASSERT_TRUE(TempDir::writeFile(dir_.file("here.txt"), "x"));
    ASSERT_TRUE(CreateDirectoryA(dir_.file("folder").c_str(), nullptr));
    for (const std::string& name : {dir_.file("here.txt"), dir_.file("folder"), dir_.file("h*.t?t"), dir_.file("*")})
        EXPECT_EQ(VB(IsFileExisting, name.c_str()), 1) << name;
    // The search is closed at once: the folder can go.
    EXPECT_TRUE(RemoveDirectoryA(dir_.file("folder").c_str()));
}

}  // namespace
}  // namespace duvad::test
