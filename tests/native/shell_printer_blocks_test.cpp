// The printer blocks a host keeps (DEVMODE and DEVNAMES bytes): checked against their lengths
// before the system reads them.
#include <gtest/gtest.h>

#include <string>

#include "shell/core/printer_blocks.h"
#include "tests/native/exact_block.h"

namespace duvad::shell {
namespace {

using duvad::test::Exact;

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

// The texts the system reads up to their zero: the device name (from byte 0) always, the form name
// (from byte 70) when the public part reaches its end (102) and the field mask has DM_FORMNAME.
TEST(PrinterBlocks, DeviceModeTextsMustEndInsideTheBlock) {
    auto formBlock = [](size_t length, uint16_t size, uint32_t fields) {
        std::string b = devMode(length, size, 0);
        for (int i = 0; i < 4; ++i) b[40 + i] = char(fields >> (8 * i));
        return b;
    };
    struct Case {
        const char* what;
        std::string block;
        bool fits;
    };
    std::string endsAtItsLastByte = formBlock(102, 102, 0x10000);
    endsAtItsLastByte[101] = '\0';
    std::string endsLaterInTheBlock = formBlock(156, 156, 0x10000);
    endsLaterInTheBlock[130] = '\0';
    const Case cases[] = {
        {"form name running to the block's end", formBlock(102, 102, 0x10000), false},
        {"form name in a longer block, no zero after it", formBlock(156, 156, 0x10011), false},
        {"form name ending at the block's last byte", endsAtItsLastByte, true},
        {"form name ending further on in the block", endsLaterInTheBlock, true},
        {"form name not named by the mask", formBlock(102, 102, 0x0000FFFF), true},
        {"public part short of the form name's end", formBlock(102, 101, 0x10000), true},
    };
    for (const Case& c : cases) {
        Exact b(c.block);
        EXPECT_EQ(devModeFits(b.data.get(), b.size), c.fits) << c.what;
    }

    // A device name with no zero anywhere in the block (sizes 257 and 257, no form name).
    std::string device(514, 'A');
    device[36] = device[37] = device[38] = device[39] = '\x01';
    device[42] = '\x40';
    EXPECT_FALSE(devModeFits(Exact(device).data.get(), device.size()));
    device[513] = '\0';
    EXPECT_TRUE(devModeFits(Exact(device).data.get(), device.size()));
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
