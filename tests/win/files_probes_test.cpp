// The file and folder probes (IsFileReadable, IsFileErasable, IsFolderWritable) on real files,
// folders and open handles.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/win/files_support.h"
#include "tests/win/harness.h"
#include "tests/win/import_patch.h"

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

// The names the folder probe may use: "~KvCheck.tmp", then "~KvChk01.tmp" to "~KvChk15.tmp".
std::vector<std::string> probeNames() {
    std::vector<std::string> names = {"~KvCheck.tmp"};
    for (const char* n : {"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12", "13", "14", "15"})
        names.push_back(std::string("~KvChk") + n + ".tmp");
    return names;
}

// Every name the probe may use is taken by a file that is not the probe's: none of them is opened,
// changed or deleted, and no file of another name is left or removed. Nothing of the call's own
// could be made, so the answer is 0; with one name free again the probe uses it and answers 1.
TEST_F(Probe, FolderWhoseProbeNamesAreAllTakenKeepsEveryFile) {
    const std::string folder = dir_.path().substr(0, dir_.path().size() - 1);
    std::vector<std::string> before = {"data.bin"};
    for (const std::string& name : probeNames()) {
        ASSERT_TRUE(TempDir::writeFile(dir_.file(name), "kept " + name));
        before.push_back(name);
    }
    std::sort(before.begin(), before.end());
    EXPECT_EQ(VB(IsFolderWritable, folder.c_str()), 0) << "no probe of the call's own could be made";
    EXPECT_EQ(namesIn(dir_.path()), before);
    for (const std::string& name : probeNames()) EXPECT_EQ(TempDir::readFile(dir_.file(name)), "kept " + name);

    // The last name free: the probe is made and removed there, nothing else changes.
    const std::string last = probeNames().back();
    ASSERT_TRUE(DeleteFileA(dir_.file(last).c_str()));
    before.erase(std::find(before.begin(), before.end(), last));
    EXPECT_EQ(VB(IsFolderWritable, (folder + "\\").c_str()), 1);
    EXPECT_EQ(namesIn(dir_.path()), before);
    for (const std::string& name : before)
        if (name != "data.bin") EXPECT_EQ(TempDir::readFile(dir_.file(name)), "kept " + name);
}

