// File-type registration through the DLL, against this process's own scratch keys.
#include <windows.h>
#include <sddl.h>

#include <string>

#include "tests/win/drives_os_family.h"
#include "tests/win/harness.h"
#include "tests/win/import_patch.h"

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
                     "C:\\Program Files\\DuVad\\duvad.exe,1"),
                  0);
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

// An empty name would name HKEY_CLASSES_ROOT itself: refused like a null one, nothing written.
TEST_F(FileType, EmptyNamesAreRefusedAndNothingIsWrittenAtTheRoot) {
    auto exists = [](const char* path) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    };
    const std::string rootBefore = defaultValue("");
    const bool commandBefore = exists("Shell\\Open\\Command"), iconBefore = exists("DefaultIcon");
    EXPECT_EQ(VB(ExtensionReg, ext_.c_str(), "", "d", "o", "i"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(VB(ExtensionReg, "", type_.c_str(), "d", "o", "i"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(defaultValue(""), rootBefore);
    EXPECT_EQ(exists("Shell\\Open\\Command"), commandBefore);
    EXPECT_EQ(exists("DefaultIcon"), iconBefore);
    EXPECT_EQ(defaultValue(ext_), "<missing>");
    EXPECT_EQ(defaultValue(type_), "<missing>");
    // An empty description, command or icon is a value like any other.
    EXPECT_EQ(VB(ExtensionReg, ext_.c_str(), type_.c_str(), "", "", ""), 0);
    EXPECT_EQ(defaultValue(ext_), type_);
    EXPECT_EQ(defaultValue(type_ + "\\DefaultIcon"), "");
}

// The extension's key may be read but not written: the link to the type is missing, and the
// result says so with the code of the refused write (the type's own keys are still written).
// Windows 95 and 98 keep no security on keys: there the key cannot be made read-only, and every
// write is made.
TEST_F(FileType, AWriteTheRegistryRefusesIsReported) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, ext_.c_str(), &key), ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    // Everyone may read the key, change its permissions and delete it, but not set values.
    const BOOL described = ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KRWDSD;;;WD)", SDDL_REVISION_1,
                                                                                &readOnly, nullptr);
    if (windows9x()) {
        EXPECT_FALSE(described);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_CALL_NOT_IMPLEMENTED));
        RegCloseKey(key);
        EXPECT_EQ(VB(ExtensionReg, ext_.c_str(), type_.c_str(), "d", "o", "i"), 0);
        EXPECT_EQ(defaultValue(ext_), type_);
        EXPECT_EQ(defaultValue(type_), "d");
        return;
    }
    ASSERT_TRUE(described);
    ASSERT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly), ERROR_SUCCESS);
    LocalFree(readOnly);
    RegCloseKey(key);

    EXPECT_EQ(VB(ExtensionReg, ext_.c_str(), type_.c_str(), "d", "o", "i"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(defaultValue(ext_), "");
    EXPECT_EQ(defaultValue(type_), "d");
    EXPECT_EQ(defaultValue(type_ + "\\DefaultIcon"), "i");

    // Writable again, so that the fixture can remove it.
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ext_.c_str(), 0, WRITE_DAC, &key), ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR open = nullptr;
    ASSERT_TRUE(
        ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KA;;;WD)", SDDL_REVISION_1, &open, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, open), ERROR_SUCCESS);
    LocalFree(open);
    RegCloseKey(key);
}

// A name with a leading backslash: Windows NT refuses the key path (ERROR_BAD_PATHNAME) and writes
// the rest; Windows 95 and 98 ignore the backslash and register the name without it.
TEST_F(FileType, ALeadingBackslashIsRefusedOnNtAndIgnoredOn9x) {
    const std::string slashed = "\\" + ext_;
    const int32_t result = VB(ExtensionReg, slashed.c_str(), type_.c_str(), "d", "o", "i");
    if (windows9x()) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(defaultValue(ext_), type_);
    } else {
        EXPECT_EQ(result, ERROR_BAD_PATHNAME);
        EXPECT_EQ(defaultValue(ext_), "<missing>");
    }
    EXPECT_EQ(defaultValue(type_), "d");
    EXPECT_EQ(defaultValue(type_ + "\\DefaultIcon"), "i");

    // The type name the same way; the extension's link keeps the name as given.
    TearDown();
    const std::string slashedType = "\\" + type_;
    const int32_t typeResult = VB(ExtensionReg, ext_.c_str(), slashedType.c_str(), "d", "o", "i");
    EXPECT_EQ(defaultValue(ext_), slashedType);
    if (windows9x()) {
        EXPECT_EQ(typeResult, 0);
        EXPECT_EQ(defaultValue(type_ + "\\Shell\\Open\\Command"), "o");
    } else {
        EXPECT_EQ(typeResult, ERROR_BAD_PATHNAME);
        EXPECT_EQ(defaultValue(type_), "<missing>");
    }
}

// Through a stand-in for RegSetValueA that refuses two of the writes: the result is the code of
// the first one refused, and the writes after it are still tried.
std::vector<std::string> g_regWrites;
LONG WINAPI refusingSetValue(HKEY key, LPCSTR subKey, DWORD type, LPCSTR text, DWORD length) {
    g_regWrites.push_back(subKey ? subKey : "");
    if (subKey && std::string(subKey) == "Shell\\Open\\Command") return ERROR_ACCESS_DENIED;
    if (subKey && std::string(subKey) == "DefaultIcon") return ERROR_BADDB;
    return RegSetValueA(key, subKey, type, text, length);
}

TEST_F(FileType, TheFirstRefusedWriteGivesTheResult) {
    ImportPatch set(dll(), "advapi32.dll", "RegSetValueA", reinterpret_cast<const void*>(&refusingSetValue));
    ASSERT_TRUE(set.active());
    g_regWrites.clear();
    EXPECT_EQ(VB(ExtensionReg, ext_.c_str(), type_.c_str(), "d", "o", "i"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(g_regWrites, (std::vector<std::string>{"", "", "Shell\\Open\\Command", "DefaultIcon"}));
    EXPECT_EQ(defaultValue(ext_), type_);
    EXPECT_EQ(defaultValue(type_), "d");
}

}  // namespace
}  // namespace duvad::test
