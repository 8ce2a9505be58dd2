// GetAColor, GetAFont: the Color and Font dialogs, with the host's plain values in and out.
#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "include/DuVad.h"
#include "shell/core/geometry.h"

static_assert(sizeof(CHOOSECOLORA) == 36 && sizeof(CHOOSEFONTA) == 60 && sizeof(LOGFONTA) == 60);

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr DWORD kFontFlags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS | CF_FORCEFONTEXIST | CF_TTONLY;
static_assert(kFontFlags == 0x50141 && CC_RGBINIT == 1);

}  // namespace

extern "C" int32_t WINAPI GetAColor(HWND ownerWindow, int32_t initialColour) {
    // The custom colour boxes start white on every call; what the user defines there is not kept.
    COLORREF custom[16];
    for (COLORREF& c : custom) c = kWhite;
    CHOOSECOLORA record = {};
    record.lStructSize = sizeof record;
    record.hwndOwner = ownerWindow;
    record.rgbResult = static_cast<COLORREF>(initialColour);
    record.lpCustColors = custom;
    record.Flags = CC_RGBINIT;
    // Only 1 is success: without a display the dialog answers -1 and leaves the initial colour.
    if (ChooseColorA(&record) != TRUE) return DUVAD_GETACOLOR_CANCELLED;
    return static_cast<int32_t>(record.rgbResult);
}

extern "C" int32_t WINAPI GetAFont(HWND ownerWindow, char* faceName, int32_t* size, int32_t* weight, int32_t* italic,
                                   int32_t* underline, int32_t* colour) {
    if (!faceName || !size || !weight || !italic || !underline || !colour) return 0;
    LOGFONTA font = {};
    font.lfHeight = duvad::shell::fontHeightFromTwips(*size);
    font.lfWeight = *weight;
    font.lfItalic = static_cast<BYTE>(*italic);
    font.lfUnderline = static_cast<BYTE>(*underline);
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(font.lfFaceName, faceName, LF_FACESIZE);

    CHOOSEFONTA record = {};
    record.lStructSize = sizeof record;
    record.hwndOwner = ownerWindow;
    record.lpLogFont = &font;
    record.Flags = kFontFlags;
    record.rgbColors = static_cast<COLORREF>(*colour);
    if (ChooseFontA(&record) != TRUE) return 0;

    std::memcpy(faceName, font.lfFaceName, std::strlen(font.lfFaceName) + 1);
    *colour = static_cast<int32_t>(record.rgbColors);
    *size = duvad::shell::twipsFromTenthsOfPoint(record.iPointSize);
    *weight = font.lfWeight;
    *italic = font.lfItalic;
    *underline = font.lfUnderline;
    return 1;
}
