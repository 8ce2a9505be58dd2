// The built module as the host meets it: export names and ordinals, imports, version block and
// resources, the loader's entry.
#include <gtest/gtest-spi.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "host/core/wave.h"
#include "tests/win/export_table.h"
#include "tests/win/harness.h"
#include "tests/win/pe_image.h"

namespace duvad::test {
namespace {

TEST(ExportTable, NamesAndOrdinalsFollowTheTable) {
    ASSERT_TRUE(dll());
    PeImage pe = readPe(dll());
    EXPECT_EQ(pe.machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(pe.ordinalBase, 1u);
    const std::vector<DeclaredExport>& table = declaredExports();
    ASSERT_FALSE(table.empty());
    for (const DeclaredExport& row : table) {
        FARPROC byName = GetProcAddress(dll(), row.name.c_str());
        EXPECT_NE(byName, nullptr) << row.name;
        EXPECT_EQ(byName, GetProcAddress(dll(), MAKEINTRESOURCEA(row.ordinal)))
            << row.name << " is not ordinal " << row.ordinal;
    }
    // Nothing else is exported, and no name carries a decoration.
    EXPECT_EQ(pe.exports.size(), table.size());
    for (const PeExport& e : pe.exports) {
        const auto row = std::find_if(table.begin(), table.end(),
                                      [&](const DeclaredExport& r) { return r.ordinal == e.ordinal; });
        ASSERT_NE(row, table.end()) << e.name << " has ordinal " << e.ordinal << ", not in DuVad.def";
        EXPECT_EQ(e.name, row->name);
    }
}

// tools/allowed_imports.txt, the one list of what the DLL may import (read from the source tree
// through Wine's Z: drive): the functions of each system DLL that the DLL may use, and [never].
struct AllowedImports {
    std::map<std::string, std::set<std::string>> dlls;  // upper-case DLL name -> functions
    std::set<std::string> never;
};

AllowedImports readAllowedImports() {
    AllowedImports allowed;
    std::ifstream in(std::string("Z:") + DUVAD_SOURCE_DIR + "/tools/allowed_imports.txt");
    std::set<std::string>* into = nullptr;
    for (std::string line; std::getline(in, line);) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string first, second;
        if (!(words >> first)) continue;
        words >> second;
        if (first == "[never]") {
            into = &allowed.never;
        } else if (first.front() == '[') {
            // "[DLL]" is the DLL's; "[duvad.exe DLL]" the host tool's alone.
            into = second.empty() ? &allowed.dlls[first.substr(1, first.size() - 2)] : nullptr;
        } else if (into) {
            into->insert(first);
        }
    }
    return allowed;
}

std::string upper(std::string s) {
    for (char& c : s) c = char(toupper(static_cast<unsigned char>(c)));
    return s;
}

TEST(ExportTable, ImportsOnlySystemDlls) {
    const AllowedImports allowed = readAllowedImports();
    ASSERT_TRUE(allowed.dlls.count("KERNEL32.DLL") && !allowed.never.empty()) << "tools/allowed_imports.txt not read";
    for (const std::string& name : readPe(dll()).importedDlls)
        EXPECT_TRUE(allowed.dlls.count(upper(name))) << "DuVad.dll imports " << name;
}

// The host runs on Windows 95, 98, NT 4 and 2000: the DLL imports, as the loader bound them, only
// functions the list allows it (each one exported by Windows 95), none of [never].
TEST(ExportTable, ImportsNothingNewerThanTheHostsWindows) {
    const AllowedImports allowed = readAllowedImports();
    ASSERT_FALSE(allowed.dlls.empty()) << "tools/allowed_imports.txt not read";
    for (const std::string& imported : readPe(dll()).importedNames) {
        const size_t bang = imported.find('!');
        const std::string library = upper(imported.substr(0, bang)), name = imported.substr(bang + 1);
        EXPECT_FALSE(allowed.never.count(name)) << "DuVad.dll imports " << imported;
        auto found = allowed.dlls.find(library);
        EXPECT_TRUE(found != allowed.dlls.end() && found->second.count(name))
            << "DuVad.dll imports " << imported << ", which tools/allowed_imports.txt does not allow it";
    }
}

std::string versionString(const std::vector<char>& block, const char* key) {
    char* value = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\040904b0\\") + key;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) return "<missing>";
    return value;
}

std::vector<char> versionBlock(const std::string& path) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    std::vector<char> block(size);
    if (!size || !GetFileVersionInfoA(path.c_str(), handle, size, block.data())) block.clear();
    return block;
}

// LICENSE's copyright line, which both version blocks carry.
std::string licenceCopyright() {
    std::ifstream in(std::string("Z:") + DUVAD_SOURCE_DIR + "/LICENSE");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Copyright ", 0) == 0) return line;
    return "<LICENSE has no copyright line>";
}

// The fixed part: version number, file type, and plain 32-bit Windows (it runs on 95 and 98 too,
// not on NT only); the strings that name maker and rights.
void expectCommonVersionFacts(const std::vector<char>& block, DWORD fileType) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    char text[64];
    wsprintfA(text, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
              HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    EXPECT_STREQ(text, DUVAD_VERSION_TEXT);
    EXPECT_EQ(fixed->dwFileType, fileType);
    EXPECT_EQ(fixed->dwFileOS, DWORD(VOS__WINDOWS32));
    EXPECT_EQ(versionString(block, "FileVersion"), DUVAD_VERSION_TEXT);
    const std::string copyright = licenceCopyright();
    EXPECT_EQ(versionString(block, "LegalCopyright"), copyright);
    EXPECT_EQ(versionString(block, "CompanyName"), "The DuVad authors");
    EXPECT_NE(copyright.find(versionString(block, "CompanyName")), std::string::npos);
}

TEST(Resources, VersionBlockNamesTheModule) {
    std::vector<char> block = versionBlock(dllPath());
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(versionString(block, "FileDescription"), "Various Services");
    EXPECT_EQ(versionString(block, "InternalName"), "DuVad");
    EXPECT_EQ(versionString(block, "OriginalFilename"), "DuVad.dll");
    expectCommonVersionFacts(block, VFT_DLL);
}

TEST(Resources, HostToolHasAVersionBlock) {
    std::vector<char> block = versionBlock(dllPath().substr(0, dllPath().size() - strlen("DuVad.dll")) + "duvad.exe");
    ASSERT_FALSE(block.empty()) << "duvad.exe has no version block";
    EXPECT_EQ(versionString(block, "InternalName"), "duvad");
    EXPECT_EQ(versionString(block, "OriginalFilename"), "duvad.exe");
    EXPECT_NE(versionString(block, "FileDescription"), "<missing>");
    expectCommonVersionFacts(block, VFT_APP);
}

TEST(Resources, ThreeSoundsInUsEnglishWithTheirFormats) {
    struct Want {
        WORD id;
        uint16_t tag;
        uint32_t rate;
        uint32_t samples;
    };
    for (const Want& w : {Want{1001, host::wave::kPcm, 11025, 146907}, Want{1012, host::wave::kMsAdpcm, 11025, 16573},
                          Want{1014, host::wave::kMsAdpcm, 22050, 41984}}) {
        SCOPED_TRACE(w.id);
        HRSRC found = FindResourceExA(dll(), "WAVE", MAKEINTRESOURCEA(w.id),
                                      MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        ASSERT_NE(found, nullptr);
        auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(dll(), found)));
        auto format = host::wave::read(bytes, SizeofResource(dll(), found));
        ASSERT_TRUE(format);
        EXPECT_EQ(format->formatTag, w.tag);
        EXPECT_EQ(format->channels, 1);
        EXPECT_EQ(format->samplesPerSec, w.rate);
        EXPECT_EQ(format->samples, w.samples);
    }
}

