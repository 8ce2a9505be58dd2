// GetFilenameForOpenOrSave: the system's Open or Save As dialog, one file or several.
#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "files/system_codepage.h"
#include "include/DuVad.h"
#include "shell/core/text_lists.h"

// The dialog record in its Windows 95 / NT 4 form: it ends at the template name.
static_assert(sizeof(OPENFILENAME_NT4A) == 76, "OPENFILENAMEA in its 76-byte form");

namespace {

constexpr DWORD kFileAreaBytes = 10000;

enum Kind : int32_t { kOpenOne = 1, kOpenSeveral = 2, kSaveAsking = 5, kSaveSilently = 6 };

constexpr DWORD kOpenOneFlags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
constexpr DWORD kOpenSeveralFlags = kOpenOneFlags | OFN_ALLOWMULTISELECT;
constexpr DWORD kSaveAskingFlags = kOpenOneFlags | OFN_OVERWRITEPROMPT;
static_assert(kOpenOneFlags == 0x80804 && kOpenSeveralFlags == 0x80A04 && kSaveAskingFlags == 0x80806);

}  // namespace

extern "C" int32_t WINAPI GetFilenameForOpenOrSave(HWND ownerWindow, int32_t kind, const char* title,
                                                   const char* filter, char* file) {
    if (!filter || !file) return 0;
    DWORD flags = 0;
    switch (kind) {
    case kOpenOne: flags = kOpenOneFlags; break;
    case kOpenSeveral: flags = kOpenSeveralFlags; break;
    case kSaveAsking: flags = kSaveAskingFlags; break;
    case kSaveSilently: flags = kOpenOneFlags; break;
    default: return 0;
    }

    char filterList[duvad::shell::kFilterListBytes];
    char defaultExt[duvad::shell::kDefaultExtBytes];
    if (!duvad::shell::buildFilterList(filter, filterList, defaultExt)) return 0;
    // An initial name that does not fit the file area is refused, like a failed dialog.
    const size_t initialLength = std::strlen(file);
    if (initialLength >= kFileAreaBytes) return 0;
    char fileArea[kFileAreaBytes] = {};
    std::memcpy(fileArea, file, initialLength + 1);

    OPENFILENAME_NT4A record = {};
    record.lStructSize = sizeof record;
    record.hwndOwner = ownerWindow;
    record.lpstrFilter = filterList;
    record.lpstrFile = fileArea;
    record.nMaxFile = kFileAreaBytes;
    record.lpstrTitle = title;
    record.Flags = flags;
    record.lpstrDefExt = defaultExt;
    auto* dialogRecord = reinterpret_cast<OPENFILENAMEA*>(&record);

    const BOOL chosen = kind == kSaveAsking || kind == kSaveSilently ? GetSaveFileNameA(dialogRecord)
                                                                     : GetOpenFileNameA(dialogRecord);
    if (!chosen) return 0;
    if (kind != kOpenSeveral) {
        std::memcpy(file, fileArea, std::strlen(fileArea) + 1);
        return 1;
    }
    // The folder is repeated for every name, so the joined list can outgrow the 10000 bytes the
    // caller was asked for: it keeps the whole paths that fit there. With none (a single path of
    // almost 10000 characters) the caller's buffer stays as it was, as for a cancel.
    char list[kFileAreaBytes];
    const int32_t count = duvad::shell::writeSelectionList(fileArea, sizeof fileArea, record.nFileOffset,
                                                           duvad::files::systemCodePage(), list, sizeof list);
    if (count > 0) std::memcpy(file, list, std::strlen(list) + 1);
    return count;
}
