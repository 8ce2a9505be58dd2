// Sector-wise reading through the host's handle, and the comparison of two files.
#include <vector>

#include "tests/win/files_support.h"
#include "tests/win/harness.h"
#include "tests/win/import_patch.h"

namespace duvad::test {
namespace {

class Sectors : public ::testing::Test {
protected:
    std::string make(const std::string& name, size_t size) {
        const std::string path = dir_.file(name);
        EXPECT_TRUE(TempDir::writeFile(path, patternBytes(size)));
        return path;
    }
    // Reads `count` sectors into a guarded buffer of exactly that size.
    int32_t read(int32_t handle, int32_t count, int32_t* sectors, std::string* bytes = nullptr) {
        GuardedBuffer buffer(size_t(count) * 2048 + (count == 0 ? 1 : 0));
        *sectors = kSentinel;
        const int32_t result = VB(ReadFileInSectors, handle, buffer.data(), count, sectors);
        if (bytes) bytes->assign(buffer.data(), size_t(count) * 2048);
        if (count == 0) EXPECT_TRUE(buffer.untouchedFrom(0)) << "a count of 0 writes nothing";
        return result;
    }
    TempDir dir_{"sectors"};
};

TEST_F(Sectors, EmptyFileHasNoSectorsAndReadsZeros) {
    const std::string path = make("empty.iso", 0);
    int32_t count = kSentinel, got;
    const int32_t h = VB(OpenFileInSectors, path.c_str(), &count);
    ASSERT_GE(h, 0);
    EXPECT_EQ(count, 0);
    std::string bytes;
    EXPECT_EQ(read(h, 4, &got, &bytes), 1);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(bytes, std::string(4 * 2048, '\0'));
    EXPECT_EQ(VB(CloseFileInSectors, h), 1);
}

TEST_F(Sectors, PartialSectorIsDeliveredButNotCounted) {
    const std::string path = make("odd.iso", 3072), content = patternBytes(3072);
    int32_t count = kSentinel, got;
    int32_t h = VB(OpenFileInSectors, path.c_str(), &count);
    ASSERT_GE(h, 0);
    EXPECT_EQ(count, 1);
    std::string bytes;
    EXPECT_EQ(read(h, 2, &got, &bytes), 1);
    EXPECT_EQ(got, 1);
    EXPECT_EQ(bytes, content + std::string(1024, '\0'));
    EXPECT_EQ(VB(CloseFileInSectors, h), 1);

    h = VB(OpenFileInSectors, path.c_str(), static_cast<int32_t*>(nullptr));
    ASSERT_GE(h, 0);
    EXPECT_EQ(read(h, 1, &got, &bytes), 1);
    EXPECT_EQ(got, 1);
    EXPECT_EQ(bytes, content.substr(0, 2048));
    EXPECT_EQ(read(h, 1, &got, &bytes), 1);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(bytes, content.substr(2048) + std::string(1024, '\0'));
    EXPECT_EQ(VB(CloseFileInSectors, h), 1);
}

TEST_F(Sectors, ReadsContinueWhereTheLastEnded) {
    const std::string path = make("four.iso", 4096), content = patternBytes(4096);
    int32_t count, got;
    const int32_t h = VB(OpenFileInSectors, path.c_str(), &count);
    ASSERT_GE(h, 0);
    EXPECT_EQ(count, 2);
    std::string bytes;
    EXPECT_EQ(read(h, 0, &got), 1);
    EXPECT_EQ(got, 0);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(read(h, 1, &got, &bytes), 1);
        EXPECT_EQ(got, 1);
        EXPECT_EQ(bytes, content.substr(size_t(i) * 2048, 2048));
    }
    EXPECT_EQ(read(h, 1, &got, &bytes), 1);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(bytes, std::string(2048, '\0'));
    // Null sectors-read pointer.
    GuardedBuffer buffer(2048);
    EXPECT_EQ(VB(ReadFileInSectors, h, buffer.data(), 1, static_cast<int32_t*>(nullptr)), 1);
    EXPECT_EQ(VB(CloseFileInSectors, h), 1);
}

TEST_F(Sectors, SizesOffTheKilobyteAreRefusedAndClosedAgain) {
    for (size_t size : {2000u, 1u, 1023u, 1025u}) {
        const std::string path = make("odd" + std::to_string(size), size);
        int32_t count = kSentinel;
        EXPECT_EQ(VB(OpenFileInSectors, path.c_str(), &count), -2) << size;
        EXPECT_EQ(count, kSentinel);
        EXPECT_TRUE(isFree(path)) << "closed again";
    }
}

TEST_F(Sectors, OpeningSharesNothing) {
    const std::string path = make("busy.iso", 2048);
    int32_t count = kSentinel;
    for (DWORD share : {DWORD(0), DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE)}) {
        ScopedFile other = holdOpen(path, GENERIC_READ, share);
        ASSERT_TRUE(other.valid());
        EXPECT_EQ(VB(OpenFileInSectors, path.c_str(), &count), -1) << share;
        EXPECT_EQ(count, kSentinel);
    }
    EXPECT_EQ(VB(OpenFileInSectors, dir_.file("missing.iso").c_str(), &count), -1);
    EXPECT_EQ(VB(OpenFileInSectors, static_cast<const char*>(nullptr), &count), -1);
    EXPECT_EQ(count, kSentinel);

