// ReadRegBlock and WriteRegBlock on real keys under HKEY_CURRENT_USER (a scratch key of this
// process, deleted before and after).
#include <cstring>
#include <vector>

#include "tests/win/drives_os_family.h"
#include "tests/win/drives_registry.h"
#include "tests/win/harness.h"

namespace duvad::test {
namespace {

class RegBlock : public ::testing::Test {
protected:
    void SetUp() override { deleteTree(HKEY_CURRENT_USER, root_); }
    void TearDown() override {
        locks_.release();
        deleteTree(HKEY_CURRENT_USER, root_);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\DuVadTests");  // when no other process uses it
    }
    std::string key(const char* sub = "Blocks") const { return root_ + "\\" + sub; }

    std::string root_ = "Software\\DuVadTests\\Blocks" + std::to_string(GetCurrentProcessId());
    KeyLocks locks_;
};

std::vector<uint8_t> pattern(size_t n, unsigned seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = uint8_t((i * 2654435761u + seed) >> 13);
    return v;
}

TEST_F(RegBlock, RoundTripsUpToAHundredThousandBytes) {
    for (size_t n : {size_t(0), size_t(1), size_t(4), size_t(4097), size_t(99999), size_t(100000)}) {
        SCOPED_TRACE(n);
        const std::vector<uint8_t> data = pattern(n, unsigned(n));
        GuardedBuffer in(n);
        std::copy(data.begin(), data.end(), in.bytes());
        EXPECT_EQ(VB(WriteRegBlock, key().c_str(), "Block", static_cast<const void*>(in.data()), int32_t(n)), 1);
        const Stored s = stored(HKEY_CURRENT_USER, key(), "Block");
        EXPECT_EQ(s.type, DWORD(REG_BINARY));
        EXPECT_EQ(s.bytes, std::string(data.begin(), data.end()));

        GuardedBuffer out(n);
        EXPECT_EQ(VB(ReadRegBlock, key().c_str(), "Block", static_cast<void*>(out.data()), int32_t(n)), 1);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), out.bytes()));
    }
}

// The NT family refuses a subkey that begins with a backslash (Windows 95 and 98 ignore it): the
// trap DuVad.h names beside ReadRegBlock, so a program tried on 98 learns it before NT does.
// On NT a subkey's leading backslash is refused; Windows 95 and 98 ignore it (the same key).
TEST_F(RegBlock, LeadingBackslashIsRefusedOnTheNtFamily) {
    const std::string slashed = "\\" + key();
    GuardedBuffer in(4), out(4);
    std::memset(in.data(), 7, 4);
    if (windows9x()) {
        EXPECT_EQ(VB(WriteRegBlock, slashed.c_str(), "Block", static_cast<const void*>(in.data()), int32_t(4)), 1);
        EXPECT_EQ(VB(ReadRegBlock, slashed.c_str(), "Block", static_cast<void*>(out.data()), int32_t(4)), 1);
        EXPECT_EQ(std::memcmp(out.data(), in.data(), 4), 0);
        EXPECT_EQ(stored(HKEY_CURRENT_USER, key(), "Block").bytes, std::string(4, char(7)));
        return;
    }
    EXPECT_EQ(VB(WriteRegBlock, slashed.c_str(), "Block", static_cast<const void*>(in.data()), int32_t(4)), -1);
    EXPECT_EQ(VB(ReadRegBlock, slashed.c_str(), "Block", static_cast<void*>(out.data()), int32_t(4)), -1);
    EXPECT_TRUE(out.untouchedFrom(0));
    EXPECT_EQ(stored(HKEY_CURRENT_USER, key(), "Block").bytes, "<missing>");
    // Without the backslash the same key takes the block.
    EXPECT_EQ(VB(WriteRegBlock, key().c_str(), "Block", static_cast<const void*>(in.data()), int32_t(4)), 1);
}

