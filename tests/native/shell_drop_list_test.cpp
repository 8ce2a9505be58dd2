// The clipboard's file-drop block, which any program on the desktop may write: checked whole before
// anything in it is read.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "shell/core/drop_list.h"
#include "tests/native/exact_block.h"

namespace duvad::shell {
namespace {

using duvad::test::Exact;

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

}  // namespace
}  // namespace duvad::shell
