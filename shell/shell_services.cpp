// GetHDrop, InvokeShellProperties, ShellGetFolder, GetProgamFilesFolder, ExtensionReg: the
// clipboard's file list, the shell's property sheet and folder browser, the program files folder
// and file-type registration.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "files/system_codepage.h"
#include "frame/module.h"
#include "frame/scoped.h"
#include "include/DuVad.h"
#include "shell/core/drop_list.h"
#include "shell/core/geometry.h"
#include "shell/core/text_lists.h"

static_assert(sizeof(SHELLEXECUTEINFOA) == 60, "the shell execution record of Windows 95 and NT 4");

namespace {

// Holds the clipboard open for the life of the object.
class ClipboardOpen {
public:
    explicit ClipboardOpen(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~ClipboardOpen() {
        if (open_) CloseClipboard();
    }
    ClipboardOpen(const ClipboardOpen&) = delete;
    ClipboardOpen& operator=(const ClipboardOpen&) = delete;
    bool open() const { return open_; }

private:
    bool open_;
};

bool windowEdges(HWND window, duvad::shell::Edges* edges) {
    RECT r = {};
    if (!GetWindowRect(window, &r)) return false;
    *edges = {r.left, r.top, r.right, r.bottom};
    return true;
}

// The folder browser's callback: open the tree at the last folder picked and centre the dialog
// over its owner, keeping its size and Z order. Always answers 0. With no owner (or one that is
// gone) there is nothing to centre over: centring over an empty rectangle at 0,0 would put half
// the dialog, title bar included, off the screen, so it stays where the shell put it.
int CALLBACK browseCallback(HWND dialog, UINT message, LPARAM, LPARAM) {
    if (message != BFFM_INITIALIZED) return 0;
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(duvad::g_lastFolder));
    duvad::shell::Edges owner = {}, dialogEdges = {};
    if (!windowEdges(duvad::g_browseOwner, &owner) || !windowEdges(dialog, &dialogEdges)) return 0;
    const duvad::shell::Point at = duvad::shell::centreOver(owner, dialogEdges);
    SetWindowPos(dialog, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    return 0;
}

// The item the browser returns belongs to the shell's allocator.
void freeItem(LPITEMIDLIST item) {
    IMalloc* malloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&malloc)) && malloc) {
        malloc->Free(item);
        malloc->Release();
    }
}

// The first failing registry call of a registration, or 0 when every one succeeded.
class FirstFailure {
public:
    void note(LONG rc) {
        if (code_ == ERROR_SUCCESS) code_ = rc;
    }
    LONG code() const { return code_; }

private:
    LONG code_ = ERROR_SUCCESS;
};

// Sets the default value of `subKey` of `key` (created as needed) to `text`, as REG_SZ.
void setDefault(HKEY key, const char* subKey, const char* text, FirstFailure* failure) {
    failure->note(RegSetValueA(key, subKey, REG_SZ, text, static_cast<DWORD>(std::strlen(text))));
}

// ---- Clipboard file list ---------------------------------------------------------------------

constexpr size_t kNameArea = duvad::shell::kFileListNameMost + 1;  // a name of the file list text

// Holds a global block locked for the life of the object.
class GlobalLocked {
public:
    explicit GlobalLocked(HGLOBAL block) : block_(block), data_(GlobalLock(block)) {}
    ~GlobalLocked() {
        if (data_) GlobalUnlock(block_);
    }
    GlobalLocked(const GlobalLocked&) = delete;
    GlobalLocked& operator=(const GlobalLocked&) = delete;
    const void* get() const { return data_; }

private:
    HGLOBAL block_;
    void* data_;
};

