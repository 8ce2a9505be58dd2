// The Print Setup dialog and printer contexts through the DLL: with the CUPS PDF queue that the
// test script sets up (DesktopPrinter), and with no printer at all (NoPrinter, run by its own
// ctest entry whose CUPS client reaches no server). Both change what Wine lists as printers, so
// they never run beside each other.
#include <windows.h>
#include <cderr.h>
#include <commdlg.h>
#include <winspool.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "tests/win/dialog_driver.h"
#include "tests/win/harness.h"
#include "tests/win/import_patch.h"

namespace duvad::test {
namespace {

constexpr int kPrinterCombo = 0x470;

int printerCount() {
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    if (needed == 0) return 0;
    std::vector<BYTE> info(needed);
    if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, info.data(), needed, &needed, &count)) return 0;
    return int(count);
}

// The printer the caller remembers: two byte arrays and their lengths, as the VB6 host keeps them.
struct Remembered {
    GuardedBuffer names{4096};
    GuardedBuffer mode{16384};
    int32_t namesLength = 0;
    int32_t modeLength = 0;
    HDC context = reinterpret_cast<HDC>(intptr_t(kSentinel));

    int32_t call(int32_t which) {
        return VB(PrinterSetup, HWND(nullptr), which, &context, names.data(), &namesLength, mode.data(), &modeLength);
    }
    std::string name(int word) const {
        auto* b = reinterpret_cast<const uint8_t*>(const_cast<Remembered*>(this)->names.data());
        return reinterpret_cast<const char*>(b + (b[2 * word] | b[2 * word + 1] << 8));
    }
    DEVMODEA* devMode() { return reinterpret_cast<DEVMODEA*>(mode.data()); }
    std::string bytes() {
        return std::string(names.data(), size_t(namesLength)) + std::string(mode.data(), size_t(modeLength));
    }
    void deleteContext() {
        if (context != reinterpret_cast<HDC>(intptr_t(kSentinel))) DeleteDC(context);
        context = reinterpret_cast<HDC>(intptr_t(kSentinel));
    }
    bool contextWritten() const { return context != reinterpret_cast<HDC>(intptr_t(kSentinel)); }
};

// Remembers a printer names block naming a printer that is not there.
void rememberMissing(Remembered& r) {
    const char text[] = "nosuchdriver.drv\0NoSuchPrinter\0LPT9:";
    memcpy(r.names.data(), "\x08\x00\x19\x00\x27\x00\x00\x00", 8);
    memcpy(r.names.data() + 8, text, sizeof text);
    r.namesLength = int32_t(8 + sizeof text);
    r.modeLength = 0;
}

// Run by the DesktopPrinterQueue ctest entry, which fails when a test skips: without the printer
// these tests would pass silently.
class DesktopPrinter : public ::testing::Test {
protected:
    void SetUp() override {
        if (printerCount() == 0)
            GTEST_SKIP() << "no printer: CUPS with the PDF queue scripts/test.sh sets up must be running";
    }
    std::string shownPrinter_;
    DialogScript ok() {
        return DialogScript([this](HWND d) {
            shownPrinter_ = windowText(GetDlgItem(d, kPrinterCombo));
            press(d, IDOK);
        });
    }
};

TEST_F(DesktopPrinter, FirstDialogFillsTheBlocksAndGivesADeviceContext) {
    Remembered r;
    {
        DialogScript s = ok();
        ASSERT_EQ(r.call(2), 1);
    }
    char defaultPrinter[256] = {};
    DWORD size = sizeof defaultPrinter;
    ASSERT_TRUE(GetDefaultPrinterA(defaultPrinter, &size));
    EXPECT_EQ(shownPrinter_, defaultPrinter);
    EXPECT_EQ(r.name(1), defaultPrinter);
    EXPECT_GT(r.namesLength, 8);
    EXPECT_TRUE(r.names.untouchedFrom(size_t(r.namesLength)));
    EXPECT_GE(r.modeLength, int32_t(sizeof(DEVMODEA)));
    EXPECT_EQ(r.modeLength, r.devMode()->dmSize + r.devMode()->dmDriverExtra);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(r.devMode()->dmDeviceName)), defaultPrinter);
    ASSERT_TRUE(r.contextWritten());
    EXPECT_EQ(GetObjectType(r.context), DWORD(OBJ_DC));
    EXPECT_EQ(GetDeviceCaps(r.context, TECHNOLOGY), DT_RASPRINTER);
    r.deleteContext();
}

