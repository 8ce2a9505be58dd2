// PrinterSetup: the Print Setup dialog preset to the printer the host remembers in two byte
// arrays, returning a device or information context, or a device context without any dialog.
#include <windows.h>
#include <cderr.h>
#include <commdlg.h>

#include <cstring>

#include "frame/scoped.h"
#include "include/DuVad.h"
#include "shell/core/printer_blocks.h"
#include "shell/core/text_lists.h"

static_assert(sizeof(PRINTDLGA) == 66, "PRINTDLGA as Windows packs it");

namespace {

constexpr int32_t kInformationContext = 1;
constexpr int32_t kWithoutDialog = 3;
constexpr DWORD kSetupFlags = PD_PRINTSETUP | PD_NOWARNING | PD_NONETWORKBUTTON;
static_assert((kSetupFlags | PD_RETURNIC) == 0x2002C0 && (kSetupFlags | PD_RETURNDC) == 0x2001C0);
static_assert(PD_RETURNDEFAULT == 0x400);

// A movable global block holding a copy of the caller's bytes; none for a length of 0 or less.
HGLOBAL globalCopy(const void* bytes, int32_t length) {
    if (length <= 0) return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(length));
    if (!block) return nullptr;
    if (void* p = GlobalLock(block)) {
        std::memcpy(p, bytes, static_cast<size_t>(length));
        GlobalUnlock(block);
    }
    return block;
}

// Copies a block the dialog returned back to the caller, in full, with its size.
void copyBack(HGLOBAL block, void* bytes, int32_t* length) {
    if (!block) return;
    const SIZE_T size = GlobalSize(block);
    if (const void* p = GlobalLock(block)) {
        std::memcpy(bytes, p, size);
        GlobalUnlock(block);
        *length = static_cast<int32_t>(size);
    }
}

// The dialog's record with the blocks the function holds: whatever handle the dialog leaves in
// it, the function's own or a new one, is freed when the record goes.
struct Dialog {
    PRINTDLGA record = {};
    ~Dialog() { dropBlocks(); }
    void dropBlocks() {
        duvad::ScopedGlobal(record.hDevMode).reset();
        duvad::ScopedGlobal(record.hDevNames).reset();
        record.hDevMode = record.hDevNames = nullptr;
    }
};

int32_t makeContextWithoutDialog(HWND owner, char* names, int32_t* namesLength, char* deviceMode,
                                 int32_t* deviceModeLength, HDC* context) {
    if (*namesLength <= 0) {
        Dialog fetch;
        fetch.record.lStructSize = sizeof fetch.record;
        fetch.record.hwndOwner = owner;
        fetch.record.Flags = PD_RETURNDEFAULT;
        if (!PrintDlgA(&fetch.record)) return DUVAD_PRINTERSETUP_FAILED;
        copyBack(fetch.record.hDevNames, names, namesLength);
        copyBack(fetch.record.hDevMode, deviceMode, deviceModeLength);
    }
    const auto* block = reinterpret_cast<const uint8_t*>(names);
    char driver[duvad::shell::kDevNameBytes];
    char device[duvad::shell::kDevNameBytes];
    // A block whose names cannot be read names no printer (an empty driver name could stand
    // for the display).
    const size_t size = static_cast<size_t>(*namesLength);
    if (!duvad::shell::readDevName(block, size, duvad::shell::DevName::Driver, driver) ||
        !duvad::shell::readDevName(block, size, duvad::shell::DevName::Device, device) || !driver[0])
        return DUVAD_PRINTERSETUP_NO_CONTEXT;
    // A device mode block whose own sizes pass its length would be read past its end.
    if (*deviceModeLength > 0 &&
        !duvad::shell::devModeFits(reinterpret_cast<const uint8_t*>(deviceMode), size_t(*deviceModeLength)))
        return DUVAD_PRINTERSETUP_NO_CONTEXT;
    const DEVMODEA* mode = *deviceModeLength > 0 ? reinterpret_cast<const DEVMODEA*>(deviceMode) : nullptr;
    HDC dc = CreateDCA(driver, device, nullptr, mode);
    if (!dc) return DUVAD_PRINTERSETUP_NO_CONTEXT;
    *context = dc;
    return DUVAD_PRINTERSETUP_MADE;
}

}  // namespace

extern "C" int32_t WINAPI PrinterSetup(HWND ownerWindow, int32_t mode, HDC* context, char* names, int32_t* namesLength,
                                       char* deviceMode, int32_t* deviceModeLength) {
    if (!context || !names || !namesLength || !deviceMode || !deviceModeLength) return DUVAD_PRINTERSETUP_FAILED;
    if (mode == kWithoutDialog)
        return makeContextWithoutDialog(ownerWindow, names, namesLength, deviceMode, deviceModeLength, context);

    // Remembered blocks that do not hold their form would be read past their ends by the dialog:
    // they are not handed to it, as if the dialog had refused the remembered printer (it then
    // opens at the default printer, or the call fails as that refusal does without a names block).
    const bool usable =
        (*deviceModeLength <= 0 ||
         duvad::shell::devModeFits(reinterpret_cast<const uint8_t*>(deviceMode), size_t(*deviceModeLength))) &&
        (*namesLength <= 0 || duvad::shell::devNamesFit(reinterpret_cast<const uint8_t*>(names), size_t(*namesLength)));
    if (!usable && *namesLength <= 0) return DUVAD_PRINTERSETUP_FAILED;
    Dialog dialog;
    if (usable) {
        dialog.record.hDevMode = globalCopy(deviceMode, *deviceModeLength);
        dialog.record.hDevNames = globalCopy(names, *namesLength);
    }
    // Shown at most twice: preset to the remembered printer, and once more at the default printer
    // when that one cannot be used. A second failure ends the call whatever the dialog left in the
    // record (a dialog that fails after handing back blocks of its own must not bring it back).
    constexpr int kMostShowings = 2;
    for (int showing = 1; showing <= kMostShowings; ++showing) {
        PRINTDLGA& r = dialog.record;
        const HGLOBAL devMode = r.hDevMode, devNames = r.hDevNames;
        r = PRINTDLGA{};
        r.lStructSize = sizeof r;
        r.hwndOwner = ownerWindow;
        r.hDevMode = devMode;
        r.hDevNames = devNames;
        r.Flags = kSetupFlags | (mode == kInformationContext ? PD_RETURNIC : PD_RETURNDC);
        if (PrintDlgA(&r)) {
            *context = r.hDC;
            copyBack(r.hDevNames, names, namesLength);
            copyBack(r.hDevMode, deviceMode, deviceModeLength);
            return DUVAD_PRINTERSETUP_MADE;
        }
        const DWORD error = CommDlgExtendedError();
        if (error == 0) return DUVAD_PRINTERSETUP_CANCELLED;
        if (error == PDERR_NODEFAULTPRN || error == PDERR_NODEVICES) return DUVAD_PRINTERSETUP_NO_PRINTER;
        if (!r.hDevNames) break;
        // A remembered printer the dialog cannot use: drop the blocks, show it at the default one.
        dialog.dropBlocks();
    }
    return DUVAD_PRINTERSETUP_FAILED;
}