// Converts wide text to the ANSI code page into `out` only when every character has its exact
// ANSI form and the text fits 255 characters: a best-fit character ("O" for an omega) or a cut
// name could name another existing file.
bool exactAnsi(const wchar_t* text, int units, char (&out)[kNameArea]) {
    if (units <= 0 || size_t(units) >= kNameArea) return false;
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, units, out, kNameArea - 1, nullptr, &usedDefault);
    if (n == 0) {
        // Systems before Windows 2000 know no such flag, and a UTF-8 code page takes neither the flag
        // nor the default-character report: the way back below decides there.
        const DWORD error = GetLastError();
        if (error == ERROR_INVALID_FLAGS || error == ERROR_INVALID_PARAMETER) {
            usedDefault = FALSE;
            n = WideCharToMultiByte(CP_ACP, 0, text, units, out, kNameArea - 1, nullptr, nullptr);
        }
    }
    if (n <= 0 || usedDefault) return false;
    out[n] = '\0';
    // The way back must give the same characters: no best fit slipped through.
    wchar_t back[kNameArea];
    const int m = MultiByteToWideChar(CP_ACP, 0, out, n, back, kNameArea);
    return m == units && std::memcmp(back, text, sizeof(wchar_t) * size_t(units)) == 0;
}

using GetShortPathNameWFn = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);

// The short form of an existing file's wide name, in ANSI; false when there is none that fits.
// Windows 95 lacks the wide query, so it is looked up at run time.
bool shortAnsiName(const wchar_t* name, char (&out)[kNameArea]) {
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    auto query = kernel ? reinterpret_cast<GetShortPathNameWFn>(
                              reinterpret_cast<void*>(GetProcAddress(kernel, "GetShortPathNameW")))
                        : nullptr;
    if (!query) return false;
    wchar_t shortName[kNameArea];
    const DWORD n = query(name, shortName, kNameArea);
    if (n == 0 || n >= kNameArea) return false;
    return exactAnsi(shortName, int(n), out);
}

// The list's name as the host is given it: as it is when it fits, else its short form when that
// fits; false when neither names the file exactly (the name is then left out).
bool ansiName(const uint8_t* block, bool wide, const duvad::shell::DropName& name, char (&out)[kNameArea]) {
    if (!wide) {
        const char* text = reinterpret_cast<const char*>(block + name.offset);  // terminated in the block
        if (name.length < kNameArea) {
            std::memcpy(out, text, name.length + 1);
            return true;
        }
        const DWORD n = GetShortPathNameA(text, out, kNameArea);
        return n > 0 && n < kNameArea;
    }
    const auto* text = reinterpret_cast<const wchar_t*>(block + name.offset);  // terminated in the block
    if (name.length < kNameArea && exactAnsi(text, int(name.length), out)) return true;
    return shortAnsiName(text, out);
}

}  // namespace

extern "C" int32_t WINAPI GetHDrop(HWND ownerWindow, char* list) {
    if (!list) return 0;
    list[0] = '\0';
    if (!IsClipboardFormatAvailable(CF_HDROP)) return 0;
    ClipboardOpen clipboard(ownerWindow);
    if (!clipboard.open()) return 0;

    // The names are read while the clipboard is still ours: no other program can replace the
    // list in between. Any program may have written the block, so it is checked whole first.
    HGLOBAL drop = GetClipboardData(CF_HDROP);
    if (!drop) return 0;
    const SIZE_T size = GlobalSize(drop);
    GlobalLocked locked(drop);
    const auto* block = static_cast<const uint8_t*>(locked.get());
    duvad::shell::DropList names;
    if (!block || !duvad::shell::checkDropList(block, size, &names)) return 0;

    // Every name looked at counts against the bound, those left out too: a block of thousands of
    // names that all need the file system's short-name query cannot hold the host for long.
    size_t length = 0, leftOut = 0;
    int32_t written = 0;
    size_t at = names.first;
    duvad::shell::DropName name;
    while (duvad::shell::nextDropName(block, names, &at, &name)) {
        char ansi[kNameArea];
        // Left out: no name that names this file exactly, or one that is no single line of the text.
        if (!ansiName(block, names.wide, name, ansi) ||
            !duvad::shell::fitsOneLine(ansi, duvad::files::systemCodePage())) {
            if (!duvad::shell::leaveOutFileListName(length, &leftOut, name.length)) break;
            continue;
        }
        if (!duvad::shell::appendFileListName(list, &length, ansi, duvad::shell::kFileListBound - leftOut)) break;
        ++written;
    }
    return written;
}

extern "C" int32_t WINAPI InvokeShellProperties(const char* path) {
    if (!path) return 0;
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_INVOKEIDLIST;
    info.lpVerb = "properties";
    info.lpFile = path;
    static_assert(SEE_MASK_INVOKEIDLIST == 0x0C);
    return ShellExecuteExA(&info) ? 1 : 0;
}