// A block that could not be read back is refused, and the readable block stored before stays.
TEST_F(RegBlock, BlockBeyondTheReadLimitIsRefusedAndTheOldOneKept) {
    const std::vector<uint8_t> old = pattern(100000, 3);
    ASSERT_EQ(VB(WriteRegBlock, key().c_str(), "Big", static_cast<const void*>(old.data()), int32_t(old.size())), 1);
    for (size_t n : {size_t(100001), size_t(150000)}) {
        SCOPED_TRACE(n);
        const std::vector<uint8_t> data = pattern(n, 7);
        EXPECT_EQ(VB(WriteRegBlock, key().c_str(), "Big", static_cast<const void*>(data.data()), int32_t(n)), -1);
        EXPECT_EQ(stored(HKEY_CURRENT_USER, key(), "Big").bytes, std::string(old.begin(), old.end()));
        GuardedBuffer out(100000);
        EXPECT_EQ(VB(ReadRegBlock, key().c_str(), "Big", static_cast<void*>(out.data()), int32_t(100000)), 1);
        EXPECT_TRUE(std::equal(old.begin(), old.end(), out.bytes()));
    }
    // Nor is a new value made.
    const std::vector<uint8_t> big = pattern(100001, 9);
    EXPECT_EQ(VB(WriteRegBlock, key().c_str(), "New", static_cast<const void*>(big.data()), int32_t(big.size())), -1);
    EXPECT_EQ(stored(HKEY_CURRENT_USER, key(), "New").bytes, "<missing>");
}

TEST_F(RegBlock, OtherLengthsLeaveTheBlockUntouched) {
    const std::vector<uint8_t> data = pattern(40, 1);
    ASSERT_EQ(VB(WriteRegBlock, key().c_str(), "Forty", static_cast<const void*>(data.data()), int32_t(40)), 1);
    for (int32_t length : {39, 41, 0, 100000, -1, -40}) {
        GuardedBuffer out(64);
        EXPECT_EQ(VB(ReadRegBlock, key().c_str(), "Forty", static_cast<void*>(out.data()), length), 0) << length;
        EXPECT_TRUE(out.untouchedFrom(0)) << length;
    }
}

TEST_F(RegBlock, TextValueIsReadByItsStoredLength) {
    ASSERT_TRUE(setText(HKEY_CURRENT_USER, key(), "Text", "hello"));
    GuardedBuffer out(6);
    EXPECT_EQ(VB(ReadRegBlock, key().c_str(), "Text", static_cast<void*>(out.data()), int32_t(5)), 0);
    EXPECT_TRUE(out.untouchedFrom(0));
    EXPECT_EQ(VB(ReadRegBlock, key().c_str(), "Text", static_cast<void*>(out.data()), int32_t(6)), 1);
    EXPECT_EQ(std::string(out.data(), 6), std::string("hello", 6));
}

TEST_F(RegBlock, MissingValueFailsAndTheReadCreatesTheKey) {
    const std::string deep = key("Not\\There\\Yet");
    ASSERT_FALSE(keyExists(HKEY_CURRENT_USER, deep));
    GuardedBuffer out(8);
    EXPECT_EQ(VB(ReadRegBlock, deep.c_str(), "Nothing", static_cast<void*>(out.data()), int32_t(8)), -1);
    EXPECT_TRUE(out.untouchedFrom(0));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, deep));
}

TEST_F(RegBlock, KeysThatCannotBeOpenedOrWritten) {
    // A leading backslash makes the key path invalid on Windows NT, so the key can be neither opened
    // nor created there; Windows 95 and 98 ignore the backslash and use the key without it.
    const std::string bad = "\\" + key();
    const uint8_t data[4] = {1, 2, 3, 4};
    GuardedBuffer out(4);
    if (windows9x()) {
        EXPECT_EQ(VB(WriteRegBlock, bad.c_str(), "V", static_cast<const void*>(data), int32_t(4)), 1);
        EXPECT_EQ(stored(HKEY_CURRENT_USER, key(), "V").bytes, std::string("\1\2\3\4", 4));
        EXPECT_EQ(VB(ReadRegBlock, bad.c_str(), "V", static_cast<void*>(out.data()), int32_t(4)), 1);
        EXPECT_EQ(std::string(out.data(), 4), std::string("\1\2\3\4", 4));
        deleteTree(HKEY_CURRENT_USER, key());
    } else {
        EXPECT_EQ(VB(WriteRegBlock, bad.c_str(), "V", static_cast<const void*>(data), int32_t(4)), -1);
        EXPECT_EQ(VB(ReadRegBlock, bad.c_str(), "V", static_cast<void*>(out.data()), int32_t(4)), -1);
        EXPECT_TRUE(out.untouchedFrom(0));
        EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, key()));
    }

    // A key only readable: it opens, the write fails; what it held can still be read. Windows 95
    // and 98 keep no security on keys: the key cannot be made read-only there, and the write is made.
    ASSERT_EQ(VB(WriteRegBlock, key().c_str(), "V", static_cast<const void*>(data), int32_t(4)), 1);
    const LONG locked = locks_.readOnly(HKEY_CURRENT_USER, key());
    const uint8_t other[4] = {9, 9, 9, 9};
    if (windows9x()) {
        EXPECT_EQ(locked, ERROR_CALL_NOT_IMPLEMENTED);
        EXPECT_EQ(VB(WriteRegBlock, key().c_str(), "V", static_cast<const void*>(other), int32_t(4)), 1);
        EXPECT_EQ(VB(ReadRegBlock, key().c_str(), "V", static_cast<void*>(out.data()), int32_t(4)), 1);
        EXPECT_EQ(std::string(out.data(), 4), std::string("\t\t\t\t", 4));
        return;
    }
    ASSERT_EQ(locked, ERROR_SUCCESS);
    EXPECT_EQ(VB(WriteRegBlock, key().c_str(), "V", static_cast<const void*>(other), int32_t(4)), -1);
    EXPECT_EQ(VB(ReadRegBlock, key().c_str(), "V", static_cast<void*>(out.data()), int32_t(4)), 1);
    EXPECT_EQ(std::string(out.data(), 4), std::string("\1\2\3\4", 4));
}