TEST(Resources, TwoIconGroups) {
    for (WORD id : {128, 129}) {
        EXPECT_NE(FindResourceA(dll(), MAKEINTRESOURCEA(id), RT_GROUP_ICON), nullptr) << id;
        HICON icon = LoadIconA(dll(), MAKEINTRESOURCEA(id));
        EXPECT_NE(icon, nullptr) << id;
    }
}

// A private copy of the module, so its entry can be driven without disturbing the shared one.
class ModuleCopy : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.file("DuVadCopy.dll");
        ASSERT_TRUE(CopyFileA(dllPath().c_str(), path_.c_str(), FALSE));
    }
    TempDir dir_{"entry"};
    std::string path_;
};

TEST_F(ModuleCopy, LoadsAndUnloadsWithoutAnyCall) {
    for (int round = 0; round < 3; ++round) {
        HMODULE m = LoadLibraryA(path_.c_str());
        ASSERT_NE(m, nullptr);
        EXPECT_NE(m, dll());
        EXPECT_TRUE(FreeLibrary(m));
    }
}

DWORD WINAPI sevenThread(LPVOID) { return 7; }

TEST_F(ModuleCopy, EntryAnswersOneForThreadNotices) {
    HMODULE m = LoadLibraryA(path_.c_str());
    ASSERT_NE(m, nullptr);
    auto* base = reinterpret_cast<const BYTE*>(m);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base +
                                                           reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto entry = reinterpret_cast<BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID)>(const_cast<BYTE*>(base) +
                                                                           nt->OptionalHeader.AddressOfEntryPoint);
    EXPECT_EQ(entry(m, DLL_THREAD_ATTACH, nullptr), TRUE);
    EXPECT_EQ(entry(m, DLL_THREAD_DETACH, nullptr), TRUE);
    // A real thread passes through the entry too.
    HANDLE t = CreateThread(nullptr, 0, sevenThread, nullptr, 0, nullptr);
    WaitForSingleObject(t, 5000);
    DWORD code = 0;
    GetExitCodeThread(t, &code);
    CloseHandle(t);
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(FreeLibrary(m));
}