// A system that answers "access denied" (not "exists") for a name that is taken: the probe moves on
// to its next name rather than calling the folder unwritable. A free name that is refused is the
// folder's answer.
std::string g_deniedName;    // CreateFileA answers "access denied" for a path ending in this name,
bool g_deniedOnlyWhenThere;  // when a file of the name is there, or always
std::vector<std::string> g_probed;
HANDLE WINAPI deniedByName(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD how,
                           DWORD flags, HANDLE tmpl) {
    const std::string path = name;
    const std::string last = path.substr(path.rfind('\\') + 1);
    g_probed.push_back(last);
    if (last == g_deniedName && (!g_deniedOnlyWhenThere || GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileA(name, access, share, security, how, flags, tmpl);
}

TEST_F(Probe, FolderProbeMovesOnWhenATakenNameIsAnsweredAccessDenied) {
    const std::string folder = dir_.path().substr(0, dir_.path().size() - 1);
    ImportPatch create(dll(), "kernel32.dll", "CreateFileA", reinterpret_cast<const void*>(&deniedByName));
    ASSERT_TRUE(create.active());
    ASSERT_TRUE(TempDir::writeFile(dir_.file("~KvCheck.tmp"), "the user's own"));
    g_deniedName = "~KvCheck.tmp";
    g_deniedOnlyWhenThere = true;
    g_probed.clear();
    EXPECT_EQ(VB(IsFolderWritable, folder.c_str()), 1);
    EXPECT_EQ(g_probed, (std::vector<std::string>{"~KvCheck.tmp", "~KvChk01.tmp"}));
    EXPECT_EQ(TempDir::readFile(dir_.file("~KvCheck.tmp")), "the user's own");
    EXPECT_EQ(namesIn(dir_.path()), (std::vector<std::string>{"data.bin", "~KvCheck.tmp"}));

    // "Access denied" for a name that is free: the folder refuses new files.
    g_deniedName = "~KvChk01.tmp";
    g_deniedOnlyWhenThere = false;
    g_probed.clear();
    EXPECT_EQ(VB(IsFolderWritable, folder.c_str()), 0);
    EXPECT_EQ(g_probed, (std::vector<std::string>{"~KvCheck.tmp", "~KvChk01.tmp"}));
    EXPECT_EQ(namesIn(dir_.path()), (std::vector<std::string>{"data.bin", "~KvCheck.tmp"}));
}

// A folder without write permission that holds a file of the probe name, made by the ctest entry
// FilesProbeReadOnlyFolder (tests/win/probe_folders.sh) and probed as an ordinary user, since root
// may create files in any folder.
TEST(ProbeFolders, ReadOnlyFolderHoldingTheProbeNameIsNotWritable) {
    char folder[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("DUVAD_READONLY_FOLDER", folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) GTEST_SKIP() << "made by the ctest entry FilesProbeReadOnlyFolder";
    const std::string path = folder;
    ASSERT_NE(GetFileAttributesA((path + "\\~KvCheck.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(VB(IsFolderWritable, path.c_str()), 0);
    EXPECT_EQ(VB(IsFolderWritable, (path + "\\").c_str()), 0);
    EXPECT_EQ(namesIn(path + "\\"), std::vector<std::string>{"~KvCheck.tmp"});
    // The same user's own folder is writable: the 0 above is the folder's answer.
    TempDir own("probe-own");
    EXPECT_EQ(VB(IsFolderWritable, own.path().c_str()), 1);
}

// A folder where files can be made but not removed (the ctest entry FilesProbeAppendOnlyFolder sets
// the host's append-only attribute on it): every call finds the folder writable until the probe
// names run out, and all calls together leave no more than the 16 probe names, not one file each.
TEST(ProbeFolders, FolderThatKeepsItsFilesGetsAtMostTheProbeNames) {
    char folder[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("DUVAD_APPEND_ONLY_FOLDER", folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) GTEST_SKIP() << "made by the ctest entry FilesProbeAppendOnlyFolder";
    const std::string path = std::string(folder) + "\\";
    ASSERT_TRUE(namesIn(path).empty());
    std::vector<int32_t> answers;
    for (int call = 0; call < 40; ++call) answers.push_back(VB(IsFolderWritable, folder));
    std::vector<std::string> left = namesIn(path);
    std::vector<std::string> names = probeNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(left, names) << "each probe name once, nothing else";
    EXPECT_EQ(std::count(answers.begin(), answers.begin() + 16, 1), 16);
    EXPECT_EQ(std::count(answers.begin() + 16, answers.end(), 0), 24) << "no name left to make a probe under";
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

namespace duvad::test {
namespace {

// The pipes' namespace is no folder: a neighbour serving a pipe of the probe's name must not get a
// connection (its server could then act as the caller), nor may the answer be "writable".
TEST(ProbePipes, ThePipeNamespaceIsNoFolderAndItsServerIsNotReached) {
    for (const char* folder : {"\\\\.\\pipe", "\\\\.\\pipe\\", "//./pipe", "\\\\?\\pipe\\", "\\\\.\\x\\..\\pipe"}) {
        SCOPED_TRACE(folder);
        // Any number of instances: a copy of this test running beside it (another Windows version's
        // entry) serves the same name.
        ScopedFile server(CreateNamedPipeA("\\\\.\\pipe\\~KvCheck.tmp", PIPE_ACCESS_DUPLEX, PIPE_NOWAIT,
                                           PIPE_UNLIMITED_INSTANCES, 512, 512, 0, nullptr));
        ASSERT_TRUE(server.valid());
        EXPECT_EQ(VB(IsFolderWritable, folder), 0);
        SetLastError(NO_ERROR);
        EXPECT_FALSE(ConnectNamedPipe(server.get(), nullptr));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_PIPE_LISTENING)) << "a client came and went";
    }
}

}  // namespace
}  // namespace duvad::test