TEST_F(DesktopPrinter, InformationContextAnswersQuestions) {
    Remembered r;
    {
        DialogScript s = ok();
        ASSERT_EQ(r.call(1), 1);
    }
    ASSERT_TRUE(r.contextWritten());
    EXPECT_EQ(GetDeviceCaps(r.context, TECHNOLOGY), DT_RASPRINTER);
    EXPECT_GT(GetDeviceCaps(r.context, HORZRES), 0);
    r.deleteContext();
}

TEST_F(DesktopPrinter, CancelChangesNothing) {
    Remembered r;
    {
        DialogScript s = ok();
        ASSERT_EQ(r.call(2), 1);
    }
    r.deleteContext();
    const std::string before = r.bytes();
    const int32_t namesLength = r.namesLength, modeLength = r.modeLength;
    {
        DialogScript s([](HWND d) { press(d, IDCANCEL); });
        EXPECT_EQ(r.call(2), 0);
        s.join();
        EXPECT_TRUE(s.sawDialog());
    }
    EXPECT_FALSE(r.contextWritten());
    EXPECT_EQ(r.namesLength, namesLength);
    EXPECT_EQ(r.modeLength, modeLength);
    EXPECT_EQ(r.bytes(), before);
}

TEST_F(DesktopPrinter, WithoutDialogFromRememberedBlocksOrTheDefault) {
    // No printer remembered: the default printer's blocks are fetched and kept, no dialog shows.
    Remembered r;
    {
        DialogScript none([](HWND d) { press(d, IDCANCEL); }, 3000);
        ASSERT_EQ(r.call(3), 1);
        none.join();
        EXPECT_FALSE(none.sawDialog());
    }
    EXPECT_GT(r.namesLength, 8);
    EXPECT_GT(r.modeLength, 0);
    EXPECT_EQ(GetDeviceCaps(r.context, TECHNOLOGY), DT_RASPRINTER);
    const bool portraitFirst = GetDeviceCaps(r.context, VERTRES) > GetDeviceCaps(r.context, HORZRES);
    r.deleteContext();

    // Remembered blocks are used as they stand and not written back: a landscape device mode
    // gives a landscape context.
    r.devMode()->dmFields |= DM_ORIENTATION;
    r.devMode()->dmOrientation = DMORIENT_LANDSCAPE;
    const std::string before = r.bytes();
    const int32_t namesLength = r.namesLength, modeLength = r.modeLength;
    {
        DialogScript none([](HWND d) { press(d, IDCANCEL); }, 3000);
        ASSERT_EQ(r.call(3), 1);
        none.join();
        EXPECT_FALSE(none.sawDialog());
    }
    EXPECT_EQ(r.bytes(), before);
    EXPECT_EQ(r.namesLength, namesLength);
    EXPECT_EQ(r.modeLength, modeLength);
    EXPECT_TRUE(portraitFirst);
    EXPECT_GT(GetDeviceCaps(r.context, HORZRES), GetDeviceCaps(r.context, VERTRES));
    r.deleteContext();

    // Names without a device mode: the printer's own defaults.
    r.modeLength = 0;
    ASSERT_EQ(r.call(3), 1);
    EXPECT_EQ(GetDeviceCaps(r.context, TECHNOLOGY), DT_RASPRINTER);
    r.deleteContext();
}

TEST_F(DesktopPrinter, PrinterThatIsNotThere) {
    // Without dialog: its driver cannot be loaded, so no context.
    Remembered r;
    rememberMissing(r);
    EXPECT_EQ(r.call(3), -3);
    EXPECT_FALSE(r.contextWritten());
    // A block whose offsets point outside it names no printer either.
    r.names.data()[0] = char(0xF0);
    EXPECT_EQ(r.call(3), -3);
    EXPECT_FALSE(r.contextWritten());

    // With the dialog: it opens at the default printer, and the blocks then name that one.
    rememberMissing(r);
    {
        DialogScript s = ok();
        EXPECT_EQ(r.call(2), 1);
    }
    EXPECT_NE(r.name(1), "NoSuchPrinter");
    EXPECT_EQ(r.name(1), shownPrinter_);
    r.deleteContext();
}