TEST(Harness, GuardedBufferEndsAtANoAccessPage) {
    GuardedBuffer b(100);
    EXPECT_FALSE(IsBadWritePtr(b.data(), 100));
    EXPECT_TRUE(IsBadWritePtr(b.end(), 1));
    EXPECT_TRUE(b.untouchedFrom(0));
}

TEST(Harness, StackCheckSeesAWrongArgumentCount) {
    // GoEvents removes 4 argument bytes; pushed with 8, the stack ends up 4 bytes short.
    const uint32_t words[2] = {0, 0};
    uint32_t regs[4];
    nextSentinels(regs);
    StdcallFrame frame = {};
    EXPECT_EQ(stdcallRaw(reinterpret_cast<const void*>(proc("GoEvents")), words, 2, regs, &frame), 1u);
    EXPECT_EQ(frame.espDelta, -4);
    EXPECT_EQ(stdcallRaw(reinterpret_cast<const void*>(proc("GoEvents")), words, 1, regs, &frame), 1u);
    EXPECT_EQ(frame.espDelta, 0);
}

// Stand-ins for an export (one 4-byte argument, stdcall, returns it plus one): one that uses all
// four callee-saved registers and puts them back, one that changes each, one that removes 8
// argument bytes instead of 4.
extern "C" char duv_stub_keeps[], duv_stub_ebx[], duv_stub_esi[], duv_stub_edi[], duv_stub_ebp[], duv_stub_pops8[];
asm(R"(
    .text
_duv_stub_keeps:
    pushl %ebx
    pushl %esi
    pushl %edi
    pushl %ebp
    xorl  %ebx, %ebx
    xorl  %esi, %esi
    xorl  %edi, %edi
    xorl  %ebp, %ebp
    popl  %ebp
    popl  %edi
    popl  %esi
    popl  %ebx
    movl  4(%esp), %eax
    incl  %eax
    ret   $4
_duv_stub_ebx:
    incl  %ebx
    movl  4(%esp), %eax
    incl  %eax
    ret   $4
_duv_stub_esi:
    incl  %esi
    movl  4(%esp), %eax
    incl  %eax
    ret   $4
_duv_stub_edi:
    incl  %edi
    movl  4(%esp), %eax
    incl  %eax
    ret   $4
_duv_stub_ebp:
    xorl  %ebp, %ebp
    movl  4(%esp), %eax
    incl  %eax
    ret   $4
_duv_stub_pops8:
    movl  4(%esp), %eax
    incl  %eax
    ret   $8
)");

using StubFn = int32_t(WINAPI*)(int32_t);
StubFn stub(char* code) { return reinterpret_cast<StubFn>(reinterpret_cast<void*>(code)); }

TEST(Harness, CallCheckSeesEveryCalleeSavedRegisterChanged) {
    EXPECT_EQ(vbcall(stub(duv_stub_keeps), "keeps", int32_t(41)), 42);
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(vbcall(stub(duv_stub_ebx), "stub", int32_t(1)), 2), "stub did not keep EBX");
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(vbcall(stub(duv_stub_esi), "stub", int32_t(1)), 2), "stub did not keep ESI");
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(vbcall(stub(duv_stub_edi), "stub", int32_t(1)), 2), "stub did not keep EDI");
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(vbcall(stub(duv_stub_ebp), "stub", int32_t(1)), 2), "stub did not keep EBP");
    // Four bytes too many removed: seen, and the trampoline's own saved registers survive it.
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(vbcall(stub(duv_stub_pops8), "stub", int32_t(1)), 2),
                            "stub left the stack pointer 4 bytes off");
}

}  // namespace
}  // namespace duvad::test
