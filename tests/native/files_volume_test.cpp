// The root whose free space a path asks for, and the kilobyte arithmetic of free space and entry
// sizes.
#include "files/core/volume.h"

#include <gtest/gtest.h>

#include <string>

#include "codepage_models.h"
#include "core_printers.h"

namespace duvad::files {
namespace {

const test::Cp1252Model western;
const test::Cp932Model japanese;

TEST(VolumeRoot, DrivesUncPathsAndTheRest) {
    struct Case {
        const char* path;
        RootKind kind;
        const char* root;  // what the queries are asked for; null: the current drive
    };
    for (Case c : {Case{"C:\\DATA\\IMAGE.BIN", RootKind::Drive, "C:\\"}, Case{"C:", RootKind::Drive, "C:\\"},
                   Case{"C:\\", RootKind::Drive, "C:\\"}, Case{"d:relative", RootKind::Drive, "d:\\"},
                   Case{"\\\\SERVER\\SHARE\\DIR\\IMAGE.BIN", RootKind::Unc, "\\\\SERVER\\SHARE\\DIR\\"},
                   Case{"\\\\SERVER\\SHARE\\DIR", RootKind::Unc, "\\\\SERVER\\SHARE\\"},
                   Case{"\\\\", RootKind::Unc, "\\\\"}, Case{"", RootKind::None, nullptr},
                   Case{nullptr, RootKind::None, nullptr}, Case{"DATA\\X", RootKind::None, nullptr},
                   Case{"\\DATA\\X", RootKind::None, nullptr}, Case{"C", RootKind::None, nullptr}}) {
        const VolumeRoot root = volumeRoot(c.path, western);
        SCOPED_TRACE(c.path ? c.path : "(null)");
        EXPECT_EQ(root.kind, c.kind);
        if (c.root) {
            EXPECT_STREQ(root.query(), c.root);
        } else {
            EXPECT_EQ(root.query(), nullptr);
        }
    }
    // The last backslash character, not a trail byte.
    const std::string trail5C = "\x95\x5C";  // a double-byte character whose trail byte is a backslash
    const std::string unc = "\\\\S\\DIR\\" + trail5C;
    EXPECT_STREQ(volumeRoot(unc.c_str(), japanese).query(), "\\\\S\\DIR\\");
    EXPECT_STREQ(volumeRoot(unc.c_str(), western).query(), unc.c_str());
}

TEST(VolumeRoot, UncRootsLongerThanTheQueriesTakeAreNotAsked) {
    const std::string fits = "\\\\" + std::string(kRootBytes - 4, 's') + "\\";  // kRootBytes - 1 bytes
    const VolumeRoot longest = volumeRoot((fits + "file").c_str(), western);
    EXPECT_EQ(longest.kind, RootKind::Unc);
    EXPECT_EQ(std::string(longest.query()), fits);
    const VolumeRoot over = volumeRoot(("\\" + fits + "file").c_str(), western);
    EXPECT_EQ(over.kind, RootKind::TooLong);
    EXPECT_EQ(over.query(), nullptr);
}

TEST(FreeSpace, TrueFiguresCappedAtTheLargestResult) {
    EXPECT_EQ(freeKBFromBytes(1536), 1);
    EXPECT_EQ(freeKBFromBytes(1023), 0);
    EXPECT_EQ(freeKBFromBytes(2147483647ull * 1024 + 1023), 2147483647);
    EXPECT_EQ(freeKBFromBytes(2147483648ull * 1024), 2147483647) << "2 TiB: no longer a positive 32-bit count";
    EXPECT_EQ(freeKBFromBytes(3ull << 40), 2147483647) << "3 TiB, which wrapped to -1073741824";
    EXPECT_EQ(freeKBFromBytes(4097ull << 30), 2147483647) << "4097 GiB, which wrapped to 1048576";
    EXPECT_EQ(freeKBFromBytes(~0ull), 2147483647);
    EXPECT_EQ(freeKBFromClusters(512, 8, 1000), 4000);
    EXPECT_EQ(freeKBFromClusters(511, 8, 1000), 0);
    EXPECT_EQ(freeKBFromClusters(4096, 64, 0x007FFFFF), 2147483392) << "8 x 64 x 8388607 / 2";
    EXPECT_EQ(freeKBFromClusters(4096, 64, 0x00800000), 2147483647) << "a product of 2^32 (which wrapped to 0): capped";
    EXPECT_EQ(entryKilobytes((4ull << 30) + 10), 4194305) << "the whole size, not its low 32 bits";
    EXPECT_EQ(entryKilobytes(0xFFFFFFFFull), 4194304);
    EXPECT_EQ(entryKilobytes(2147483647ull * 1024), 2147483647);
    EXPECT_EQ(entryKilobytes(2147483647ull * 1024 + 1), 2147483647);
    EXPECT_EQ(entryKilobytes(~0ull), 2147483647);
}

}  // namespace
}  // namespace duvad::files
