// Name rules and path searches through the DLL, with the system's real code pages: the default
// (1252 with OEM 437) and, in the FilesDbcs suite, Japanese (932; run with LC_ALL=ja_JP.UTF-8).
#include <set>
#include <string>
#include <vector>

#include "frame/scoped.h"
#include "tests/win/harness.h"
#include "tests/win/import_patch.h"

namespace duvad::test {
namespace {

int32_t check(int32_t mode, int32_t flags, const std::string& name) {
    return VB(CheckFileName, mode, flags, name.c_str());
}

TEST(FilesNames, ShortNameRuleInTheWesternCodePages) {
    if (GetACP() != 1252) GTEST_SKIP() << "ANSI code page " << GetACP();
    struct Case {
        const char* name;
        int32_t flags, want;
    };
    for (Case c :
         {Case{"readme.txt", 0, 0}, Case{"README", 0, 0}, Case{"TWELVECHARS1", 0, 0}, Case{"THIRTEENCHARS", 0, -1},
          Case{"NINECHARS.TX", 0, -1}, Case{"XYZ.DATA", 0, -3}, Case{"A.B.C", 0, 0}, Case{"MY FILE.TXT", 0, -4},
          Case{"XY-1.TXT", 0, -4}, Case{"caf\xE9.txt", 0, -4}, Case{"\xC9T\xC9", 0x10, -4}, Case{"", 0, 0},
          Case{"DATA", 0x10, 0}, Case{"DATA.1", 0x10, -2}, Case{"LONGDIRNAME", 0x10, -1}, Case{"MY DIR", 0x10, -4},
          Case{"NINECHARS", 0x20, 0}, Case{"DATA.1", 0x20, 0}})
        EXPECT_EQ(check(0, c.flags, c.name), c.want) << c.name << " flags " << c.flags;
}

TEST(FilesNames, LengthModes) {
    struct Case {
        int32_t mode;
        size_t fits;
    };
    for (Case c : {Case{1, 31}, Case{2, 220}, Case{3, 110}, Case{4, 128}, Case{5, 110}}) {
        EXPECT_EQ(check(c.mode, 0, std::string(c.fits, 'n')), 0) << c.mode;
        EXPECT_EQ(check(c.mode, 0, std::string(c.fits + 1, 'n')), -1) << c.mode;
    }
    for (int32_t mode : {6, -1, INT32_MIN}) EXPECT_EQ(check(mode, 0x10, "any thing. at all"), 0) << mode;
}

TEST(FilesNames, NamesBeyondTheWorkCopyAreTooLong) {
    for (size_t length : {511u, 512u, 600u, 5000u}) {
        std::string dotted(length, 'A');
        dotted[3] = '.';
        for (int32_t mode : {0, 1, 2}) EXPECT_EQ(check(mode, 0, std::string(length, 'A')), -1) << mode << " " << length;
        EXPECT_EQ(check(0, 0x10, dotted), -2) << length;
        EXPECT_EQ(check(0, 0x10, std::string(length, 'A')), -1) << length;
        EXPECT_EQ(check(4, 0, dotted), -1) << length;
    }
}

TEST(FilesNames, NullTextsFindNothing) {
    const char* none = nullptr;
    EXPECT_EQ(VB(CheckFileName, 0, 0, none), 0) << "taken as the empty name";
    EXPECT_EQ(VB(InStrBackS, 1, none), 0);
    EXPECT_EQ(VB(IsLastBackS, none), 0);
    EXPECT_EQ(VB(InStrDot, none), 0);
}

TEST(FilesNames, BackslashesAndDots) {
    struct Start {
        int32_t start, want;
    };
    for (Start c : {Start{1, 3}, Start{4, 7}, Start{8, 0}, Start{0, 3}, Start{-5, 3}, Start{50, 0}})
        EXPECT_EQ(VB(InStrBackS, c.start, "C:\\DIR\\FILE"), c.want) << c.start;
    struct Text {
        const char* text;
        int32_t want;
    };
    for (Text c : {Text{"C:\\", 1}, Text{"C:\\DIR", 0}, Text{"", 0}, Text{"\\\\", 1}})
        EXPECT_EQ(VB(IsLastBackS, c.text), c.want) << c.text;
    for (Text c : {Text{"FILE.TAR.GZ", 9}, Text{"FILE", 0}, Text{".X", 1}, Text{"DIR.X\\FILE", 4}})
        EXPECT_EQ(VB(InStrDot, c.text), c.want) << c.text;
}

// ---- double-byte code page (ctest entry FilesDoubleByteCodePage) ---------------------------------

class FilesDbcs : public ::testing::Test {
protected:
    void SetUp() override {
        if (GetACP() != 932) GTEST_SKIP() << "needs ANSI code page 932 (LC_ALL=ja_JP.UTF-8), have " << GetACP();
    }
    const std::string hyo_ = "\x95\x5C";  // U+8868: its trail byte is a backslash
    const std::string kan_ = "\x8A\xBF";  // U+6F22
};

TEST_F(FilesDbcs, TrailBytesAreNotBackslashes) {
    ASSERT_TRUE(IsDBCSLeadByte(0x95));
    const std::string path = "C:\\" + hyo_ + "\\" + hyo_ + "X\\";
    EXPECT_EQ(VB(InStrBackS, 1, path.c_str()), 3);
    EXPECT_EQ(VB(InStrBackS, 4, path.c_str()), 6) << "character 4 is the double-byte one at byte 4";
    EXPECT_EQ(VB(InStrBackS, 5, path.c_str()), 6);
    EXPECT_EQ(VB(InStrBackS, 6, path.c_str()), 10) << "character 6 is the second one, its trail at byte 8";
    EXPECT_EQ(VB(InStrBackS, 8, path.c_str()), 10);
    EXPECT_EQ(VB(InStrBackS, 9, path.c_str()), 0);
    EXPECT_EQ(VB(IsLastBackS, path.c_str()), 1);
    EXPECT_EQ(VB(IsLastBackS, ("C:\\DIR\\" + hyo_).c_str()), 0);
    EXPECT_EQ(VB(InStrBackS, 1, (hyo_ + hyo_).c_str()), 0);
    EXPECT_EQ(VB(InStrDot, (hyo_ + "." + kan_).c_str()), 3);
    // A lead byte without its trail ends the search.
    EXPECT_EQ(VB(InStrBackS, 1, "AB\x95"), 0);
    EXPECT_EQ(VB(IsLastBackS, "\\\x95"), 0);
}

TEST_F(FilesDbcs, CharacterModesCountDoubleByteCharactersOnce) {
    std::string name;
    for (int i = 0; i < 110; ++i) name += (i % 2 ? hyo_ : kan_);  // 220 bytes
    EXPECT_EQ(check(3, 0, name), 0);
    EXPECT_EQ(check(5, 0, name), 0);
    EXPECT_EQ(check(3, 0, name + "x"), -1);
    EXPECT_EQ(check(5, 0, name + kan_), -1);
    EXPECT_EQ(check(3, 0, name + "\x95"), 0) << "a lead byte without a trail is not counted";
    std::string longer = name;
    for (int i = 0; i < 18; ++i) longer += kan_;  // 128 characters, 256 bytes
    EXPECT_EQ(check(4, 0, longer), 0);
    EXPECT_EQ(check(4, 0, longer + "x"), -1);
    // Byte modes count the OEM copy's bytes (the OEM code page is 932 as well).
    EXPECT_EQ(check(2, 0, name), 0);
    EXPECT_EQ(check(2, 0, name + "x"), -1);
    EXPECT_EQ(check(1, 0, name.substr(0, 30) + "x"), 0);
    EXPECT_EQ(check(1, 0, name.substr(0, 32)), -1);
    EXPECT_EQ(check(0, 0, kan_ + ".TXT"), -4);
}

// The system's conversion takes the terminating zero as the trail of a lead byte that stands last
// (the copy then ends in a two-byte character and no zero of its own). The measure must be of that
// copy, not of whatever the work buffer held before: a long name measured first leaves it full.
TEST_F(FilesDbcs, LeadByteAtTheEndOfAByteModeName) {
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(check(2, 0, std::string(300, 'n')), -1);
        EXPECT_EQ(check(1, 0, std::string(29, 'n') + "\x95"), 0) << "29 bytes and one two-byte character";
        EXPECT_EQ(check(1, 0, std::string(30, 'n') + "\x95"), -1);
        EXPECT_EQ(check(2, 0, std::string(300, 'n')), -1);
        EXPECT_EQ(check(0, 0, "AB\x95"), -4);
        EXPECT_EQ(check(0, 0x10, "ABCDEF\x95"), -4) << "8 bytes: the length fits, the character does not";
    }
}

// The names the DLL hands CreateFileA while a test watches it.
std::vector<std::string> g_createdNames;
HANDLE WINAPI notedCreateFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD how,
                              DWORD flags, HANDLE model) {
    g_createdNames.push_back(name);
    return CreateFileA(name, access, share, security, how, flags, model);
}