// Without dialog the caller's device mode goes to the system as it stands, and the system reads its
// texts up to their zero: a form name that runs to the end of the block, the block at the end of
// the caller's memory, was read past it (the host faulted). Such a block makes no context; one
// whose form name ends at its last byte does.
TEST_F(DesktopPrinter, WithoutDialogADeviceModeWhoseFormNameRunsToItsEndIsRefused) {
    Remembered r;
    ASSERT_EQ(r.call(3), 1);  // the default printer's blocks
    r.deleteContext();
    constexpr size_t kFormNameEnd = offsetof(DEVMODEA, dmFormName) + CCHFORMNAME;
    static_assert(kFormNameEnd == 102);
    GuardedBuffer mode(kFormNameEnd);
    memcpy(mode.data(), r.mode.data(), kFormNameEnd);
    auto* m = reinterpret_cast<DEVMODEA*>(mode.data());
    m->dmSize = WORD(kFormNameEnd);
    m->dmDriverExtra = 0;
    m->dmFields |= DM_FORMNAME;
    memset(m->dmFormName, 'F', CCHFORMNAME);
    int32_t length = int32_t(kFormNameEnd);
    EXPECT_EQ(VB(PrinterSetup, HWND(nullptr), 3, &r.context, r.names.data(), &r.namesLength, mode.data(), &length), -3);
    EXPECT_FALSE(r.contextWritten());
    m->dmFormName[CCHFORMNAME - 1] = '\0';
    EXPECT_EQ(VB(PrinterSetup, HWND(nullptr), 3, &r.context, r.names.data(), &r.namesLength, mode.data(), &length), 1);
    EXPECT_TRUE(r.contextWritten());
    r.deleteContext();
}

// A printer names block whose driver offset points into its four words: the words and what follows
// them read as the real driver's name, yet no such block is taken.
TEST_F(DesktopPrinter, WithoutDialogNamesOffsetsIntoTheWordsAreRefused) {
    Remembered r;
    ASSERT_EQ(r.call(3), 1);
    r.deleteContext();
    const std::string driver = r.name(0), device = r.name(1);
    ASSERT_GE(driver.size(), 4u);
    // Offset 4: the output offset and flag words hold the driver name's first four characters.
    std::string block = std::string("\x04\x00", 2) + std::string(2, '\0') + driver + '\0' + device + '\0';
    const size_t deviceAt = 4 + driver.size() + 1;
    block[2] = char(deviceAt), block[3] = char(deviceAt >> 8);
    memcpy(r.names.data(), block.data(), block.size());
    r.namesLength = int32_t(block.size());
    r.modeLength = 0;
    EXPECT_EQ(r.call(3), -3);
    EXPECT_FALSE(r.contextWritten());
    // The same names at offsets past the words make a context.
    block = std::string(8, '\0') + driver + '\0' + device + '\0';
    block[0] = 8, block[2] = block[4] = char(8 + driver.size() + 1);
    memcpy(r.names.data(), block.data(), block.size());
    r.namesLength = int32_t(block.size());
    EXPECT_EQ(r.call(3), 1);
    r.deleteContext();
}

TEST_F(DesktopPrinter, NullPointersAreRefused) {
    Remembered r;
    EXPECT_EQ(VB(PrinterSetup, HWND(nullptr), 3, static_cast<HDC*>(nullptr), r.names.data(), &r.namesLength,
                 r.mode.data(), &r.modeLength),
              -2);
    EXPECT_EQ(VB(PrinterSetup, HWND(nullptr), 2, &r.context, r.names.data(), static_cast<int32_t*>(nullptr),
                 r.mode.data(), &r.modeLength),
              -2);
    EXPECT_FALSE(r.contextWritten());
}

// Run by the NoPrinterInstalled ctest entry.
class NoPrinter : public ::testing::Test {
protected:
    void SetUp() override {
        if (printerCount() != 0) GTEST_SKIP() << "a printer is installed; the NoPrinterInstalled test hides it";
    }
};

