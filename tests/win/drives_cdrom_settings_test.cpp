// DriveSetting9598 and DriveSettingNT under each Windows version Wine reports (see
// drives_os_family.h).
//
// They change shared registry places (the present-device table, HKLM Enum\SCSI, the CD-ROM service
// key), so ctest runs the copies one at a time.
#include <vector>

#include "tests/win/drives_os_family.h"
#include "tests/win/drives_registry.h"
#include "tests/win/harness.h"

namespace duvad::test {
namespace {

// ---- DriveSetting9598: the present-device table and the SCSI device keys --------------------
// A device key without write access cannot be set up here: for a program it runs as Windows 95/98,
// Wine opens and writes a key whose access list allows reading only (seen here; those systems had
// no registry security either). The NT side of that path is KeyWithoutWriteAccessRefusesBothModes.

class OsFamilyDevices : public ::testing::Test {
protected:
    void SetUp() override {
        DUV_NEED_FAMILY(f);
        family_ = f;
    }
    void TearDown() override {
        if (!family_) return;
        for (const std::string& e : entries_) deleteTree(kDynData, e);
        for (const std::string& k : {hardwareRoot_, lower_, other_}) deleteTree(HKEY_LOCAL_MACHINE, "Enum\\" + k);
        // The bus keys go only when nothing else is left in them.
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Enum\\SCSI");
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Enum\\ESDI");
    }
    bool nt() const { return family_->itsNT != 0; }

    // A present device whose hardware key is `hardware` (a SCSI one of this test when empty);
    // its device key carries `letters` unless null. Returns the device key below HKLM.
    std::string device(const char* letters, std::string hardware = {}) {
        const int n = int(entries_.size());
        char entry[64];
        wsprintfA(entry, "Config Manager\\Enum\\DUVAD%05u_%02d", GetCurrentProcessId() % 100000, n);
        entries_.push_back(entry);
        if (hardware.empty()) hardware = hardwareRoot_ + "\\" + std::to_string(n);
        EXPECT_TRUE(setText(kDynData, entry, "HardwareKey", hardware));
        const std::string key = "Enum\\" + hardware;
        if (letters) EXPECT_TRUE(setText(HKEY_LOCAL_MACHINE, key, "CurrentDriveLetterAssignment", letters));
        return key;
    }

    struct Ints {
        int32_t disconnect = kSentinel, sync = kSentinel, autoInsert = kSentinel;
        bool untouched() const { return disconnect == kSentinel && sync == kSentinel && autoInsert == kSentinel; }
    };
    int32_t call(const char* drive, int32_t mode, Ints& v) {
        return VB(DriveSetting9598, drive, mode, &v.disconnect, &v.sync, &v.autoInsert);
    }
    static std::string byte(uint8_t b) { return std::string(1, char(b)); }

    const Family* family_ = nullptr;
    std::vector<std::string> entries_;
    std::string hardwareRoot_ = "SCSI\\DUVAD_CDROM" + std::to_string(GetCurrentProcessId());
    std::string lower_ = "scsi\\DUVAD_LOWER" + std::to_string(GetCurrentProcessId());  // same key, other text
    std::string other_ = "ESDI\\DUVAD_OTHER" + std::to_string(GetCurrentProcessId());
};

TEST_F(OsFamilyDevices, ReadsStoredBytesOverPresets) {
    const std::string key = device("Q");
    Ints v;
    if (nt()) {
        ASSERT_TRUE(setValue(HKEY_LOCAL_MACHINE, key, "Disconnect", REG_BINARY, byte(0)));
        EXPECT_EQ(call("Q", 0, v), -1);
        EXPECT_TRUE(v.untouched());
        EXPECT_EQ(call("Q", 1, v), -1);
        EXPECT_TRUE(v.untouched());
        EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, key, "Disconnect").bytes, byte(0));
        EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, key, "SyncDataXfer").bytes, "<missing>");
        return;
    }
    // No settings stored: the presets.
    EXPECT_EQ(call("Q", 0, v), 1);
    EXPECT_EQ(v.disconnect, 1);
    EXPECT_EQ(v.sync, 0);
    EXPECT_EQ(v.autoInsert, 0);

    // Stored bytes replace the low byte of the presets; a 2-byte value is not read.
    ASSERT_TRUE(setValue(HKEY_LOCAL_MACHINE, key, "Disconnect", REG_BINARY, byte(0)));
    ASSERT_TRUE(setValue(HKEY_LOCAL_MACHINE, key, "SyncDataXfer", REG_BINARY, byte(1)));
    ASSERT_TRUE(setValue(HKEY_LOCAL_MACHINE, key, "AutoInsertNotification", REG_BINARY, byte(0xFF)));
    v = Ints();
    EXPECT_EQ(call("Q", 0, v), 1);
    EXPECT_EQ(v.disconnect, 0);
    EXPECT_EQ(v.sync, 1);
    EXPECT_EQ(v.autoInsert, 0xFF);
    ASSERT_TRUE(setValue(HKEY_LOCAL_MACHINE, key, "Disconnect", REG_BINARY, std::string("\0\0", 2)));
    ASSERT_TRUE(setValue(HKEY_LOCAL_MACHINE, key, "SyncDataXfer", REG_DWORD, std::string("\2\0\0\0", 4)));
    v = Ints();
    EXPECT_EQ(call("Q", 0, v), 1);
    EXPECT_EQ(v.disconnect, 1);
    EXPECT_EQ(v.sync, 0);
}