extern "C" int32_t WINAPI ShellGetFolder(HWND ownerWindow, const char* title, char* folder) {
    if (!folder) return 0;
    if (duvad::g_lastFolder[0] == '\0') {
        const DWORD n = GetCurrentDirectoryA(sizeof duvad::g_lastFolder, duvad::g_lastFolder);
        if (n == 0 || n >= sizeof duvad::g_lastFolder) duvad::g_lastFolder[0] = '\0';
    }
    duvad::g_browseOwner = ownerWindow;

    // A longer title is cut: it is only shown above the tree.
    char titleArea[1024] = {};
    if (title) lstrcpynA(titleArea, title, sizeof titleArea);
    char displayName[1024] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = ownerWindow;
    info.pszDisplayName = displayName;
    info.lpszTitle = titleArea;
    info.lpfn = browseCallback;

    LPITEMIDLIST item = SHBrowseForFolderA(&info);
    if (!item) return 0;
    // The path goes straight into the last folder: an item without one empties it, so the next
    // browser opens at the current directory again.
    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(item, path)) path[0] = '\0';
    freeItem(item);
    std::memcpy(duvad::g_lastFolder, path, sizeof path);
    if (duvad::g_lastFolder[0] == '\0') return 0;
    std::memcpy(folder, duvad::g_lastFolder, std::strlen(duvad::g_lastFolder) + 1);
    return 1;
}

extern "C" int32_t WINAPI GetProgamFilesFolder(char* folder) {
    if (!folder) return 0;
    // A value that cannot be read (no key, missing, not a text, longer than 127 characters)
    // leaves the empty path, so the caller always gets a defined text: at least the backslash.
    char area[128] = {};
    duvad::ScopedKey key;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", key.put()) == ERROR_SUCCESS) {
        DWORD type = 0;
        DWORD size = sizeof area;
        const LONG rc = RegQueryValueExA(key.get(), "ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(area),
                                         &size);
        // A text stored without its terminator is still read: the area was zeroed, so only a
        // value that fills all 128 bytes with no zero among them is too long.
        const bool text = type == REG_SZ || type == REG_EXPAND_SZ;
        if (rc != ERROR_SUCCESS || !text || !std::memchr(area, 0, sizeof area)) area[0] = '\0';
    }
    const size_t n = std::strlen(area);
    std::memcpy(folder, area, n);
    folder[n] = '\\';
    folder[n + 1] = '\0';
    return 0;
}

// ExtensionReg answers with the registry's own codes.
static_assert(ERROR_SUCCESS == DUVAD_EXTENSIONREG_DONE && ERROR_INVALID_PARAMETER == DUVAD_EXTENSIONREG_INVALID,
              "the registry's codes");

extern "C" int32_t WINAPI ExtensionReg(const char* extension, const char* typeName, const char* description,
                                       const char* openCommand, const char* defaultIcon) {
    // An empty extension or type name would name HKEY_CLASSES_ROOT itself: refused like a null one.
    if (!extension || !typeName || !description || !openCommand || !defaultIcon || !extension[0] || !typeName[0])
        return DUVAD_EXTENSIONREG_INVALID;
    // Every write is tried, as before; the result is the first one that failed.
    FirstFailure failure;
    duvad::ScopedKey key;
    const LONG extensionOpened = RegCreateKeyA(HKEY_CLASSES_ROOT, extension, key.put());
    failure.note(extensionOpened);
    if (extensionOpened == ERROR_SUCCESS) {
        setDefault(key.get(), "", typeName, &failure);
        failure.note(RegCloseKey(key.release()));
    }
    const LONG typeOpened = RegCreateKeyA(HKEY_CLASSES_ROOT, typeName, key.put());
    failure.note(typeOpened);
    if (typeOpened == ERROR_SUCCESS) {
        setDefault(key.get(), "", description, &failure);
        setDefault(key.get(), "Shell\\Open\\Command", openCommand, &failure);
        setDefault(key.get(), "DefaultIcon", defaultIcon, &failure);
        failure.note(RegCloseKey(key.release()));
    }
    return failure.code();
}