    const int32_t h = VB(OpenFileInSectors, path.c_str(), &count);
    ASSERT_GE(h, 0);
    EXPECT_FALSE(holdOpen(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE).valid());
    EXPECT_EQ(VB(IsFileReadable, path.c_str()), 0);
    EXPECT_EQ(VB(MatchFiles, path.c_str(), path.c_str()), -4);
    EXPECT_EQ(VB(CloseFileInSectors, h), 1);
    EXPECT_TRUE(isFree(path));
}

TEST_F(Sectors, SeveralFilesAtOnceAndClosedHandles) {
    const std::string a = make("a.iso", 4096), b = make("b.iso", 6144);
    int32_t na, nb, got;
    const int32_t ha = VB(OpenFileInSectors, a.c_str(), &na), hb = VB(OpenFileInSectors, b.c_str(), &nb);
    ASSERT_GE(ha, 0);
    ASSERT_GE(hb, 0);
    EXPECT_EQ(na, 2);
    EXPECT_EQ(nb, 3);
    std::string bytes;
    EXPECT_EQ(read(hb, 2, &got, &bytes), 1);
    EXPECT_EQ(bytes, patternBytes(4096));
    EXPECT_EQ(read(ha, 1, &got, &bytes), 1);
    EXPECT_EQ(bytes, patternBytes(2048));
    EXPECT_EQ(read(hb, 2, &got, &bytes), 1);
    EXPECT_EQ(got, 1);
    EXPECT_EQ(VB(CloseFileInSectors, ha), 1);
    EXPECT_EQ(VB(CloseFileInSectors, ha), -1) << "second close";
    EXPECT_EQ(read(ha, 1, &got, &bytes), -1);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(bytes, std::string(2048, '\0')) << "a failed read leaves the request zeroed";
    EXPECT_EQ(VB(CloseFileInSectors, hb), 1);
}

// The usual VB6 clean-up closes whatever OpenFileInSectors returned, its failure codes too. The
// system would take -1 and -2 for the process and thread pseudo-handles and call the close done;
// no negative value, nor 0 (a Long never set), ever was a handle of this library: none reaches the
// system.
std::vector<HANDLE> g_closed, g_read;
BOOL WINAPI notedCloseHandle(HANDLE h) {
    g_closed.push_back(h);
    return CloseHandle(h);
}
BOOL WINAPI notedReadFile(HANDLE h, void* into, DWORD n, DWORD* got, OVERLAPPED* o) {
    g_read.push_back(h);
    return ReadFile(h, into, n, got, o);
}

