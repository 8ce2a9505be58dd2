// The file and folder probes (IsFileReadable, IsFileErasable, IsFolderWritable) on real files,
// folders and open handles.
#include <algorithm>

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

}  // namespace
}  // namespace duvad::test
