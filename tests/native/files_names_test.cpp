// The name rules and path searches over models of a single-byte (1252/437) and a double-byte (932)
// code page.
#include "files/core/names.h"

#include <gtest/gtest.h>

#include <string>

#include "codepage_models.h"

namespace duvad::files {
namespace {

const test::Cp1252Model western;
const test::Cp932Model japanese;

// A double-byte character whose trail byte is a backslash (U+8868 in 932), and one whose trail is 'A'.
const std::string kTrail5C = "\x95\x5C";
const std::string kKanjiA = "\x88\x41";

int32_t mode0(const char* name, uint32_t flags = 0) { return checkFileName(0, flags, name, western); }

TEST(CheckFileName, ShortFileNames) {
    struct Case {
        const char* name;
        int32_t want;
    };
    for (Case c :
         {Case{"readme.txt", 0}, Case{"README", 0}, Case{"TWELVECHARS1", 0}, Case{"THIRTEENCHARS", -1},
          Case{"NINECHARS.TX", -1}, Case{"XYZ.DATA", -3}, Case{"A.B.C", 0}, Case{"A.B.CD", -3}, Case{"MY FILE.TXT", -4},
          Case{"XY-1.TXT", -4}, Case{"TILDE~1.TXT", -4}, Case{"under_sc.o_k", 0}, Case{"caf\xE9.txt", -4}, Case{"", 0},
          Case{".", 0}, Case{"EIGHTCHR.", 0}, Case{"NAME.TXT ", -3}, Case{"ABCDEFGHIJK ", -4}})
        EXPECT_EQ(mode0(c.name), c.want) << c.name;
}

TEST(CheckFileName, ShortDirectoryNamesRefuseDotsBeforeLength) {
    struct Case {
        const char* name;
        uint32_t flags;
        int32_t want;
    };
    for (Case c : {Case{"DATA", 0x10, 0}, Case{"DATA.1", 0x10, -2}, Case{"LONGDIRNAME", 0x10, -1},
                   Case{"LONGDIRNAME.X", 0x10, -2}, Case{"MY DIR", 0x10, -4}, Case{"EIGHTCHR", 0x10, 0},
                   Case{"NINECHARS", 0x10, -1}, Case{"NINECHARS", 0x20, 0}, Case{"DATA.1", 0x20, 0},
                   Case{"DATA.1", 0xFFFFFFFF, -2}})
        EXPECT_EQ(mode0(c.name, c.flags), c.want) << c.name << " flags " << c.flags;
}

TEST(CheckFileName, LengthModesCountOemBytesOrCharacters) {
    for (const CodePage* cp : {static_cast<const CodePage*>(&western), static_cast<const CodePage*>(&japanese)}) {
        EXPECT_EQ(checkFileName(1, 0, std::string(31, 'a').c_str(), *cp), 0);
        EXPECT_EQ(checkFileName(1, 0, std::string(32, 'a').c_str(), *cp), -1);
        EXPECT_EQ(checkFileName(2, 0, std::string(220, ' ').c_str(), *cp), 0);
        EXPECT_EQ(checkFileName(2, 0, std::string(221, ' ').c_str(), *cp), -1);
        for (uint32_t mode : {3u, 5u}) {
            EXPECT_EQ(checkFileName(mode, 0, std::string(110, 'x').c_str(), *cp), 0);
            EXPECT_EQ(checkFileName(mode, 0, std::string(111, 'x').c_str(), *cp), -1);
        }
        EXPECT_EQ(checkFileName(4, 0, std::string(128, '-').c_str(), *cp), 0);
        EXPECT_EQ(checkFileName(4, 0, std::string(129, '-').c_str(), *cp), -1);
        for (uint32_t mode : {6u, 0x7FFFFFFFu, 0xFFFFFFFFu})
            EXPECT_EQ(checkFileName(mode, 0x10, std::string(3000, '.').c_str(), *cp), 0) << mode;
    }
}

TEST(CheckFileName, DoubleByteCharactersCountOnceInCharacterModes) {
    std::string names;
    for (int i = 0; i < 110; ++i) names += kTrail5C;  // 220 bytes
    EXPECT_EQ(checkFileName(3, 0, names.c_str(), japanese), 0);
    EXPECT_EQ(checkFileName(5, 0, (names + "x").c_str(), japanese), -1);
    EXPECT_EQ(checkFileName(3, 0, names.c_str(), western), -1) << "220 single-byte characters";
    // A lead byte that stands last without its trail is not counted.
    EXPECT_EQ(checkFileName(3, 0, (names + "\x95").c_str(), japanese), 0);
    // Byte modes count the OEM bytes: 110 double-byte characters are 220 bytes.
    EXPECT_EQ(checkFileName(2, 0, names.c_str(), japanese), 0);
    EXPECT_EQ(checkFileName(1, 0, names.c_str(), japanese), -1);
    // Mode 0 refuses every byte above 0x7F, lead and trail alike.
    EXPECT_EQ(checkFileName(0, 0, kKanjiA.c_str(), japanese), -4);
}

TEST(CheckFileName, NamesBeyondTheWorkCopyGetTheirLengthCode) {
    for (size_t length : {511u, 512u, 513u, 4096u}) {
        SCOPED_TRACE(length);
        const std::string plain(length, 'A');
        std::string dotted = plain;
        dotted[length / 2] = '.';
        EXPECT_EQ(checkFileName(0, 0, plain.c_str(), western), -1);
        EXPECT_EQ(checkFileName(0, 0, dotted.c_str(), western), -1);
        EXPECT_EQ(checkFileName(0, 0x10, plain.c_str(), western), -1);
        EXPECT_EQ(checkFileName(0, 0x10, dotted.c_str(), western), -2);
        EXPECT_EQ(checkFileName(1, 0, plain.c_str(), japanese), -1);
        EXPECT_EQ(checkFileName(2, 0, plain.c_str(), japanese), -1);
    }
}

TEST(CheckFileName, NullNameIsTheEmptyName) {
    for (uint32_t mode = 0; mode < 8; ++mode) EXPECT_EQ(checkFileName(mode, 0x10, nullptr, japanese), 0) << mode;
}

TEST(PathSearches, BackslashesInASingleByteText) {
    const char* text = "C:\\DIR\\FILE";
    struct Case {
        int32_t start, want;
    };
    for (Case c : {Case{1, 3}, Case{4, 7}, Case{3, 3}, Case{7, 7}, Case{8, 0}, Case{0, 3}, Case{-5, 3}, Case{50, 0},
                   Case{INT32_MIN, 3}, Case{INT32_MAX, 0}})
        EXPECT_EQ(inStrBackS(c.start, text, western), c.want) << c.start;
    EXPECT_EQ(inStrBackS(1, "", western), 0);
    EXPECT_EQ(inStrBackS(1, nullptr, western), 0);

    struct Last {
        const char* text;
        int32_t want;
    };
    for (Last c :
         {Last{"C:\\", 1}, Last{"C:\\DIR", 0}, Last{"", 0}, Last{"\\\\", 1}, Last{"NOSLASH", 0}, Last{"\\", 1}})
        EXPECT_EQ(isLastBackS(c.text, western), c.want) << c.text;
    EXPECT_EQ(isLastBackS(nullptr, western), 0);
}

TEST(PathSearches, LastDot) {
    struct Case {
        const char* text;
        int32_t want;
    };
    for (Case c : {Case{"FILE.TAR.GZ", 9}, Case{"FILE", 0}, Case{".PROFILE", 1}, Case{"DIR.X\\FILE", 4}, Case{"", 0},
                   Case{"A.", 2}})
        EXPECT_EQ(inStrDot(c.text, western), c.want) << c.text;
    EXPECT_EQ(inStrDot(nullptr, japanese), 0);
}

TEST(PathSearches, TrailBytesAreNeverBackslashesOrDots) {
    // In 932: character 1 is a double-byte character whose trail is 0x5C, then "A\".
    const std::string text = kTrail5C + "A\\";
    EXPECT_EQ(inStrBackS(1, text.c_str(), japanese), 4);
    EXPECT_EQ(inStrBackS(1, text.c_str(), western), 2) << "in 1252 the second byte is a backslash";
    // The start counts characters, the result bytes: character 2 is the 'A' at byte 3.
    EXPECT_EQ(inStrBackS(2, text.c_str(), japanese), 4);
    EXPECT_EQ(inStrBackS(3, text.c_str(), japanese), 4);
    EXPECT_EQ(inStrBackS(4, text.c_str(), japanese), 0);

    EXPECT_EQ(isLastBackS(("C:\\DIR" + kTrail5C).c_str(), japanese), 0);
    EXPECT_EQ(isLastBackS(("C:\\DIR" + kTrail5C).c_str(), western), 1);
    EXPECT_EQ(isLastBackS(("C:\\" + kTrail5C + "\\").c_str(), japanese), 1);

    EXPECT_EQ(inStrDot("A.\x81.", japanese), 2) << "0x81 0x2E is one character";
    EXPECT_EQ(inStrDot("A.\x81.", western), 4);
}

TEST(PathSearches, ALeadByteBeforeTheEndStopsTheSearch) {
    EXPECT_EQ(inStrBackS(1, "AB\x95", japanese), 0);
    EXPECT_EQ(inStrBackS(1, "\\\x95", japanese), 1);
    EXPECT_EQ(isLastBackS("\\\x95", japanese), 0);
    EXPECT_EQ(inStrDot(".\x95", japanese), 1);
    EXPECT_EQ(countChars("AB\x95", japanese), 2u);
    EXPECT_EQ(countChars("AB\x95", western), 3u);
    const char* lone = "\x95";
    EXPECT_EQ(charNext(lone, japanese), lone + 1);
    EXPECT_EQ(charNext(lone + 1, japanese), lone + 1) << "the terminating zero stays";
}

// Names the system takes for a device wherever they stand: an output of that name would open a port
// or the console instead of a file.
TEST(DeviceName, ReservedNamesInAnyFolderWithAnyExtension) {
    for (const char* name : {"CON",
                             "con",
                             "PRN",
                             "AUX",
                             "NUL",
                             "Nul",
                             "COM1",
                             "com9",
                             "LPT1",
                             "lpt9",
                             "nul.txt",
                             "NUL.tar.gz",
                             "COM1:",
                             "LPT1:",
                             "con:foo",
                             "aux .bin",
                             "C:\\out\\COM1.dat",
                             "C:\\out\\sub\\lpt3.img",
                             "C:/out/nul",
                             "C:con",
                             "\\\\?\\C:\\out\\aux.dat",
                             "\\\\.\\COM2",
                             "..\\prn",
                             "relative\\Con .x",
                             "\\\\server\\share\\nul.bin",
                             "\\\\.\\C:",
                             "\\\\?\\D:",
                             "\\\\.\\PhysicalDrive0",
                             "//./PhysicalDrive0",
                             "CONIN$",
                             "conout$",
                             "Clock$",
                             "C:\\out\\CONIN$.txt",
                             "conout$ .x. ",
                             "relative\\clock$:x",
                             "\\??\\Q:",
                             "\\??\\PhysicalDrive0"})
        EXPECT_TRUE(isDeviceName(name, western)) << name;
}

TEST(DeviceName, FilesWhoseNamesOnlyLookLikeDevices) {
    for (const char* name : {"",
                             "CONS",
                             "CONSOLE.txt",
                             "NULL",
                             "COM",
                             "COM0",
                             "COM10",
                             "LPT0",
                             "LPT",
                             "xnul",
                             "nulx.txt",
                             "C:\\NUL\\a.bin",
                             "C:\\con\\t1.dat",
                             "C:\\out\\avseq01.dat",
                             "\\\\?\\C:\\out\\t1.bin",
                             "\\\\.\\C:\\out\\t1.bin",
                             "\\\\.\\",
                             "C:\\out\\",
                             "C:",
                             "c.on",
                             " con",
                             "C:\\a b\\com 1.dat",
                             "\\\\.\\pipe\\name",
                             "CONIN",
                             "CONIN$$",
                             "xconin$",
                             "CONOUT",
                             "CLOCK",
                             "clock$1.txt",
                             "C:\\conin$\\t1.bin"})
        EXPECT_FALSE(isDeviceName(name, western)) << name;
    EXPECT_FALSE(isDeviceName(nullptr, western));
}

TEST(DeviceName, DoubleByteTrailBackslashIsNoSeparator) {
    // In 932 the character 0x95 0x5C ends in a backslash byte: "X<95 5C>nul" is one component.
    const std::string inside = "C:\\out\\X" + kTrail5C + "nul.bin";
    EXPECT_TRUE(isDeviceName(inside.c_str(), western)) << "1252 reads the 0x5C as a backslash";
    EXPECT_FALSE(isDeviceName(inside.c_str(), japanese));
    const std::string device = "C:\\" + kKanjiA + "\\NUL.bin";
    EXPECT_TRUE(isDeviceName(device.c_str(), japanese));
}

// Full paths as the system resolves names: the device namespace reaches files only through a drive
// letter's folder; every other name there is a volume, a disk, a pipe or the object tree.
TEST(DevicePath, DeviceNamespaceOtherThanADrivesFolders) {
    for (const char* path :
         {"\\\\.\\Q:", "\\\\?\\Q:", "\\\\.\\q:", "//./q:", "\\\\.\\C:foo", "\\\\.\\PhysicalDrive0",
          "\\\\?\\PhysicalDrive1", "\\\\?\\GLOBALROOT\\Device\\Null", "\\\\.\\GLOBALROOT\\Device\\Harddisk0\\DR0",
          "\\\\.\\pipe\\name", "\\\\?\\Volume{12345678-1234-1234-1234-123456789012}\\t1.bin",
          "\\\\?\\UNC\\server\\share\\t1.bin", "\\\\.\\", "\\\\?\\", "\\\\.\\1:\\x", "\\\\.\\aux", "\\\\.\\CONIN$",
          "C:\\out\\nul.bin", "C:\\out\\ConOut$",
          // The system's own prefix, passed through by its name conversion.
          "\\??\\Q:", "\\??\\GLOBALROOT\\Device\\Null", "\\??\\pipe\\name", "/??/PhysicalDrive0",
          // Pipes and mailslots of a machine, this one too, by its share path.
          "\\\\localhost\\pipe\\name", "\\\\server\\PIPE", "//127.0.0.1/Pipe/x", "\\\\*\\mailslot\\x"})
        EXPECT_TRUE(isDevicePath(path, western)) << path;
}

TEST(DevicePath, FilesOfDrivesAndShares) {
    for (const char* path :
         {"C:\\out\\t1.bin", "c:\\", "\\\\?\\C:\\out\\t1.bin", "\\\\.\\C:\\out\\t1.bin", "\\\\?\\z:\\", "//?/D:/x",
          "\\\\server\\share\\t1.bin", "C:\\GLOBALROOT\\x", "C:\\conin$\\t1.bin", "\\\\.", "\\\\",
          "\\??\\C:\\out\\t1.bin", "\\\\server\\pipes\\t1.bin", "\\\\server\\share\\pipe\\t1.bin",
          "\\\\pipe\\share\\t1.bin", "\\\\server\\data\\t1.bin", "\\\\server\\archives\\t1.bin", "C:\\pipe\\t1.bin",
          "\\\\server"})
        EXPECT_FALSE(isDevicePath(path, western)) << path;
    EXPECT_FALSE(isDevicePath(nullptr, western));
}

}  // namespace
}  // namespace duvad::files
