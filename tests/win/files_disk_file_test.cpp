// Every export that opens a file by name reads disk files only: a device's name (in any folder,
// with any extension) is refused before anything is opened, a name that resolves to a device path
// (\\.\x\..\Q:) likewise, and a handle that turns out not to be a disk file is closed unread. Each
// gives its own "cannot open" result.
#include "tests/native/catalogue_builder.h"
#include "tests/win/vcd_test_util.h"

namespace duvad::test::vcd {
namespace {

int32_t analyze(const std::string& name) {
    int32_t flag = kSentinel;
    return VB(AnalyzeMpeg, name.c_str(), &flag, (int32_t*)nullptr, (int32_t*)nullptr, (int32_t*)nullptr,
              (int32_t*)nullptr, (int32_t*)nullptr, (int32_t*)nullptr, (int32_t*)nullptr);
}

int32_t prepare(const std::string& sources, const std::string& targets) {
    GuardedBuffer image(kImageBytes);
    const std::string prepared = bytesOf("image300.bin");
    std::memcpy(image.data(), prepared.data(), prepared.size());
    return VB(PrepareVcdFiles, image.data(), kImageBytes, sources.c_str(), targets.c_str());
}

// The readers, and PrepareVcdFiles for a source and for an output of the name. A name the rules
// refuse is refused before anything is opened, also as the last source; a handle found to be no
// disk file when the source's turn comes.
void expectRefusedByEveryReader(const std::string& name, const TempDir& dir, bool byName = true) {
    SCOPED_TRACE(name);
    const std::string real = copyStream(dir, "cut.mpg", "real.mpg");
    EXPECT_EQ(analyze(name), DUVAD_ANALYZEMPEG_CANNOT_OPEN);
    EXPECT_EQ(VB(MatchFiles, name.c_str(), real.c_str()), DUVAD_MATCHFILES_FIRST_CANNOT_OPEN);
    EXPECT_EQ(VB(MatchFiles, real.c_str(), name.c_str()), DUVAD_MATCHFILES_SECOND_CANNOT_OPEN);
    int32_t sectors = kSentinel;
    const int32_t handle = VB(OpenFileInSectors, name.c_str(), &sectors);
    EXPECT_EQ(handle, DUVAD_OPENFILEINSECTORS_CANNOT_OPEN);
    if (handle > 0) VB(CloseFileInSectors, handle);
    EXPECT_EQ(sectors, kSentinel);
    const std::string image = dir.file("image.bin"), t1 = dir.file("t1.bin"), t2 = dir.file("t2.bin");
    EXPECT_EQ(prepare(lines({name, real}), lines({image, t1, t2})), -101) << "as source 1";
    if (byName) EXPECT_EQ(prepare(lines({real, name}), lines({image, t1, t2})), -102) << "as source 2";
    EXPECT_EQ(prepare(lines({real}), lines({image, name})), -301) << "as track file 1";
    EXPECT_EQ(prepare(lines({real}), lines({name, t1})), -300) << "as the image";
    for (const std::string& f : {image, t1, t2}) EXPECT_FALSE(exists(f)) << f << " was made";
    EXPECT_TRUE(deletable(real));
}

TEST(DiskFilesOnly, TheNullDeviceAndOtherNonDiskFilesAreNotRead) {
    TempDir dir("diskonly");
    for (const std::string& name : {std::string("nul.mpg"), dir.file("nul.mpg"), dir.file("Nul .x. "),
                                    std::string("\\\\.\\x\\..\\NUL"), std::string("CONIN$"), dir.file("conout$.txt")})
        expectRefusedByEveryReader(name, dir);
    expectRefusedByEveryReader("Z:\\dev\\null", dir, false);
    // A handle found to be no disk file is closed again: the handle a call leaves open would keep
    // the slot it took, which the next open otherwise gets back.
    auto nextHandle = [] {
        return CreateFileA(testDir().c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    };
    const HANDLE first = nextHandle();
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    CloseHandle(first);
    EXPECT_EQ(analyze("Z:\\dev\\null"), DUVAD_ANALYZEMPEG_CANNOT_OPEN);
    const HANDLE second = nextHandle();
    CloseHandle(second);
    EXPECT_EQ(second, first) << "the call left a handle open";
    // The probes: a device is neither a file to read nor one to erase.
    for (const char* name : {"nul.txt", "\\\\.\\x\\..\\NUL", "Z:\\dev\\null"}) {
        EXPECT_EQ(VB(IsFileReadable, name), 0) << name;
        EXPECT_EQ(VB(IsFileErasable, name), 0) << name;
    }
}

// Run by the ctest entry DevicePathsOnFiles: the raw device Q: (\\.\Q:) and the ports AUX, COM7
// and LPT6 of the prefix lead to plain files on a tmpfs under DUVAD_TMPFS, so that a device opened
// by mistake would be read (or written) like a file, as a disk or a port is on Windows.
TEST(DevicePaths, DevicesReachedByNameOrByAResolvedPathAreNeverOpened) {
    char base[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("DUVAD_TMPFS", base, sizeof base)) GTEST_SKIP() << "needs the mapped devices";
    std::string z = std::string("Z:") + base;
    for (char& c : z) c = c == '/' ? '\\' : c;
    const std::string stream = bytesOf("cut.mpg");
    auto fill = [](const char* device, const std::string& bytes) {
        ScopedFile f(CreateFileA(device, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD put = 0;
        return f && WriteFile(f.get(), bytes.data(), DWORD(bytes.size()), &put, nullptr) && put == bytes.size();
    };
    ASSERT_TRUE(fill("\\\\.\\Q:", stream));
    ASSERT_TRUE(fill("AUX", stream));
    CatalogueBuilder catalogue;
    catalogue.add("ACME", "CDR-100", 12, 0x1A);
    ASSERT_TRUE(fill("COM7", catalogue.bytes()));
    ASSERT_EQ(TempDir::readFile("\\\\.\\Q:"), stream) << "Q: does not lead to the file";

    TempDir dir("devpath");
    for (const std::string& name :
         {std::string("aux.mpg"), dir.file("Aux.mpg"), std::string("\\\\.\\x\\..\\Q:"), std::string("//./x/../q:"),
          std::string("\\\\?\\x\\..\\Q:"), std::string("\\??\\Q:"), std::string("\\\\?\\C:\\..\\dosdevices\\q::")}) {
        expectRefusedByEveryReader(name, dir);
        EXPECT_EQ(VB(DumpFileToPrinter, name.c_str(), 6), 0) << name;
    }
    EXPECT_EQ(TempDir::readFile(z + "\\lpt6\\port"), "") << "the port received a device's bytes";
    EXPECT_EQ(TempDir::readFile("\\\\.\\Q:"), stream) << "the raw device was written";
    EXPECT_EQ(TempDir::readFile("AUX"), stream) << "the port was written";
    char list[64] = "";
    EXPECT_EQ(VB(GetKvDrives, list, "com7.cat"), 0);
    EXPECT_EQ(VB(GetKvDrives, list, dir.file("Com7").c_str()), 0);
    // A library's version block behind the port and the raw device.
    const std::string library = TempDir::readFile(dllPath());
    ASSERT_TRUE(fill("AUX", library));
    ASSERT_TRUE(fill("\\\\.\\Q:", library));
    int32_t part = kSentinel;
    // The NT prefix \??\ is passed through unchanged by the system's name conversion: the text
    // names the raw device Q:, though GetFullPathNameA makes of it a folder "??" of the drive.
    for (const char* name : {"aux.dll", "\\\\.\\x\\..\\Q:", "\\??\\Q:", "\\??\\x\\..\\Q:"}) {
        EXPECT_EQ(VB(ReadFileInfo, name, &part, &part, &part, &part), 0) << name;
        EXPECT_EQ(VB(IsFileReadable, name), 0) << name;
        EXPECT_EQ(VB(IsFileErasable, name), 0) << name;
    }
    EXPECT_EQ(part, kSentinel);
}

}  // namespace
}  // namespace duvad::test::vcd