// A null subkey (vbNullString) is HKEY_CURRENT_USER itself and a null value name the key's default
// value, as for the registry; only a null block or a negative length is refused.
TEST_F(RegBlock, NullNamesMeanTheUserHiveAndTheDefaultValue) {
    const char* none = nullptr;
    const uint8_t data[4] = {1, 2, 3, 4}, other[4] = {5, 6, 7, 8};
    const std::string name = "DuVadTestBlock" + std::to_string(GetCurrentProcessId());

    for (const char* top : {none, ""}) {
        SCOPED_TRACE(top ? "empty subkey" : "null subkey");
        EXPECT_EQ(VB(WriteRegBlock, top, name.c_str(), static_cast<const void*>(data), int32_t(4)), 1);
        const Stored s = stored(HKEY_CURRENT_USER, "", name.c_str());
        EXPECT_EQ(s.type, DWORD(REG_BINARY));
        EXPECT_EQ(s.bytes, std::string("\1\2\3\4", 4)) << "stored in HKEY_CURRENT_USER itself";
        GuardedBuffer out(4);
        EXPECT_EQ(VB(ReadRegBlock, top, name.c_str(), static_cast<void*>(out.data()), int32_t(4)), 1);
        EXPECT_EQ(std::string(out.data(), 4), std::string("\1\2\3\4", 4));
        RegDeleteValueA(HKEY_CURRENT_USER, name.c_str());
    }
    // The user hive stays usable after those calls (its handle was not closed under the process).
    HKEY software;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &software), ERROR_SUCCESS);
    RegCloseKey(software);

    // Null value name: the key's default value.
    EXPECT_EQ(VB(WriteRegBlock, key().c_str(), none, static_cast<const void*>(other), int32_t(4)), 1);
    EXPECT_EQ(stored(HKEY_CURRENT_USER, key(), "").bytes, std::string("\5\6\7\x08", 4));
    GuardedBuffer out(4);
    EXPECT_EQ(VB(ReadRegBlock, key().c_str(), none, static_cast<void*>(out.data()), int32_t(4)), 1);
    EXPECT_EQ(std::string(out.data(), 4), std::string("\5\6\7\x08", 4));
    EXPECT_EQ(VB(ReadRegBlock, key().c_str(), none, static_cast<void*>(out.data()), int32_t(3)), 0);

    // What is refused: a null block (unless nothing is to be written) and a negative length.
    GuardedBuffer untouched(4);
    EXPECT_EQ(VB(WriteRegBlock, key().c_str(), "V", static_cast<const void*>(nullptr), int32_t(4)), -1);
    EXPECT_EQ(VB(WriteRegBlock, key().c_str(), "V", static_cast<const void*>(data), int32_t(-1)), -1);
    EXPECT_EQ(VB(ReadRegBlock, key().c_str(), none, static_cast<void*>(nullptr), int32_t(4)), -1);
    EXPECT_EQ(stored(HKEY_CURRENT_USER, key(), "V").bytes, "<missing>");
    EXPECT_EQ(VB(WriteRegBlock, key().c_str(), "Empty", static_cast<const void*>(nullptr), int32_t(0)), 1);
    EXPECT_EQ(stored(HKEY_CURRENT_USER, key(), "Empty").bytes, "");
}

}  // namespace
}  // namespace duvad::test
