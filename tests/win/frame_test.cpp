// The built module as the host meets it: export names and ordinals, imports, version block and
// resources, the loader's entry.
#include <gtest/gtest-spi.h>

#include <algorithm>
#include <set>

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

TEST(ExportTable, ImportsOnlySystemDlls) {
    const std::set<std::string> system = {"KERNEL32.DLL", "USER32.DLL", "ADVAPI32.DLL", "SHELL32.DLL", "COMDLG32.DLL",
                                          "GDI32.DLL",    "WINMM.DLL",  "VERSION.DLL",  "MSVCRT.DLL"};
    for (std::string name : readPe(dll()).importedDlls) {
        for (char& c : name) c = char(toupper(static_cast<unsigned char>(c)));
        EXPECT_TRUE(system.count(name)) << "DuVad.dll imports " << name;
    }
}

// The host runs on Windows 95, 98, NT 4 and 2000: nothing the DLL imports may be newer. These are
// the functions a modern runtime or a careless call would bring in.
TEST(ExportTable, ImportsNothingNewerThanTheHostsWindows) {
    const char* const newer[] = {"GetTickCount64",
                                 "AddVectoredExceptionHandler",
                                 "RemoveVectoredExceptionHandler",
                                 "GetFileSizeEx",
                                 "SetFilePointerEx",
                                 "TryEnterCriticalSection",
                                 "InitializeCriticalSectionAndSpinCount",
                                 "InitializeSRWLock",
                                 "InitOnceExecuteOnce",
                                 "FlsAlloc",
                                 "GetModuleHandleExA",
                                 "GetModuleHandleExW",
                                 "GetDiskFreeSpaceExA"};
    for (const std::string& imported : readPe(dll()).importedNames) {
        const std::string name = imported.substr(imported.find('!') + 1);
        for (const char* n : newer) EXPECT_NE(name, n) << "DuVad.dll imports " << imported;
    }
}

std::string versionString(const std::vector<char>& block, const char* key) {
    char* value = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\040904b0\\") + key;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) return "<missing>";
    return value;
}

TEST(Resources, VersionBlockNamesTheModule) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(dllPath().c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(dllPath().c_str(), handle, size, block.data()));
    EXPECT_EQ(versionString(block, "FileDescription"), "Various Services");
    EXPECT_EQ(versionString(block, "InternalName"), "DuVad");
    EXPECT_EQ(versionString(block, "FileVersion"), DUVAD_VERSION_TEXT);

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    char text[64];
    wsprintfA(text, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
              HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    EXPECT_STREQ(text, DUVAD_VERSION_TEXT);
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_DLL));
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