TEST_F(Sectors, FailureCodesZeroAndNegativeValuesAreNoHandles) {
    ImportPatch closing(dll(), "kernel32.dll", "CloseHandle", reinterpret_cast<const void*>(&notedCloseHandle));
    ImportPatch reading(dll(), "kernel32.dll", "ReadFile", reinterpret_cast<const void*>(&notedReadFile));
    ASSERT_TRUE(closing.active() && reading.active());
    g_closed.clear();
    g_read.clear();
    const std::string missing = dir_.file("missing.iso"), odd = make("odd.iso", 2000);
    int32_t count = kSentinel, got;
    ASSERT_EQ(VB(OpenFileInSectors, missing.c_str(), &count), -1);
    ASSERT_EQ(VB(OpenFileInSectors, odd.c_str(), &count), -2);
    EXPECT_EQ(count, kSentinel);
    g_closed.clear();  // the refused open closed its own file
    for (int32_t h : {-1, -2, -3, INT32_MIN, 0}) {
        EXPECT_EQ(VB(CloseFileInSectors, h), -1) << h;
        std::string bytes;
        EXPECT_EQ(read(h, 1, &got, &bytes), -1) << h;
        EXPECT_EQ(got, 0) << h;
        EXPECT_EQ(bytes, std::string(2048, '\0')) << "a refused read leaves the request zeroed, " << h;
    }
    EXPECT_TRUE(g_closed.empty()) << g_closed.size() << " values that are no handles went to CloseHandle";
    EXPECT_TRUE(g_read.empty()) << g_read.size() << " values that are no handles went to ReadFile";
    // A handle it did hand out still goes through the same calls.
    const std::string whole = make("whole.iso", 2048);
    const int32_t h = VB(OpenFileInSectors, whole.c_str(), &count);
    ASSERT_GE(h, 0);
    EXPECT_EQ(read(h, 1, &got), 1);
    EXPECT_EQ(got, 1);
    EXPECT_EQ(VB(CloseFileInSectors, h), 1);
    EXPECT_EQ(g_read, std::vector<HANDLE>{reinterpret_cast<HANDLE>(intptr_t(h))});
    EXPECT_EQ(g_closed, std::vector<HANDLE>{reinterpret_cast<HANDLE>(intptr_t(h))});
}

TEST_F(Sectors, RequestsBeyondOneReadAreRefusedUntouched) {
    const std::string path = make("r.iso", 2048);
    int32_t count;
    const int32_t h = VB(OpenFileInSectors, path.c_str(), &count);
    ASSERT_GE(h, 0);
    GuardedBuffer small(16);
    for (int32_t bad : {-1, INT32_MIN, 2097152, INT32_MAX}) {
        int32_t got = kSentinel;
        EXPECT_EQ(VB(ReadFileInSectors, h, small.data(), bad, &got), -1) << bad;
        EXPECT_EQ(got, 0);
        EXPECT_TRUE(small.untouchedFrom(0));
    }
    int32_t got;
    std::string bytes;
    EXPECT_EQ(read(h, 1, &got, &bytes), 1) << "the position did not move";
    EXPECT_EQ(bytes, patternBytes(2048));
    EXPECT_EQ(VB(CloseFileInSectors, h), 1);
}

TEST_F(Sectors, GiantFileCountsItsSectorsIn64Bits) {
    const std::string path = dir_.file("giant.iso");
    ASSERT_TRUE(writeSparse(path, (4ull << 30) + 2048, "CD001"));
    int32_t count = kSentinel;
    const int32_t h = VB(OpenFileInSectors, path.c_str(), &count);
    ASSERT_GE(h, 0);
    EXPECT_EQ(count, 2097153);
    EXPECT_EQ(VB(CloseFileInSectors, h), 1);
    DeleteFileA(path.c_str());
}

