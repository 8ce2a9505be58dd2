// File-type registration through the DLL, against this process's own scratch keys.
#include <windows.h>

#include <string>

#include "tests/win/harness.h"

namespace duvad::test {
namespace {

// ---- File-type registration -----------------------------------------------------------------

void deleteTree(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char child[256];
    while (RegEnumKeyA(key, 0, child, sizeof child) == ERROR_SUCCESS) deleteTree(key, child);
    RegCloseKey(key);
    RegDeleteKeyA(root, path.c_str());
}

std::string defaultValue(const std::string& path) {
    char value[1024] = {};
    LONG size = sizeof value;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, path.c_str(), value, &size) != ERROR_SUCCESS) return "<missing>";
    return value;
}

class FileType : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override {
        deleteTree(HKEY_CLASSES_ROOT, ext_);
        deleteTree(HKEY_CLASSES_ROOT, type_);
    }
    std::string ext_ = ".duvad" + std::to_string(GetCurrentProcessId());
    std::string type_ = "DuVadTest.Image" + std::to_string(GetCurrentProcessId());
};

TEST_F(FileType, TwiceGivesTheSameFourDefaults) {
    const std::string open = "\"C:\\Program Files\\DuVad\\duvad.exe\" \"%1\"";
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(VB(ExtensionReg, ext_.c_str(), type_.c_str(), "Video CD image", open.c_str(),
                     "C:\\Program Files\\DuVad\\duvad.exe,1"), 0);
        EXPECT_EQ(defaultValue(ext_), type_);
        EXPECT_EQ(defaultValue(type_), "Video CD image");
        EXPECT_EQ(defaultValue(type_ + "\\Shell\\Open\\Command"), open);
        EXPECT_EQ(defaultValue(type_ + "\\DefaultIcon"), "C:\\Program Files\\DuVad\\duvad.exe,1");
    }
    // The values are plain texts whose stored length is the text's with one terminator.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ext_.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(size, type_.size() + 1);
}

TEST_F(FileType, NullArgumentWritesNothing) {
    EXPECT_EQ(VB(ExtensionReg, ext_.c_str(), type_.c_str(), "d", static_cast<const char*>(nullptr), "i"),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(defaultValue(ext_), "<missing>");
    EXPECT_EQ(defaultValue(type_), "<missing>");
}

}  // namespace
}  // namespace duvad::test
