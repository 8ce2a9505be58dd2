// DuVad.def's argument bytes against what each export really removes from the stack: every
// export is called by name with exactly the declared count of 32-bit words, and the stack pointer
// afterwards tells how many bytes the callee took. The arguments are chosen so that each
// call returns at once without a lasting effect (null pointers, a mode that does nothing), and the
// calls that would reach other programs or the machine go to stand-ins at the DLL's imports.
#include <string>
#include <vector>

#include "tests/win/export_table.h"
#include "tests/win/harness.h"
#include "tests/win/import_patch.h"

namespace duvad::test {
namespace {

BOOL WINAPI noColourDialog(LPCHOOSECOLORA) { return FALSE; }
BOOL WINAPI noRestart(LPSTR, LPSTR, DWORD, BOOL, BOOL) { return FALSE; }
HWND WINAPI noWindow(LPCSTR, LPCSTR) { return nullptr; }  // no companion of another test is asked

// Arguments that make an export return at once: zeros, except where zero would act.
void quietArguments(const char* name, uint32_t* words) {
    const std::string n = name;
    if (n == "AllineaConExplorer") words[1] = 7;  // a mode that does nothing
    if (n == "WriteRegBlock") words[3] = ~0u;     // a negative length is refused before the registry
}

TEST(ExportTable, ArgumentCountsAreTheBytesEachExportRemoves) {
    ImportPatch colour(dll(), "ChooseColorA", reinterpret_cast<void*>(&noColourDialog));
    LookupPatch restart(dll(), {{"InitiateSystemShutdownA", reinterpret_cast<void*>(&noRestart)}});
    ImportPatch companion(dll(), "FindWindowA", reinterpret_cast<void*>(&noWindow));
    ASSERT_TRUE(colour.active() && restart.active() && companion.active());

    const std::vector<DeclaredExport>& declared = declaredExports();
    ASSERT_FALSE(declared.empty());
    for (const DeclaredExport& row : declared) {
        SCOPED_TRACE(row.name);
        const FARPROC fn = proc(row.name.c_str());
        ASSERT_NE(fn, nullptr);
        uint32_t words[16] = {};
        ASSERT_LE(row.args, 16);
        quietArguments(row.name.c_str(), words);
        uint32_t before[4];
        nextSentinels(before);
        StdcallFrame frame = {0, 0x7fffffff, {}};
        stdcallRaw(reinterpret_cast<const void*>(fn), words, row.args, before, &frame);
        const int32_t delta = frame.espDelta;
        EXPECT_EQ(delta, 0) << row.name << " removes " << row.args * 4 + delta << " bytes; DuVad.def says " << row.args
                            << " arguments (" << row.args * 4 << " bytes)";
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(frame.after[i], before[i]) << row.name << " did not keep " << kCalleeSaved[i];
    }
}

}  // namespace
}  // namespace duvad::test