// ---- comparison --------------------------------------------------------------------------------

class Match : public ::testing::Test {
protected:
    std::string make(const std::string& name, std::string bytes) {
        const std::string path = dir_.file(name);
        EXPECT_TRUE(TempDir::writeFile(path, bytes));
        return path;
    }
    int32_t match(const std::string& a, const std::string& b) { return VB(MatchFiles, a.c_str(), b.c_str()); }
    TempDir dir_{"match"};
};

TEST_F(Match, IdenticalFiles) {
    const std::string e1 = make("e1", ""), e2 = make("e2", ""), a = make("a", patternBytes(250000)),
                      b = make("b", patternBytes(250000));
    EXPECT_EQ(match(e1, e2), 0);
    EXPECT_EQ(match(a, b), 0);
    EXPECT_EQ(match(a, a), 0) << "the same name twice";
    // Other readers and writers are tolerated.
    ScopedFile writer = holdOpen(a, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(writer.valid());
    EXPECT_EQ(match(a, b), 0);
}

TEST_F(Match, FirstDifferenceAcrossBlocks) {
    struct Case {
        size_t size, at;
        int32_t want;
    };
    for (Case c : {Case{1, 0, 1}, Case{100000, 0, 1}, Case{100000, 99999, 100000}, Case{100001, 100000, 100001},
                   Case{250000, 200000, 200001}, Case{250000, 199999, 200000}, Case{250000, 249999, 250000}}) {
        std::string other = patternBytes(c.size);
        other[c.at] = char(other[c.at] ^ 0x01);
        const std::string a = make("a", patternBytes(c.size)), b = make("b", other);
        EXPECT_EQ(match(a, b), c.want) << c.size << " at " << c.at;
        EXPECT_EQ(match(b, a), c.want);
    }
}

TEST_F(Match, SizesDifferWithoutComparing) {
    const std::string a = make("a", patternBytes(5000)), longer = make("l", patternBytes(5001)), empty = make("e", "");
    EXPECT_EQ(match(a, longer), -3);
    EXPECT_EQ(match(longer, a), -3);
    EXPECT_EQ(match(empty, a), -3);
}

TEST_F(Match, SizesAreComparedWhole) {
    // Same first ten bytes and the same low 32 bits of the size: 10 bytes against 4 GiB + 10.
    const std::string head = patternBytes(10);
    const std::string small = make("small", head), giant = dir_.file("giant");
    ASSERT_TRUE(writeSparse(giant, (4ull << 30) + 10, head));
    EXPECT_EQ(match(small, giant), -3);
    EXPECT_EQ(match(giant, small), -3);
    DeleteFileA(giant.c_str());
}

TEST_F(Match, MissingFilesAreClosedAgainAtOnce) {
    const std::string a = make("a", "abc"), missing = dir_.file("missing");
    EXPECT_EQ(match(a, missing), -5);
    EXPECT_TRUE(DeleteFileA(a.c_str())) << "the first file was closed";
    const std::string b = make("b", "abc");
    EXPECT_EQ(match(missing, b), -4);
    EXPECT_EQ(match(missing, missing), -4);
    EXPECT_EQ(VB(MatchFiles, static_cast<const char*>(nullptr), b.c_str()), -4);
    EXPECT_EQ(VB(MatchFiles, b.c_str(), static_cast<const char*>(nullptr)), -5);
    EXPECT_TRUE(isFree(b));
    // A file held without sharing cannot be opened.
    ScopedFile held = holdOpen(b, GENERIC_READ, 0);
    EXPECT_EQ(match(b, b), -4);
}

TEST_F(Match, FoldersDoNotOpenAsFiles) {
    const std::string a = make("a", "");
    const std::string folder = dir_.path().substr(0, dir_.path().size() - 1);
    EXPECT_EQ(match(folder, a), -4);
    EXPECT_EQ(match(a, folder), -5);
}

}  // namespace
}  // namespace duvad::test