TEST_F(OsFamilyDevices, WritesTheLowByteOfEachInteger) {
    if (nt()) GTEST_SKIP() << "the NT family is refused (ReadsStoredBytesOverPresets)";
    const std::string key = device("W");
    Ints v;
    v.disconnect = 256;
    v.sync = 0x101;
    v.autoInsert = -1;
    EXPECT_EQ(call("W", 7, v), 1);
    EXPECT_EQ(v.disconnect, 256);
    for (auto [name, want] :
         {std::pair{"Disconnect", 0}, std::pair{"SyncDataXfer", 1}, std::pair{"AutoInsertNotification", 0xFF}}) {
        const Stored s = stored(HKEY_LOCAL_MACHINE, key, name);
        EXPECT_EQ(s.type, DWORD(REG_BINARY)) << name;
        EXPECT_EQ(s.bytes, byte(uint8_t(want))) << name;
    }
    Ints back;
    EXPECT_EQ(call("W", 0, back), 1);
    EXPECT_EQ(back.disconnect, 0);
    EXPECT_EQ(back.sync, 1);
    EXPECT_EQ(back.autoInsert, 0xFF);
}

TEST_F(OsFamilyDevices, OnlyScsiDevicesByTheFirstLetter) {
    if (nt()) GTEST_SKIP() << "the NT family is refused (ReadsStoredBytesOverPresets)";
    device(nullptr, "SCSI\\DUVAD_NOKEY" + std::to_string(GetCurrentProcessId()));  // no device key at all
    const std::string noLetter = device(nullptr);
    device("R", lower_);
    device("R", other_);
    device("RSTUVWXYZ");  // 10 bytes with the zero: more than the 8 read
    const std::string tu = device("TU");
    ASSERT_TRUE(setValue(HKEY_LOCAL_MACHINE, noLetter, "Disconnect", REG_BINARY, byte(5)));

    for (const char* drive : {"R", "U", "t", "", "Z"}) {
        Ints v;
        EXPECT_EQ(call(drive, 0, v), 0) << drive;
        EXPECT_TRUE(v.untouched()) << drive;
    }
    Ints v;
    EXPECT_EQ(call("T:\\", 0, v), 1);
    EXPECT_EQ(v.disconnect, 1);
    EXPECT_EQ(call(nullptr, 0, v), 0);
}

TEST_F(OsFamilyDevices, FirstMatchInEnumerationOrderOnly) {
    if (nt()) GTEST_SKIP() << "the NT family is refused (ReadsStoredBytesOverPresets)";
    const std::string a = device("S"), b = device("S");
    // Which of the two entries the table lists first.
    HKEY table;
    ASSERT_EQ(RegOpenKeyExA(kDynData, "Config Manager\\Enum", 0, KEY_READ, &table), ERROR_SUCCESS);
    std::string firstEntry;
    char name[1024];
    DWORD n = sizeof name;
    for (DWORD i = 0; RegEnumKeyExA(table, i, name, &n, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, n = sizeof name) {
        const std::string full = std::string("Config Manager\\Enum\\") + name;
        if (full == entries_[0] || full == entries_[1]) {
            firstEntry = full;
            break;
        }
    }
    RegCloseKey(table);
    const std::string& first = firstEntry == entries_[0] ? a : b;
    const std::string& second = firstEntry == entries_[0] ? b : a;

    Ints v;
    v.disconnect = v.sync = v.autoInsert = 3;
    EXPECT_EQ(call("S", 1, v), 1);
    EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, first, "Disconnect").bytes, byte(3));
    EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, second, "Disconnect").bytes, "<missing>");
}

TEST_F(OsFamilyDevices, NullIntegersAreLeftOut) {
    if (nt()) GTEST_SKIP() << "the NT family is refused (ReadsStoredBytesOverPresets)";
    const std::string key = device("N");
    int32_t sync = 0x12;
    EXPECT_EQ(
        VB(DriveSetting9598, "N", int32_t(1), static_cast<int32_t*>(nullptr), &sync, static_cast<int32_t*>(nullptr)),
        1);
    EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, key, "Disconnect").bytes, "<missing>");
    EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, key, "SyncDataXfer").bytes, byte(0x12));
    int32_t autoInsert = kSentinel;
    EXPECT_EQ(VB(DriveSetting9598, "N", int32_t(0), static_cast<int32_t*>(nullptr), static_cast<int32_t*>(nullptr),
                 &autoInsert),
              1);
    EXPECT_EQ(autoInsert, 0);
}

