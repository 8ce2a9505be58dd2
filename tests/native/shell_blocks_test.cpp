// Blocks other programs and stored data hand the shell services: the clipboard's file-drop block
// and the printer blocks a host keeps. Each is checked whole before anything in it is read.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "shell/core/drop_list.h"
#include "shell/core/printer_blocks.h"

namespace duvad::shell {
namespace {

// A block in memory of exactly its size, so that ASan reports any read past its end.
struct Exact {
    explicit Exact(const std::string& bytes) : size(bytes.size()), data(new uint8_t[bytes.size() ? bytes.size() : 1]) {
        memcpy(data.get(), bytes.data(), bytes.size());
    }
    size_t size;
    std::unique_ptr<uint8_t[]> data;
};

std::string header(uint32_t first, uint32_t wide) {
    std::string h(kDropHeaderBytes, '\0');
    for (int i = 0; i < 4; ++i) {
        h[i] = char(first >> (8 * i));
        h[16 + i] = char(wide >> (8 * i));
    }
    return h;
}

std::string wide(const std::string& ascii) {
    std::string w;
    for (char c : ascii) w += std::string{c, '\0'};
    return w;
}

std::vector<std::string> namesOf(const Exact& b, const DropList& list) {
    std::vector<std::string> names;
    size_t at = list.first;
    DropName name;
    while (nextDropName(b.data.get(), list, &at, &name)) {
        std::string text;
        for (size_t i = 0; i < name.length; ++i) text += char(b.data[name.offset + i * (list.wide ? 2 : 1)]);
        names.push_back(text);
    }
    return names;
}

TEST(DropList, WholeListsAreReadNarrowAndWide) {
    const std::string n = std::string("C:\\a.txt") + '\0' + "D:\\Sub Folder\\b" + '\0' + '\0';
    Exact narrow(header(20, 0) + n);
    DropList list;
    ASSERT_TRUE(checkDropList(narrow.data.get(), narrow.size, &list));
    EXPECT_FALSE(list.wide);
    EXPECT_EQ(list.count, 2u);
    EXPECT_EQ(namesOf(narrow, list), (std::vector<std::string>{"C:\\a.txt", "D:\\Sub Folder\\b"}));

    // Any non-zero wide flag means wide names; the names may start past the header, at an odd
    // offset too.
    Exact w(header(23, 0x100) + "xyz" + wide(n));
    ASSERT_TRUE(checkDropList(w.data.get(), w.size, &list));
    EXPECT_TRUE(list.wide);
    EXPECT_EQ(list.first, 23u);
    EXPECT_EQ(namesOf(w, list), (std::vector<std::string>{"C:\\a.txt", "D:\\Sub Folder\\b"}));

    // An empty list is a list.
    Exact empty(header(20, 1) + std::string(2, '\0'));
    ASSERT_TRUE(checkDropList(empty.data.get(), empty.size, &list));
    EXPECT_EQ(list.count, 0u);
    EXPECT_TRUE(namesOf(empty, list).empty());
}

TEST(DropList, BlocksThatDoNotHoldTheFormAreRefused) {
    const std::string one = std::string("C:\\a") + '\0';
    const std::string cases[] = {
        "",
        std::string(19, '\0'),
        header(20, 0),                                         // no names at all
        header(26, 0) + one + '\0',                            // names that start at the block's end
        header(0x40000000, 0) + one + '\0',                    // names a gigabyte away
        header(0xFFFFFFFF, 0) + one + '\0',                    // an offset that wraps
        header(19, 0) + one + '\0',                            // names inside the header
        header(0, 0) + one + '\0',                             //
        header(20, 0) + "C:\\a",                               // no terminator
        header(20, 0) + one,                                   // no empty name
        header(20, 1) + wide("C:\\a") + std::string(2, '\0'),  // wide: no empty name
        header(20, 1) + wide("C:\\a") + std::string(3, '\0'),  // wide: half a character at the end
        header(20, 1) + "C" + std::string(2, '\0'),            // wide: a zero pair across two characters
    };
    for (const std::string& bytes : cases) {
        Exact b(bytes);
        DropList list;
        list.count = 77;
        EXPECT_FALSE(checkDropList(b.data.get(), b.size, &list)) << testing::PrintToString(bytes);
        EXPECT_EQ(list.count, 77u);
    }
    DropList list;
    EXPECT_FALSE(checkDropList(nullptr, 100, &list));
}

// ---- Printer blocks -------------------------------------------------------------------------

std::string devMode(size_t length, uint16_t size, uint16_t extra) {
    std::string b(length, '\x5A');
    b[36] = char(size), b[37] = char(size >> 8);
    b[38] = char(extra), b[39] = char(extra >> 8);
    return b;
}

TEST(PrinterBlocks, DeviceModeSizesMustStayInsideTheLength) {
    struct Case {
        size_t length;
        uint16_t size, extra;
        bool fits;
    };
    const Case cases[] = {
        {156, 156, 0, true},      // the whole public part of Windows 2000
        {156, 156, 4096, false},  // driver bytes that are not there
        {1180, 156, 1024, true},  // driver bytes that are
        {1179, 156, 1024, false},
        {124, 124, 0, true},   // the Windows 95 form
        {100, 156, 0, false},  // cut short
        {68, 68, 0, true},     // the oldest form
        {44, 44, 0, true},     // up to the field mask
        {44, 43, 0, false},    // a size that does not reach the field mask
        {200, 0, 0, false},    //
        {43, 40, 0, false},    // shorter than the field mask
        {156, 0xFFFF, 0xFFFF, false},
    };
    for (const Case& c : cases) {
        Exact b(devMode(c.length, c.size, c.extra));
        EXPECT_EQ(devModeFits(b.data.get(), b.size), c.fits) << c.length << " " << c.size << " " << c.extra;
    }
    EXPECT_FALSE(devModeFits(nullptr, 156));
}

std::string devNames(uint16_t driver, uint16_t device, uint16_t output, const std::string& text) {
    std::string b(8, '\0');
    const uint16_t w[3] = {driver, device, output};
    for (int i = 0; i < 3; ++i) b[2 * i] = char(w[i]), b[2 * i + 1] = char(w[i] >> 8);
    return b + text;
}

TEST(PrinterBlocks, NamesOffsetsMustPointAtTerminatedNames) {
    const std::string text = std::string("winspool") + '\0' + "PDF" + '\0' + "LPT1:" + '\0';
    EXPECT_TRUE(devNamesFit(Exact(devNames(8, 17, 21, text)).data.get(), 8 + text.size()));
    struct Case {
        uint16_t driver, device, output;
        size_t cut;  // bytes left off the end
    };
    const Case cases[] = {
        {0xF0, 17, 21, 0}, {8, 0xF0, 21, 0}, {8, 17, 0xF0, 0},  // outside the block
        {8, 17, 27, 0},                                         // at its very end
        {2, 17, 21, 0},                                         // inside the four words
        {8, 17, 21, 1},                                         // the last name unterminated
    };
    for (const Case& c : cases) {
        const std::string bytes = devNames(c.driver, c.device, c.output, text.substr(0, text.size() - c.cut));
        Exact b(bytes);
        EXPECT_FALSE(devNamesFit(b.data.get(), b.size)) << c.driver << " " << c.device << " " << c.output;
    }
    EXPECT_FALSE(devNamesFit(Exact(std::string(7, '\x08')).data.get(), 7));
}

}  // namespace
}  // namespace duvad::shell