// Windows fails the dialog with "no default printer" (-1). Wine first tells the user to install a
// printer and then fails without any extended error, which reads as a cancel (0); the result is
// checked against the error the dialog left behind on this thread.
TEST_F(NoPrinter, DialogModesTellTheUserAndFail) {
    for (int32_t mode : {1, 2}) {
        SCOPED_TRACE(mode);
        Remembered r;
        std::string message;
        DialogScript dismiss([&](HWND box) {
            for (HWND s = findChild(box, "Static"); s; s = FindWindowExA(box, s, "Static", nullptr))
                message += windowText(s);
            press(box, IDOK);
        });
        const int32_t result = r.call(mode);
        dismiss.join();
        const DWORD error = CommDlgExtendedError();
        EXPECT_EQ(result, error == PDERR_NODEFAULTPRN || error == PDERR_NODEVICES ? -1 : error == 0 ? 0 : -2) << error;
        EXPECT_LE(result, 0);
        EXPECT_NE(message.find("install a printer"), std::string::npos) << message;
        EXPECT_FALSE(r.contextWritten());
        EXPECT_EQ(r.namesLength, 0);
        EXPECT_EQ(r.modeLength, 0);
        EXPECT_TRUE(r.names.untouchedFrom(0));
    }
}

TEST_F(NoPrinter, WithoutDialogNoDefaultGivesMinusTwo) {
    Remembered r;
    EXPECT_EQ(r.call(3), -2);
    EXPECT_FALSE(r.contextWritten());
    EXPECT_EQ(r.namesLength, 0);
    EXPECT_TRUE(r.mode.untouchedFrom(0));
    rememberMissing(r);
    EXPECT_EQ(r.call(3), -3);
    EXPECT_FALSE(r.contextWritten());
}

// ---- How often the dialog is shown, through a stand-in for PrintDlgA -----------------------------
// The stand-in plays a script of showings (fail with an extended error, or succeed), optionally
// handing back blocks of its own as the real dialog does; the DLL's GlobalAlloc and GlobalFree are
// watched so that every block, the DLL's or the dialog's, is seen freed.

struct Showing {
    bool ok;
    DWORD error;           // the extended error of a failure
    bool handsBackBlocks;  // replaces the record's blocks with new ones of its own
};
struct PrintScript {
    std::vector<Showing> showings;
    size_t shown = 0;
    std::vector<bool> hadNames;  // per showing: the DLL gave a printer names block
    std::vector<bool> hadMode;   // per showing: the DLL gave a device mode block
    DWORD lastError = 0;
    std::vector<HGLOBAL> live;    // global blocks allocated and not yet freed
    std::string namesHandedBack;  // the bytes of the last names block the stand-in made
};
PrintScript g_print;
const HDC kStandInContext = reinterpret_cast<HDC>(intptr_t(0x5151));