// A folder whose name ends in a character with the trail byte 0x5C still gets its backslash: the
// probe file goes into that folder, not beside it under a longer name.
TEST_F(FilesDbcs, FolderEndingInATrailByte5CIsProbedItself) {
    TempDir dir("dbcs");
    const std::string folder = dir.file("d" + hyo_), missing = dir.file("m" + hyo_);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr))
        << "error " << GetLastError() << ": Wine needs the ja_JP.UTF-8 locale generated (LOCPATH)";
    EXPECT_EQ(VB(IsFolderWritable, folder.c_str()), 1);
    EXPECT_EQ(VB(IsFolderWritable, (folder + "\\").c_str()), 1);
    EXPECT_EQ(VB(IsFolderWritable, missing.c_str()), 0) << "a missing folder is not writable";
    EXPECT_EQ(VB(IsFolderWritable, (missing + "\\").c_str()), 0);
    // The probe file is made in that folder, not beside it under a longer name.
    {
        ImportPatch create(dll(), "kernel32.dll", "CreateFileA", reinterpret_cast<const void*>(&notedCreateFile));
        ASSERT_TRUE(create.active());
        g_createdNames.clear();
        EXPECT_EQ(VB(IsFolderWritable, folder.c_str()), 1);
        EXPECT_EQ(g_createdNames, std::vector<std::string>{folder + "\\~KvCheck.tmp"});
    }
    // Nothing was left in the folder or beside it.
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(dir.file("*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::set<std::string> names;
    do names.insert(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(names, (std::set<std::string>{".", "..", "d" + hyo_}));
    EXPECT_EQ(VB(IsFileExisting, (folder + "\\*").c_str()), 1);
    EXPECT_EQ(VB(IsFileExisting, (folder + "\\~KvCheck.tmp").c_str()), 0);
}

}  // namespace
}  // namespace duvad::test
