// The shell's text building: clipboard file lists, the Open dialog's filter list, multiple
// selections, printer names blocks.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "codepage_models.h"
#include "shell/core/text_lists.h"
#include "tests/native/exact_block.h"

namespace duvad::shell {
namespace {

const files::test::Cp1252Model western;
const files::test::Cp932Model japanese;

TEST(FileListText, NamesEndInCrLfAndStopBeforeTheBound) {
    std::vector<char> list(kFileListBytes + 16, '#');
    list[0] = '\0';
    size_t length = 0;
    EXPECT_TRUE(appendFileListName(list.data(), &length, "C:\\a.txt"));
    EXPECT_TRUE(appendFileListName(list.data(), &length, "C:\\b"));
    EXPECT_STREQ(list.data(), "C:\\a.txt\r\nC:\\b\r\n");
    EXPECT_EQ(length, 16u);

    // The bound counts the text so far and the name, not the separators: a name that brings the
    // text to exactly 4095 fits and the whole list then takes 4098 bytes with its terminator.
    std::string fill(4095 - length, 'x');
    EXPECT_TRUE(appendFileListName(list.data(), &length, fill.c_str()));
    EXPECT_EQ(length, 4097u);
    EXPECT_EQ(list[4097], '\0');
    EXPECT_EQ(list[4098], '#');
    EXPECT_FALSE(appendFileListName(list.data(), &length, "y"));
    EXPECT_EQ(length, 4097u);
    EXPECT_EQ(list[4097], '\0');
}

// A name with CR or LF would split its line, the second part naming another file; a last lead byte
// without its trail would take the CR after it as its trail and join the next line.
TEST(FileListText, NamesThatAreNotOneLineAreTold) {
    for (const char* name : {"C:\\a.txt", "", "C:\\\x95\x5C\\a.txt", "C:\\\x83\x66"})
        EXPECT_TRUE(fitsOneLine(name, japanese)) << name;
    for (const char* name :
         {"C:\\a\r\nC:\\b.txt", "C:\\a\rb", "C:\\a\nb", "\n", "C:\\a\r", "C:\\\x81", "C:\\\x95\x5C\x81", "\xE0"})
        EXPECT_FALSE(fitsOneLine(name, japanese)) << name;
    // In a single-byte code page those bytes are characters of their own.
    EXPECT_TRUE(fitsOneLine("C:\\\x81", western));
    EXPECT_FALSE(fitsOneLine("C:\\\x81\r", western));
}

// Names left out take the room of their lines (at most 255 characters and CR LF): a written name
// then fits against what remains, and once no one-character name can fit the loop is told to end.
TEST(FileListText, NamesLeftOutCountAgainstTheBound) {
    size_t leftOut = 0;
    EXPECT_TRUE(leaveOutFileListName(0, &leftOut, 10));
    EXPECT_EQ(leftOut, 12u);
    EXPECT_TRUE(leaveOutFileListName(0, &leftOut, 100000));
    EXPECT_EQ(leftOut, 12u + 257u) << "a name counts no more than the 255 characters its area holds";

    // 4095 = 16 text + 4077 left out + 2: one character more still fits, then nothing.
    std::vector<char> list(kFileListBytes + 16, '#');
    list[0] = '\0';
    size_t length = 0;
    ASSERT_TRUE(appendFileListName(list.data(), &length, "C:\\a.txt"));
    ASSERT_TRUE(appendFileListName(list.data(), &length, "C:\\b"));
    ASSERT_EQ(length, 16u);
    leftOut = 4077 - 257;
    EXPECT_TRUE(leaveOutFileListName(length, &leftOut, 255));
    EXPECT_EQ(length + leftOut, 4093u);
    EXPECT_FALSE(appendFileListName(list.data(), &length, "xyz", kFileListBound - leftOut));
    EXPECT_TRUE(appendFileListName(list.data(), &length, "xy", kFileListBound - leftOut));
    EXPECT_EQ(std::string(list.data()), "C:\\a.txt\r\nC:\\b\r\nxy\r\n");
    // 4095 reached by a name left out: nothing more can fit.
    leftOut = 0;
    EXPECT_TRUE(leaveOutFileListName(4000, &leftOut, 92));
    EXPECT_FALSE(leaveOutFileListName(4000, &leftOut, 1));
    leftOut = 0;
    EXPECT_FALSE(leaveOutFileListName(4000, &leftOut, 93));

    // A block of names that are all left out: one-character names are looked at 1365 times at most.
    leftOut = 0;
    size_t looked = 1;
    while (leaveOutFileListName(0, &leftOut, 1)) ++looked;
    EXPECT_EQ(looked, 1365u);
}

// The host's argument: filter text, terminator, two skipped characters, extension, terminator.
std::string filterArg(const std::string& text, const std::string& ext) { return text + '\0' + "*." + ext + '\0'; }

std::vector<std::string> split(const char (&list)[kFilterListBytes]) {
    std::vector<std::string> out;
    for (const char* p = list; *p; p += strlen(p) + 1) out.push_back(p);
    return out;
}

TEST(FilterList, BarsBecomeTerminatorsAndTheExtensionFollows) {
    char list[kFilterListBytes];
    char ext[kDefaultExtBytes];
    std::string arg = filterArg("Text files (*.txt)|*.txt|All files|*.*|", "txt");
    ASSERT_TRUE(buildFilterList(arg.c_str(), list, ext));
    EXPECT_EQ(split(list), (std::vector<std::string>{"Text files (*.txt)", "*.txt", "All files", "*.*"}));
    EXPECT_STREQ(ext, "txt");
    // The last bar may be missing; the list is closed by an empty string all the same.
    arg = filterArg("Pictures|*.bmp;*.gif", "");
    ASSERT_TRUE(buildFilterList(arg.c_str(), list, ext));
    EXPECT_EQ(split(list), (std::vector<std::string>{"Pictures", "*.bmp;*.gif"}));
    EXPECT_STREQ(ext, "");
    EXPECT_EQ(list[strlen("Pictures|*.bmp;*.gif") + 1], '\0');
}

TEST(FilterList, LongTextKeepsWholePairsAndLongExtensionIsRefused) {
    char list[kFilterListBytes];
    char ext[kDefaultExtBytes];
    // 254 characters exactly are taken as they stand.
    std::string pair = "D|" + std::string(251, 'p') + "|";
    ASSERT_EQ(pair.size(), 254u);
    ASSERT_TRUE(buildFilterList(filterArg(pair, "abc").c_str(), list, ext));
    EXPECT_EQ(split(list).size(), 2u);
    EXPECT_EQ(list[254], '\0');
    EXPECT_EQ(list[255], '\0');

    // Over 254: the pairs that fit whole stay, the pair cut by the bound goes.
    std::string text;
    for (int i = 0; i < 30; ++i) text += "Type " + std::to_string(i) + "|*.t" + std::to_string(i) + "|";
    ASSERT_GT(text.size(), 254u);
    ASSERT_TRUE(buildFilterList(filterArg(text, "t0").c_str(), list, ext));
    std::vector<std::string> kept = split(list);
    ASSERT_EQ(kept.size() % 2, 0u);
    ASSERT_GE(kept.size(), 2u);
    EXPECT_EQ(kept.back(), "*.t" + std::to_string(kept.size() / 2 - 1));
    EXPECT_STREQ(ext, "t0");

    // A first pair longer than the list, or an extension of 8 characters: refused.
    EXPECT_FALSE(buildFilterList(filterArg(std::string(300, 'd') + "|*.x|", "x").c_str(), list, ext));
    EXPECT_TRUE(buildFilterList(filterArg("A|*.*|", "1234567").c_str(), list, ext));
    EXPECT_STREQ(ext, "1234567");
    EXPECT_FALSE(buildFilterList(filterArg("A|*.*|", "12345678").c_str(), list, ext));
}

// The filter argument in a heap block of exactly its bytes: a read past them is an ASan finding.
struct ExactBytes {
    explicit ExactBytes(const std::string& bytes) : p(new char[bytes.size()]) {
        memcpy(p.get(), bytes.data(), bytes.size());
    }
    std::unique_ptr<char[]> p;
};

TEST(FilterList, ShortTailsEndTheArgumentAndNothingPastThemIsRead) {
    char list[kFilterListBytes];
    char ext[kDefaultExtBytes];
    const std::string text = "Text|*.txt|";
    struct Case {
        std::string tail;
        bool ok;
        const char* ext;
    };
    const Case cases[] = {
        {std::string(2, '\0'), true, ""},      // a VB6 string's two zero bytes, nothing after
        {std::string("\0*\0", 3), true, ""},   // the zero is the second skipped character
        {std::string("\0*.\0", 4), true, ""},  // the skipped characters, then an empty extension
        {std::string("\0*.txt\0", 7), true, "txt"},
        {std::string("\0*.1234567\0", 11), true, "1234567"},
        {std::string("\0*.12345678", 11), false, nullptr},  // 8 characters and no zero: refused, not measured on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tail.size());
        ExactBytes arg(text + c.tail);
        ASSERT_EQ(buildFilterList(arg.p.get(), list, ext), c.ok);
        if (!c.ok) continue;
        EXPECT_STREQ(ext, c.ext);
        EXPECT_EQ(split(list), (std::vector<std::string>{"Text", "*.txt"}));
    }
}

TEST(FilterList, TextOf255EndingInABarFitsAndEveryWholePairThatFitsIsKept) {
    char list[kFilterListBytes];
    char ext[kDefaultExtBytes];
    // 255 characters whose last is the final bar: its zero closes the list in byte 255.
    const std::string whole = "D|" + std::string(252, 'p') + "|";
    ASSERT_EQ(whole.size(), 255u);
    ASSERT_TRUE(buildFilterList(ExactBytes(whole + std::string(2, '\0')).p.get(), list, ext));
    EXPECT_EQ(split(list), (std::vector<std::string>{"D", std::string(252, 'p')}));
    // The same pair followed by more: the second pair ends with character 255 and still fits.
    const std::string first = "A|*.a|";
    const std::string second = "B|" + std::string(255 - first.size() - 3, 'q') + "|";
    ASSERT_EQ(first.size() + second.size(), 255u);
    ASSERT_TRUE(buildFilterList(ExactBytes(first + second + "C|*.c|" + std::string(2, '\0')).p.get(), list, ext));
    EXPECT_EQ(split(list).size(), 4u);
    // 255 characters without the final bar need 257 bytes: the one pair does not fit.
    EXPECT_FALSE(buildFilterList(ExactBytes("D|" + std::string(253, 'p') + std::string(2, '\0')).p.get(), list, ext));
}

std::string listOf(const std::string& area, size_t offset, int32_t* count, const files::CodePage& cp = western,
                   size_t outSize = 20000) {
    std::unique_ptr<char[]> out(new char[outSize]);  // exactly outSize: ASan sees a write past it
    memset(out.get(), '#', outSize);
    *count = writeSelectionList(area.data(), area.size(), offset, cp, out.get(), outSize);
    const size_t n = strnlen(out.get(), outSize);
    EXPECT_LT(n, outSize) << "not terminated inside the buffer";
    return std::string(out.get(), n);
}

TEST(Selection, OneOrSeveralFilesInAFolderOrARoot) {
    int32_t count = 0;
    // One file: the full path, the byte before the name offset is its backslash.
    std::string one = std::string("C:\\Data\\a.txt") + '\0' + '\0';
    EXPECT_EQ(listOf(one, 8, &count), "C:\\Data\\a.txt\r\n");
    EXPECT_EQ(count, 1);
    // Several in a folder: folder, zero byte, names, empty name.
    std::string several = std::string("C:\\Data") + '\0' + "a.txt" + '\0' + "b.txt" + '\0' + '\0';
    EXPECT_EQ(listOf(several, 8, &count), "C:\\Data\\a.txt\r\nC:\\Data\\b.txt\r\n");
    EXPECT_EQ(count, 2);
    // In a root the folder already ends in a backslash: no doubled one.
    std::string root = std::string("C:\\") + '\0' + "a.txt" + '\0' + "b.txt" + '\0' + "c" + '\0' + '\0';
    EXPECT_EQ(listOf(root, 4, &count), "C:\\a.txt\r\nC:\\b.txt\r\nC:\\c\r\n");
    EXPECT_EQ(count, 3);
    // A folder longer than any fixed area is joined as well.
    std::string deep(600, 'd');
    std::string far = "C:\\" + deep + '\0' + "x" + '\0' + '\0';
    EXPECT_EQ(listOf(far, deep.size() + 4, &count), "C:\\" + deep + "\\x\r\n");
    EXPECT_EQ(count, 1);
}

// The folder's last character decides, not its last byte: in 932, U+8868 is 0x95 0x5C.
TEST(Selection, FolderEndingInADoubleByteCharacterWithTrailByte5CGetsItsBackslash) {
    int32_t count = 0;
    const std::string folder = "C:\\\x95\x5C";
    const std::string area = folder + '\0' + "a" + '\0' + "b" + '\0' + '\0';
    EXPECT_EQ(listOf(area, folder.size() + 1, &count, japanese), "C:\\\x95\x5C\\a\r\nC:\\\x95\x5C\\b\r\n");
    EXPECT_EQ(count, 2);
    // In 1252 the same bytes are two characters, the last a backslash.
    EXPECT_EQ(listOf(area, folder.size() + 1, &count, western),
              "C:\\\x95\x5C"
              "a\r\nC:\\\x95\x5C"
              "b\r\n");
    // A real backslash after the double-byte character is not doubled; nor is a root's.
    const std::string ending = "C:\\\x95\x5C\\";
    const std::string area2 = ending + '\0' + "a" + '\0' + '\0';
    EXPECT_EQ(listOf(area2, ending.size() + 1, &count, japanese), ending + "a\r\n");
    const std::string root = std::string("C:\\") + '\0' + "a" + '\0' + '\0';
    EXPECT_EQ(listOf(root, 4, &count, japanese), "C:\\a\r\n");
}

// The folder repeats for every name: the list keeps the whole paths that fit its buffer.
TEST(Selection, ListKeepsTheWholePathsThatFitItsBuffer) {
    const std::string folder = "C:\\" + std::string(179, 'f');  // 182 characters
    std::string area = folder + '\0';
    for (int i = 0; i < 60; ++i) area += "file" + std::to_string(10 + i) + ".txt" + '\0';  // 10 characters each
    area += '\0';
    int32_t count = 0;
    // Each path takes 182 + 1 + 10 + 2 = 195 bytes; 51 of them and the terminator take 9946 bytes,
    // 52 would take 10141.
    std::string list = listOf(area, folder.size() + 1, &count, western, 10000);
    EXPECT_EQ(count, 51);
    EXPECT_EQ(list.size(), 9945u);
    EXPECT_EQ(list.substr(list.size() - 13), "\\file60.txt\r\n");
    // A buffer of exactly two paths and the terminator holds both; one byte less only the first.
    listOf(area, folder.size() + 1, &count, western, 2 * 195 + 1);
    EXPECT_EQ(count, 2);
    list = listOf(area, folder.size() + 1, &count, western, 2 * 195);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(list.size(), 195u);
    // A single path that does not fit: nothing, the empty text.
    const std::string one = "C:\\" + std::string(50, 'x') + '\0' + '\0';
    EXPECT_EQ(listOf(one, 3, &count, western, 55), "");
    EXPECT_EQ(count, 0);
    EXPECT_EQ(listOf(one, 3, &count, western, 56), "C:\\" + std::string(50, 'x') + "\r\n");
    EXPECT_EQ(count, 1);
}

TEST(Selection, MalformedAreaGivesNothing) {
    int32_t count = -1;
    std::string noTerminator(20, 'a');
    EXPECT_EQ(listOf(noTerminator, 5, &count), "");
    EXPECT_EQ(count, 0);
    std::string one = std::string("C:\\a") + '\0';
    EXPECT_EQ(listOf(one, 0, &count), "");
    EXPECT_EQ(listOf(one, 99, &count), "");
    // A last name not terminated inside the area is dropped.
    std::string cut = std::string("C:\\D") + '\0' + "a" + '\0' + "bbbb";
    EXPECT_EQ(listOf(cut, 5, &count), "C:\\D\\a\r\n");
    EXPECT_EQ(count, 1);
}

std::vector<uint8_t> devNames(const std::string& driver, const std::string& device, const std::string& port) {
    std::vector<uint8_t> b(8);
    auto word = [&b](size_t at, size_t v) {
        b[at] = uint8_t(v);
        b[at + 1] = uint8_t(v >> 8);
    };
    word(0, b.size());
    b.insert(b.end(), driver.begin(), driver.end());
    b.push_back(0);
    word(2, b.size());
    b.insert(b.end(), device.begin(), device.end());
    b.push_back(0);
    word(4, b.size());
    b.insert(b.end(), port.begin(), port.end());
    b.push_back(0);
    return b;
}

TEST(DevNamesBlock, NamesAtTheirOffsetsAndBadBlocksGiveEmptyNames) {
    std::vector<uint8_t> b = devNames("wineps.drv", "LabPDF", "CUPS:LabPDF");
    char name[kDevNameBytes];
    EXPECT_TRUE(readDevName(b.data(), b.size(), DevName::Driver, name));
    EXPECT_STREQ(name, "wineps.drv");
    EXPECT_TRUE(readDevName(b.data(), b.size(), DevName::Device, name));
    EXPECT_STREQ(name, "LabPDF");
    EXPECT_TRUE(readDevName(b.data(), b.size(), DevName::Output, name));
    EXPECT_STREQ(name, "CUPS:LabPDF");

    EXPECT_FALSE(readDevName(b.data(), 6, DevName::Driver, name));  // shorter than its header
    // Blocks shorter than the four words, each of exactly its size: no word is read past the end.
    for (size_t size = 0; size < 8; ++size) {
        for (DevName which : {DevName::Driver, DevName::Device, DevName::Output}) {
            test::Exact cut(std::string(reinterpret_cast<const char*>(b.data()), size));
            EXPECT_FALSE(readDevName(cut.data.get(), size, which, name)) << size;
        }
    }
    EXPECT_STREQ(name, "");
    EXPECT_FALSE(readDevName(b.data(), b.size() - 1, DevName::Output, name));  // last name unterminated
    b[2] = 0xFF;                                                               // device offset outside the block
    EXPECT_FALSE(readDevName(b.data(), b.size(), DevName::Device, name));
    // An offset into the four words reads the words themselves as a name: "\x08" or the flag
    // word and beyond. None of them is taken, 8 (the first byte past them) is.
    for (uint8_t inside = 0; inside < 8; ++inside) {
        std::vector<uint8_t> h = devNames("wineps.drv", "LabPDF", "CUPS:LabPDF");
        h[6] = 'x';
        h[0] = inside;
        EXPECT_FALSE(readDevName(h.data(), h.size(), DevName::Driver, name)) << int(inside);
        EXPECT_STREQ(name, "");
    }
    std::vector<uint8_t> first = devNames("", "LabPDF", "CUPS:LabPDF");
    EXPECT_TRUE(readDevName(first.data(), first.size(), DevName::Driver, name));
    EXPECT_STREQ(name, "");
    // A name of 256 characters does not fit the 256-byte area with its terminator; 255 does.
    for (size_t n : {255u, 256u}) {
        std::vector<uint8_t> big = devNames(std::string(n, 'z'), "d", "p");
        EXPECT_EQ(readDevName(big.data(), big.size(), DevName::Driver, name), n == 255) << n;
        EXPECT_EQ(strlen(name), n == 255 ? 255u : 0u);
    }
}

}  // namespace
}  // namespace duvad::shell
