// ItsNT and OSType under each Windows version Wine reports (see drives_os_family.h).
#include "tests/win/drives_os_family.h"
#include "tests/win/harness.h"

namespace duvad::test {
namespace {

TEST(OsFamily, VersionAndServicePack) {
    DUV_NEED_FAMILY(f);
    EXPECT_EQ(VB(ItsNT), f->itsNT);
    GuardedBuffer text(128);
    EXPECT_EQ(VB(OSType, text.data()), f->osType);
    EXPECT_EQ(text.str(), f->servicePack);
    EXPECT_TRUE(text.untouchedFrom(std::strlen(f->servicePack) + 1));
    EXPECT_EQ(VB(OSType, static_cast<char*>(nullptr)), f->osType);
}

}  // namespace
}  // namespace duvad::test
