// The file and folder probes (IsFileReadable, IsFileErasable, IsFolderWritable) on real files,
// folders and open handles.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/win/files_support.h"
#include "tests/win/harness.h"

namespace duvad::test {
namespace {

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
    for (DWORD share :
         {DWORD(0), DWORD(FILE_SHARE_READ), DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)}) {
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
}

// The names in a folder, "." and ".." left out.
std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// A file of the probe name that is already there belongs to someone else: the user's own file,
// also one held open or read-only, is neither opened nor deleted, and the folder is still probed
// (under a name of its own that the probe leaves behind no more than the plain one).
TEST_F(Probe, FolderProbeLeavesAnExistingProbeNameAlone) {
    const std::string folder = dir_.path().substr(0, dir_.path().size() - 1);
    const std::string own = dir_.file("~KvCheck.tmp");
    const std::vector<std::string> before = {"data.bin", "~KvCheck.tmp"};
    ASSERT_TRUE(TempDir::writeFile(own, "the user's own"));
    for (const std::string& path : {folder, dir_.path()}) {
        EXPECT_EQ(VB(IsFolderWritable, path.c_str()), 1) << path;
        EXPECT_EQ(TempDir::readFile(own), "the user's own");
        EXPECT_EQ(namesIn(dir_.path()), before);
    }
    {
        ScopedFile held = holdOpen(own, GENERIC_READ, FILE_SHARE_READ);
        ASSERT_TRUE(held.valid());
        EXPECT_EQ(VB(IsFolderWritable, folder.c_str()), 1);
    }
    ASSERT_TRUE(SetFileAttributesA(own.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(VB(IsFolderWritable, folder.c_str()), 1);
    SetFileAttributesA(own.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(TempDir::readFile(own), "the user's own");
    EXPECT_EQ(namesIn(dir_.path()), before);

    // A hard link of the probe name to a file in another folder: that file keeps its content.
    TempDir elsewhere("probe-linked");
    const std::string linked = elsewhere.file("kept.txt");
    ASSERT_TRUE(TempDir::writeFile(linked, "linked content"));
    ASSERT_TRUE(DeleteFileA(own.c_str()));
    ASSERT_TRUE(CreateHardLinkA(own.c_str(), linked.c_str(), nullptr));
    EXPECT_EQ(VB(IsFolderWritable, folder.c_str()), 1);
    EXPECT_EQ(TempDir::readFile(linked), "linked content");
    EXPECT_EQ(TempDir::readFile(own), "linked content");
    ASSERT_TRUE(DeleteFileA(own.c_str()));
}

// Links planted from the host system (tests/win/planted_links.sh): C:\DuVadLinks\hard and
// C:\DuVadLinks\sym each hold a ~KvCheck.tmp, a hard link and a symbolic link to
// C:\DuVadLinks\target.txt; the target keeps its content and the links stay.
TEST(ProbeLinks, PlantedLinksKeepTheirTarget) {
    const std::string root = "C:\\DuVadLinks\\";
    const std::string target = root + "target.txt";
    if (GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "run through tests/win/planted_links.sh";
    const std::string content = TempDir::readFile(target);
    ASSERT_FALSE(content.empty());
    for (const char* kind : {"hard", "sym"}) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(VB(IsFolderWritable, (root + kind).c_str()), 1);
        EXPECT_EQ(TempDir::readFile(target), content);
        EXPECT_EQ(TempDir::readFile(root + kind + "\\~KvCheck.tmp"), content);
        EXPECT_EQ(namesIn(root + kind + "\\"), std::vector<std::string>{"~KvCheck.tmp"});
    }
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

}  // namespace
}  // namespace duvad::test
