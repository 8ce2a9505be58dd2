// GetLVItemText, SetLVItemText, RemoveLVFocus: one message each to a list view control.
#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "include/DuVad.h"

namespace {
constexpr int kCellBytes = 1024;
}

extern "C" int32_t WINAPI GetLVItemText(HWND listView, int32_t item, int32_t subItem, char* text) {
    if (!text) return 0;
    // Starts empty, for a window or item that fills nothing in. Some list views copy a cell that
    // does not fit without its terminator: the last byte of the area is made one afterwards.
    char area[kCellBytes] = {};
    LVITEMA record = {};
    record.iSubItem = subItem;
    record.pszText = area;
    record.cchTextMax = kCellBytes;
    SendMessageA(listView, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&record));
    area[kCellBytes - 1] = '\0';
    std::memcpy(text, area, std::strlen(area) + 1);
    return 0;
}

extern "C" int32_t WINAPI SetLVItemText(HWND listView, int32_t item, int32_t subItem, const char* text) {
    if (!text) return 0;
    LVITEMA record = {};
    record.iSubItem = subItem;
    record.pszText = const_cast<char*>(text);
    return static_cast<int32_t>(
        SendMessageA(listView, LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&record)));
}

extern "C" int32_t WINAPI RemoveLVFocus(HWND listView) {
    LVITEMA record = {};
    record.state = 0;
    record.stateMask = LVIS_FOCUSED;
    return static_cast<int32_t>(
        SendMessageA(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&record)));
}