// ---- DriveSettingNT: the CD-ROM service key ----------------------------------------------------

constexpr char kCdrom[] = "SYSTEM\\CurrentControlSet\\Services\\Cdrom";

class OsFamilyCdrom : public ::testing::Test {
protected:
    void SetUp() override {
        DUV_NEED_FAMILY(f);
        family_ = f;
        deleteTree(HKEY_LOCAL_MACHINE, kCdrom);
    }
    void TearDown() override {
        if (!family_) return;
        locks_.release();
        deleteTree(HKEY_LOCAL_MACHINE, kCdrom);
    }
    bool nt() const { return family_->itsNT != 0; }
    const Family* family_ = nullptr;
    KeyLocks locks_;
};

TEST_F(OsFamilyCdrom, WritesOneByteAndReadsBackIntoTheLowBytes) {
    ASSERT_TRUE(setValue(HKEY_LOCAL_MACHINE, kCdrom, "Autorun", REG_DWORD, std::string("\1\0\0\0", 4)));
    int32_t autorun = kSentinel;
    if (!nt()) {
        EXPECT_EQ(VB(DriveSettingNT, int32_t(0), &autorun), -1);
        autorun = 0x95;
        EXPECT_EQ(VB(DriveSettingNT, int32_t(1), &autorun), -1);
        EXPECT_EQ(autorun, 0x95);
        EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, kCdrom, "Autorun").bytes, std::string("\1\0\0\0", 4));
        return;
    }
    EXPECT_EQ(VB(DriveSettingNT, int32_t(0), &autorun), 1);
    EXPECT_EQ(autorun, 1);  // a stored double word replaces all four bytes

    for (auto [value, want] : {std::pair{0x95, 0x95}, std::pair{0x1FF, 0xFF}}) {
        autorun = value;
        EXPECT_EQ(VB(DriveSettingNT, int32_t(-3), &autorun), 1);
        EXPECT_EQ(autorun, value);
        const Stored s = stored(HKEY_LOCAL_MACHINE, kCdrom, "Autorun");
        EXPECT_EQ(s.type, DWORD(REG_BINARY));
        EXPECT_EQ(s.bytes, std::string(1, char(want)));
    }
    // One stored byte replaces only the low byte of what the caller had.
    autorun = kSentinel;
    EXPECT_EQ(VB(DriveSettingNT, int32_t(0), &autorun), 1);
    EXPECT_EQ(uint32_t(autorun), (uint32_t(kSentinel) & 0xFFFFFF00u) | 0xFF);
    autorun = 0;
    EXPECT_EQ(VB(DriveSettingNT, int32_t(0), &autorun), 1);
    EXPECT_EQ(autorun, 0xFF);
}

TEST_F(OsFamilyCdrom, MissingOrOversizedValueLeavesTheInteger) {
    if (!nt()) GTEST_SKIP() << "outside the NT family: WritesOneByteAndReadsBackIntoTheLowBytes";
    int32_t autorun = kSentinel;
    EXPECT_EQ(VB(DriveSettingNT, int32_t(0), &autorun), 0) << "no service key";
    EXPECT_EQ(VB(DriveSettingNT, int32_t(1), &autorun), 0) << "no service key";
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kCdrom));

    ASSERT_TRUE(setValue(HKEY_LOCAL_MACHINE, kCdrom, "Other", REG_DWORD, std::string(4, '\0')));
    EXPECT_EQ(VB(DriveSettingNT, int32_t(0), &autorun), 1);
    EXPECT_EQ(autorun, kSentinel);
    ASSERT_TRUE(setValue(HKEY_LOCAL_MACHINE, kCdrom, "Autorun", REG_BINARY, std::string(8, '\1')));
    EXPECT_EQ(VB(DriveSettingNT, int32_t(0), &autorun), 1);
    EXPECT_EQ(autorun, kSentinel);
    EXPECT_EQ(VB(DriveSettingNT, int32_t(0), static_cast<int32_t*>(nullptr)), 0);
}

TEST_F(OsFamilyCdrom, KeyWithoutWriteAccessRefusesBothModes) {
    if (!nt()) GTEST_SKIP() << "outside the NT family: WritesOneByteAndReadsBackIntoTheLowBytes";
    ASSERT_TRUE(setValue(HKEY_LOCAL_MACHINE, kCdrom, "Autorun", REG_BINARY, std::string(1, '\x91')));
    ASSERT_EQ(locks_.readOnly(HKEY_LOCAL_MACHINE, kCdrom), ERROR_SUCCESS);
    int32_t autorun = kSentinel;
    EXPECT_EQ(VB(DriveSettingNT, int32_t(0), &autorun), 0);
    EXPECT_EQ(autorun, kSentinel);
    autorun = 0;
    EXPECT_EQ(VB(DriveSettingNT, int32_t(1), &autorun), 0);
    EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, kCdrom, "Autorun").bytes, std::string(1, '\x91'));
}

}  // namespace
}  // namespace duvad::test