HGLOBAL WINAPI watchedAlloc(UINT flags, SIZE_T bytes) {
    HGLOBAL h = GlobalAlloc(flags, bytes);
    if (h) g_print.live.push_back(h);
    return h;
}
HGLOBAL WINAPI watchedFree(HGLOBAL h) {
    g_print.live.erase(std::remove(g_print.live.begin(), g_print.live.end(), h), g_print.live.end());
    return GlobalFree(h);
}
HGLOBAL blockOf(const std::string& bytes) {
    HGLOBAL h = watchedAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(GlobalLock(h), bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
}

BOOL WINAPI standInPrintDlg(PRINTDLGA* r) {
    g_print.hadNames.push_back(r->hDevNames != nullptr);
    g_print.hadMode.push_back(r->hDevMode != nullptr);
    // Past the end of the script the user cancels, so a call that shows too often still returns.
    const Showing s = g_print.shown < g_print.showings.size() ? g_print.showings[g_print.shown]
                                                              : Showing{false, 0, false};
    ++g_print.shown;
    if (s.handsBackBlocks) {
        if (r->hDevNames) watchedFree(r->hDevNames);
        if (r->hDevMode) watchedFree(r->hDevMode);
        g_print.namesHandedBack = std::string(
            "\x08\x00\x12\x00\x18\x00\x00\x00"
            "stand.drv\0Stand\0LPT1:",
            30);
        r->hDevNames = blockOf(g_print.namesHandedBack);
        r->hDevMode = blockOf(std::string(sizeof(DEVMODEA), '\x11'));
    }
    if (s.ok) r->hDC = kStandInContext;
    g_print.lastError = s.ok ? 0 : s.error;
    return s.ok;
}
DWORD WINAPI standInExtendedError() { return g_print.lastError; }

class PrinterSetupShowings : public ::testing::Test {
protected:
    void SetUp() override {
        for (const ImportPatch* p : {&dialog_, &error_, &alloc_, &free_}) ASSERT_TRUE(p->active());
        g_print = {};
    }
    // Plays `script` with a remembered printer (or none); the result of PrinterSetup in mode 2.
    int32_t play(std::vector<Showing> script, bool remembered) {
        g_print.showings = std::move(script);
        if (remembered)
            rememberMissing(r_);
        else
            r_.namesLength = 0;
        r_.modeLength = 0;
        return r_.call(2);
    }
    Remembered r_;
    ImportPatch dialog_{dll(), "comdlg32.dll", "PrintDlgA", reinterpret_cast<const void*>(&standInPrintDlg)};
    ImportPatch error_{dll(), "comdlg32.dll", "CommDlgExtendedError",
                       reinterpret_cast<const void*>(&standInExtendedError)};
    ImportPatch alloc_{dll(), "kernel32.dll", "GlobalAlloc", reinterpret_cast<const void*>(&watchedAlloc)};
    ImportPatch free_{dll(), "kernel32.dll", "GlobalFree", reinterpret_cast<const void*>(&watchedFree)};
};

constexpr DWORD kPrinterNotFound = PDERR_PRINTERNOTFOUND;

TEST_F(PrinterSetupShowings, ASecondFailureEndsTheCallWhateverTheDialogLeft) {
    struct Case {
        const char* what;
        bool handsBack;
    };
    for (Case c : {Case{"dialog hands back blocks of its own", true}, Case{"dialog hands back nothing", false}}) {
        SCOPED_TRACE(c.what);
        const std::string before = (rememberMissing(r_), r_.bytes());
        EXPECT_EQ(play({{false, kPrinterNotFound, c.handsBack}, {false, kPrinterNotFound, c.handsBack}}, true), -2);
        EXPECT_EQ(g_print.shown, 2u);
        EXPECT_EQ(g_print.hadNames, (std::vector<bool>{true, false})) << "the second showing is at the default printer";
        EXPECT_FALSE(r_.contextWritten());
        EXPECT_EQ(r_.namesLength, int32_t(before.size()));
        EXPECT_EQ(r_.bytes(), before);
        EXPECT_TRUE(g_print.live.empty()) << g_print.live.size() << " global blocks not freed";
        g_print = {};
    }
}

TEST_F(PrinterSetupShowings, WithoutARememberedPrinterAFailureIsNotRetried) {
    EXPECT_EQ(play({{false, kPrinterNotFound, false}}, false), -2);
    EXPECT_EQ(g_print.shown, 1u);
    EXPECT_FALSE(r_.contextWritten());
}

TEST_F(PrinterSetupShowings, TheSecondShowingAtTheDefaultPrinterCanSucceed) {
    EXPECT_EQ(play({{false, kPrinterNotFound, true}, {true, 0, true}}, true), 1);
    EXPECT_EQ(g_print.shown, 2u);
    EXPECT_EQ(r_.context, kStandInContext);
    EXPECT_EQ(std::string(r_.names.data(), size_t(r_.namesLength)), g_print.namesHandedBack);
    EXPECT_EQ(r_.modeLength, int32_t(sizeof(DEVMODEA)));
    EXPECT_TRUE(g_print.live.empty()) << g_print.live.size() << " global blocks not freed";
}

TEST_F(PrinterSetupShowings, CancelAndNoPrinterAreAnsweredAtOnce) {
    struct Case {
        DWORD error;
        int32_t result;
    };
    for (Case c : {Case{0, 0}, Case{PDERR_NODEVICES, -1}, Case{PDERR_NODEFAULTPRN, -1}}) {
        SCOPED_TRACE(c.error);
        g_print = {};
        EXPECT_EQ(play({{false, c.error, true}, {false, c.error, true}}, true), c.result);
        EXPECT_EQ(g_print.shown, 1u);
        EXPECT_FALSE(r_.contextWritten());
        EXPECT_TRUE(g_print.live.empty());
    }
}

// A device mode block as a host may have stored it: `size` bytes whose own sizes say `dmSize` and
// `driverExtra`, in a buffer that ends at a no-access page.
void storeDevMode(GuardedBuffer& buffer, int32_t* length, WORD dmSize, WORD driverExtra) {
    memset(buffer.data(), 0, buffer.size());
    DEVMODEA* mode = reinterpret_cast<DEVMODEA*>(buffer.data());
    strcpy(reinterpret_cast<char*>(mode->dmDeviceName), "NoSuchPrinter");
    mode->dmSize = dmSize;
    mode->dmDriverExtra = driverExtra;
    *length = int32_t(buffer.size());
}

// Stored blocks whose own sizes or offsets pass their lengths would be read past their ends (a
// 156-byte device mode claiming 4096 driver bytes made the system's conversion read 4 KiB beyond
// it): they are not handed on. The dialog then opens at the default printer, as for a remembered
// printer it cannot use; without a dialog there is no context.
TEST_F(PrinterSetupShowings, StoredBlocksThatPassTheirLengthsAreNotHandedOn) {
    {
        SCOPED_TRACE("device mode whose driver bytes pass its length");
        GuardedBuffer mode(sizeof(DEVMODEA));
        rememberMissing(r_);
        storeDevMode(mode, &r_.modeLength, WORD(sizeof(DEVMODEA)), 4096);
        EXPECT_EQ(VB(PrinterSetup, HWND(nullptr), 3, &r_.context, r_.names.data(), &r_.namesLength, mode.data(),
                     &r_.modeLength),
                  -3);
        EXPECT_FALSE(r_.contextWritten());

        g_print = {};
        g_print.showings = {{true, 0, true}};
        EXPECT_EQ(VB(PrinterSetup, HWND(nullptr), 2, &r_.context, r_.names.data(), &r_.namesLength, mode.data(),
                     &r_.modeLength),
                  1);
        EXPECT_EQ(g_print.hadMode, std::vector<bool>{false});
        EXPECT_EQ(g_print.hadNames, std::vector<bool>{false}) << "shown at the default printer";
        EXPECT_TRUE(g_print.live.empty());
        r_.context = reinterpret_cast<HDC>(intptr_t(kSentinel));
    }
    {
        SCOPED_TRACE("device mode shorter than its own size, without a names block");
        GuardedBuffer mode(100);
        r_.namesLength = 0;
        storeDevMode(mode, &r_.modeLength, WORD(sizeof(DEVMODEA)), 0);
        g_print = {};
        g_print.showings = {{true, 0, true}};
        EXPECT_EQ(VB(PrinterSetup, HWND(nullptr), 2, &r_.context, r_.names.data(), &r_.namesLength, mode.data(),
                     &r_.modeLength),
                  -2);
        EXPECT_EQ(g_print.shown, 0u);
        EXPECT_FALSE(r_.contextWritten());
    }
    {
        SCOPED_TRACE("names block whose offsets lie outside it");
        for (int word = 0; word < 3; ++word) {
            SCOPED_TRACE(word);
            rememberMissing(r_);
            r_.names.data()[2 * word] = char(0xF0);
            g_print = {};
            g_print.showings = {{true, 0, true}};
            EXPECT_EQ(r_.call(2), 1);
            EXPECT_EQ(g_print.hadNames, std::vector<bool>{false});
            r_.context = reinterpret_cast<HDC>(intptr_t(kSentinel));
        }
    }
    {
        SCOPED_TRACE("blocks that fit exactly are handed on as they are");
        GuardedBuffer mode(sizeof(DEVMODEA) + 8);
        rememberMissing(r_);
        storeDevMode(mode, &r_.modeLength, WORD(sizeof(DEVMODEA)), 8);
        g_print = {};
        g_print.showings = {{true, 0, true}};
        EXPECT_EQ(VB(PrinterSetup, HWND(nullptr), 2, &r_.context, r_.names.data(), &r_.namesLength, mode.data(),
                     &r_.modeLength),
                  1);
        EXPECT_EQ(g_print.hadMode, std::vector<bool>{true});
        EXPECT_EQ(g_print.hadNames, std::vector<bool>{true});
        r_.context = reinterpret_cast<HDC>(intptr_t(kSentinel));
    }
}

}  // namespace
}  // namespace duvad::test
