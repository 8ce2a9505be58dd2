// ReadFileInfo: the version number of real modules, and of files without one.
#include <string>
#include <vector>

#include "tests/win/harness.h"

namespace duvad::test {
namespace {

struct Version {
    int32_t result, a = kSentinel, b = kSentinel, c = kSentinel, d = kSentinel;
};

Version versionOf(const std::string& path) {
    Version v;
    v.result = VB(ReadFileInfo, path.c_str(), &v.a, &v.b, &v.c, &v.d);
    return v;
}

TEST(VersionInfo, TheModulesOwnVersion) {
    const Version v = versionOf(dllPath());
    EXPECT_EQ(v.result, 1);
    char text[64];
    wsprintfA(text, "%d.%d.%d.%d", v.a, v.b, v.c, v.d);
    EXPECT_STREQ(text, DUVAD_VERSION_TEXT);
    int32_t* none = nullptr;
    EXPECT_EQ(VB(ReadFileInfo, dllPath().c_str(), none, none, none, none), 1);
    int32_t only = kSentinel;
    EXPECT_EQ(VB(ReadFileInfo, dllPath().c_str(), none, none, none, &only), 1);
    EXPECT_EQ(only, v.d);
}

TEST(VersionInfo, FilesWithoutAVersionWriteNothing) {
    TempDir dir("ver");
    ASSERT_TRUE(TempDir::writeFile(dir.file("notes.txt"), "no version here\r\n"));
    for (const std::string& path : {dir.file("notes.txt"), dir.file("missing.dll")}) {
        const Version v = versionOf(path);
        EXPECT_EQ(v.result, 0) << path;
        EXPECT_EQ(v.a, kSentinel);
        EXPECT_EQ(v.d, kSentinel);
    }
    int32_t a = kSentinel;
    EXPECT_EQ(VB(ReadFileInfo, static_cast<const char*>(nullptr), &a, &a, &a, &a), 0);
    EXPECT_EQ(a, kSentinel);
}

// A bare name is looked up where the system looks up a library, not in the current folder: a
// system library is found from any folder.
TEST(VersionInfo, ABareNameIsFoundWhereLibrariesAre) {
    TempDir dir("verbare");
    char before[MAX_PATH] = "";
    ASSERT_TRUE(GetCurrentDirectoryA(MAX_PATH, before));
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    const Version v = versionOf("kernel32.dll");
    EXPECT_TRUE(SetCurrentDirectoryA(before));
    EXPECT_EQ(v.result, 1);
    EXPECT_NE(v.a, kSentinel);
}

// Any other name is read by the full path the device checks decided on, not by its text: after
// the system's own prefix \??\ the text names the module to the system, but resolves to a folder
// "??" of the current drive, where no such file is.
TEST(VersionInfo, ANameWithAFolderIsReadByItsResolvedPath) {
    EXPECT_EQ(versionOf(dllPath()).result, 1);
    const Version v = versionOf("\\??\\" + dllPath());
    EXPECT_EQ(v.result, 0);
    EXPECT_EQ(v.a, kSentinel);
}

// A version resource node: header, key, value, children, each aligned to 4 bytes.
std::string node(const char* key, const std::string& value, WORD valueLength, WORD type,
                 const std::vector<std::string>& children) {
    auto pad = [](std::string& s) { s.resize((s.size() + 3) & ~size_t(3), '\0'); };
    std::string s(6, '\0');
    for (const char* k = key;; ++k) {
        s.push_back(*k);
        s.push_back('\0');
        if (!*k) break;
    }
    pad(s);
    s += value;
    for (const std::string& child : children) {
        pad(s);
        s += child;
    }
    const WORD length = WORD(s.size());
    std::memcpy(&s[0], &length, 2);
    std::memcpy(&s[2], &valueLength, 2);
    std::memcpy(&s[4], &type, 2);
    return s;
}

std::string wide(const std::string& text) {
    std::string w;
    for (char c : text) w += std::string{c, '\0'};
    return w + std::string(2, '\0');
}

TEST(VersionInfo, ResourceLargerThanTheWorkBuffer) {
    TempDir dir("verbig");
    const std::string copy = dir.file("Big.dll");
    ASSERT_TRUE(CopyFileA(dllPath().c_str(), copy.c_str(), FALSE));

    VS_FIXEDFILEINFO fixed = {};
    fixed.dwSignature = VS_FFI_SIGNATURE;
    fixed.dwStrucVersion = 0x10000;
    fixed.dwFileVersionMS = MAKELONG(8, 7);      // 7.8
    fixed.dwFileVersionLS = MAKELONG(65535, 9);  // .9.65535
    fixed.dwProductVersionMS = MAKELONG(0, 1);
    fixed.dwFileType = VFT_DLL;
    const std::string comment(6000, 'c');
    const std::string text = node("Comments", wide(comment), WORD(comment.size() + 1), 1, {});
    const std::string table = node("040904b0", "", 0, 1, {text});
    const std::string strings = node("StringFileInfo", "", 0, 1, {table});
    const std::string root = node("VS_VERSION_INFO", std::string(reinterpret_cast<const char*>(&fixed), sizeof fixed),
                                  WORD(sizeof fixed), 0, {strings});
    ASSERT_GT(root.size(), 10000u);

    HANDLE update = BeginUpdateResourceA(copy.c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    ASSERT_TRUE(UpdateResourceA(update, RT_VERSION, MAKEINTRESOURCEA(1), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                const_cast<char*>(root.data()), DWORD(root.size())));
    ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
    DWORD handle;
    ASSERT_GT(GetFileVersionInfoSizeA(copy.c_str(), &handle), 10000u);

    const Version v = versionOf(copy);
    EXPECT_EQ(v.result, 1);
    EXPECT_EQ(v.a, 7);
    EXPECT_EQ(v.b, 8);
    EXPECT_EQ(v.c, 9);
    EXPECT_EQ(v.d, 65535);
}

}  // namespace
}  // namespace duvad::test
