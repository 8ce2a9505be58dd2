// duvad selftest [--out FILE]: checks DuVad.dll on the machine it runs on, through the DLL as the
// VB6 host calls it (LoadLibraryA, GetProcAddress by name, stdcall), and prints a plain-text report
// that a user can send us. Every answer is held against what this machine says (GetVersionExA,
// GetDiskFreeSpaceA, its own registry and folders, the carried stream's bytes), never against
// figures from our machines. It works in a scratch folder under the temp folder and a scratch key
// under HKEY_CURRENT_USER and removes both on every way out: Ctrl-C and a closed console stop it
// between two checks (SetConsoleCtrlHandler); a run that was killed leaves them for the next run,
// which removes them first and says so.
#include "host/selftest.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frame/scoped.h"
#include "host/core/first_track.h"
#include "host/core/raw_disc.h"
#include "host/core/selftest.h"
#include "host/host.h"
#include "vcd/core/disc_format.h"

namespace duvad::host {
namespace {

using selftest::Check;
using selftest::Fact;
using selftest::Status;

constexpr char kFolderName[] = "DuVadSelftest.tmp";              // in the temp folder
constexpr char kKey[] = "Software\\DuVadSelftest";               // under HKEY_CURRENT_USER
constexpr char kMutexName[] = "DuVadSelftestRunning";            // one run at a time: each removes the scratch
constexpr int kStreamResource = 201, kExportListResource = 202;  // RCDATA in host/selftest.rc

std::atomic<bool> g_stop{false};  // set by the console handler; the checks stop at the next one
HANDLE g_finished;                // set once the scratch is gone and the report is out

// Ctrl-C and Ctrl-Break: the run stops between two checks and cleans up. A closed console, logoff
// or shutdown end the process when the handler returns, so the handler waits for that clean-up.
BOOL WINAPI onConsoleEvent(DWORD type) {
    g_stop = true;
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) return TRUE;
    WaitForSingleObject(g_finished, 10000);
    return FALSE;
}

std::string num(long long v) { return std::to_string(v); }

std::string hex(uint32_t v, int digits) {
    char out[16];
    std::snprintf(out, sizeof out, "0x%0*lX", digits, static_cast<unsigned long>(v));
    return out;
}

// Text in quotes with anything outside printable ASCII as \xNN, so a report stays plain text.
std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '"') {
            out += char(c);
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            out += esc;
        }
    }
    return out + "\"";
}

double nowMs() {
    LARGE_INTEGER f, c;
    if (!QueryPerformanceFrequency(&f) || !QueryPerformanceCounter(&c)) return double(GetTickCount());
    return 1000.0 * double(c.QuadPart) / double(f.QuadPart);
}

// ---- The checks' shape -------------------------------------------------------------------------

// The first thing that went wrong in one check.
struct Verdict {
    std::string failure;
    bool expect(bool holds, const std::string& what) {
        if (!holds && failure.empty()) failure = what;
        return holds;
    }
};

Check judge(const char* name, const char* exports, const Verdict& v, const std::string& passed) {
    return {name, exports, v.failure.empty() ? Status::Pass : Status::Fail, v.failure.empty() ? passed : v.failure};
}

// A check that could not get going for a reason of this machine, not of the DLL.
Check cannotRun(const char* name, const char* exports, const std::string& why) {
    return {name, exports, Status::NotRun, why};
}

// The export bound by name; a check fails with the names of the missing ones.
#define BIND(fn) auto fn##_ = HOST_PROC(fn)
bool bound(Verdict& v, std::initializer_list<std::pair<const void*, const char*>> procs) {
    std::string missing;
    for (const auto& [p, name] : procs)
        if (!p) missing += (missing.empty() ? "" : ", ") + std::string(name);
    return v.expect(missing.empty(), "not exported: " + missing);
}
#define P(fn) std::pair<const void*, const char*>(reinterpret_cast<const void*>(fn##_), #fn)

// ---- Files, folders and keys -------------------------------------------------------------------

bool writeFile(const std::string& path, const void* data, size_t size) {
    ScopedFile f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return f.valid() && WriteFile(f.get(), data, DWORD(size), &written, nullptr) && written == size;
}

bool readFile(const std::string& path, std::vector<uint8_t>& out) {
    ScopedFile f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!f.valid()) return false;
    const DWORD size = GetFileSize(f.get(), nullptr);
    if (size == INVALID_FILE_SIZE) return false;
    out.resize(size);
    DWORD got = 0;
    return ReadFile(f.get(), out.data(), size, &got, nullptr) && got == size;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Removes a folder and everything in it; true when it is gone.
bool removeTree(const std::string& folder) {
    WIN32_FIND_DATAA d;
    ScopedFind find(FindFirstFileA((folder + "\\*").c_str(), &d));
    if (find.valid()) {
        do {
            if (!std::strcmp(d.cFileName, ".") || !std::strcmp(d.cFileName, "..")) continue;
            const std::string path = folder + "\\" + d.cFileName;
            if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find.get(), &d));
    }
    find.reset();
    RemoveDirectoryA(folder.c_str());
    return !exists(folder);
}

bool keyExists(HKEY root, const char* path) {
    ScopedKey key;
    return RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// Removes a key and its subkeys (NT's RegDeleteKeyA leaves a key that has subkeys); true when gone.
bool removeKeyTree(HKEY root, const char* path) {
    {
        ScopedKey key;
        if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return !keyExists(root, path);
        char name[256];
        for (;;) {
            DWORD size = sizeof name;
            if (RegEnumKeyExA(key.get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (!removeKeyTree(key.get(), name)) break;
        }
    }
    RegDeleteKeyA(root, path);
    return !keyExists(root, path);
}

// The scratch folder and key of one run.
class Scratch {
public:
    // Removes what a killed run left (noted in `stale`), then makes the folder. Empty, or why not.
    std::string open(std::vector<std::string>& stale) {
        char temp[MAX_PATH + 1];
        const DWORD n = GetTempPathA(sizeof temp, temp);
        if (!n || n >= sizeof temp) return "cannot tell the temp folder (error " + num(GetLastError()) + ")";
        folder_ = std::string(temp, n) + (temp[n - 1] == '\\' ? "" : "\\") + kFolderName;
        if (exists(folder_)) {
            if (!removeTree(folder_)) return "cannot remove " + folder_ + ", left by an earlier run";
            stale.push_back("removed the scratch folder " + folder_ + " that an interrupted run left");
        }
        if (keyExists(HKEY_CURRENT_USER, kKey)) {
            if (!removeKeyTree(HKEY_CURRENT_USER, kKey))
                return std::string("cannot remove HKEY_CURRENT_USER\\") + kKey + ", left by an earlier run";
            stale.push_back(std::string("removed the scratch key HKEY_CURRENT_USER\\") + kKey +
                            " that an interrupted run left");
        }
        if (!CreateDirectoryA(folder_.c_str(), nullptr))
            return "cannot make " + folder_ + " (error " + num(GetLastError()) + ")";
        made_ = true;
        return "";
    }
    // Takes the folder and the key away; the lines say what could not be removed.
    std::vector<std::string> close() {
        std::vector<std::string> left;
        if (made_ && !removeTree(folder_)) left.push_back("could not remove " + folder_);
        if (!removeKeyTree(HKEY_CURRENT_USER, kKey))
            left.push_back(std::string("could not remove HKEY_CURRENT_USER\\") + kKey);
        made_ = false;
        return left;
    }
    const std::string& folder() const { return folder_; }
    std::string file(const std::string& name) const { return folder_ + "\\" + name; }

private:
    std::string folder_;
    bool made_ = false;
};

// RCDATA of duvad.exe.
bool resource(int id, const uint8_t*& data, size_t& size) {
    HRSRC r = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
    HGLOBAL g = r ? LoadResource(nullptr, r) : nullptr;
    data = g ? static_cast<const uint8_t*>(LockResource(g)) : nullptr;
    size = data ? SizeofResource(nullptr, r) : 0;
    return data != nullptr;
}

// ---- Windows of its own ------------------------------------------------------------------------

struct Windows {
    HWND main = nullptr, list = nullptr, vb6 = nullptr, companion = nullptr;
    int posted = 0;  // WM_APP messages the main window's procedure was given
};
Windows g_windows;

LRESULT CALLBACK mainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_APP) {
        ++g_windows.posted;
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

// The companion program's window stands in for it: its answer shows the message came through.
LRESULT CALLBACK companionProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_USER) return LRESULT(wp * 2 + 1);
    return DefWindowProcA(w, m, wp, lp);
}

HWND makeWindow(const char* cls, WNDPROC proc, const char* title, HWND parent = nullptr, DWORD style = 0) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = cls;
    if (proc) RegisterClassA(&wc);
    return CreateWindowExA(0, cls, title, style ? style : WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

void destroyWindows() {
    for (HWND* w : {&g_windows.companion, &g_windows.vb6, &g_windows.list, &g_windows.main})
        if (*w) DestroyWindow(*w), *w = nullptr;
}

// ---- The machine ---------------------------------------------------------------------------------

std::string windowsText(const OSVERSIONINFOA& vi) {
    std::string family = vi.dwPlatformId == VER_PLATFORM_WIN32_NT        ? "NT family"
                         : vi.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? "95/98 family"
                                                                         : "Win32s";
    const DWORD build = vi.dwPlatformId == VER_PLATFORM_WIN32_NT ? vi.dwBuildNumber : LOWORD(vi.dwBuildNumber);
    return num(vi.dwMajorVersion) + "." + num(vi.dwMinorVersion) + "." + num(build) + " (" + family + ")";
}

std::string registryText(HKEY root, const char* path, const char* value) {
    ScopedKey key;
    char text[256] = {};
    DWORD size = sizeof text - 1, type = 0;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS ||
        RegQueryValueExA(key.get(), value, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return "";
    return text;
}

std::string processorText() {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    std::string text = num(si.dwNumberOfProcessors) + " x type " + num(si.dwProcessorType);
    if (si.wProcessorLevel)
        text += ", level " + num(si.wProcessorLevel) + ", revision " + hex(si.wProcessorRevision, 4);
    const char* cpu = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
    const std::string name = registryText(HKEY_LOCAL_MACHINE, cpu, "ProcessorNameString");
    const std::string vendor = registryText(HKEY_LOCAL_MACHINE, cpu, "VendorIdentifier");
    const std::string id = registryText(HKEY_LOCAL_MACHINE, cpu, "Identifier");
    for (std::string s : {name, vendor, id}) {
        s.erase(0, s.find_first_not_of(' '));  // Intel's names come with leading spaces
        if (!s.empty()) text += "; " + s;
    }
    return text;
}

std::string versionString(const std::string& path, VS_FIXEDFILEINFO* fixed) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (!size) return "";
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path.c_str(), handle, size, block.data())) return "";
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info) return "";
    if (fixed) *fixed = *info;
    return num(HIWORD(info->dwFileVersionMS)) + "." + num(LOWORD(info->dwFileVersionMS)) + "." +
           num(HIWORD(info->dwFileVersionLS)) + "." + num(LOWORD(info->dwFileVersionLS));
}

std::vector<Fact> machineFacts(const std::string& dllPath, const Scratch& scratch) {
    std::vector<Fact> facts;
    const std::string version = versionString(dllPath, nullptr);
    facts.push_back({"DuVad.dll", dllPath + (version.empty() ? ", no version resource" : ", version " + version)});
    OSVERSIONINFOA vi = {};
    vi.dwOSVersionInfoSize = sizeof vi;
    GetVersionExA(&vi);
    facts.push_back({"Windows", windowsText(vi) + ", service pack " + quoted(vi.szCSDVersion)});
    using WineVersionFn = const char*(CDECL*)();
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto wine = ntdll ? reinterpret_cast<WineVersionFn>(
                            reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")))
                      : nullptr;
    if (wine) facts.push_back({"Wine", wine()});
    facts.push_back({"code pages", "ANSI " + num(GetACP()) + ", OEM " + num(GetOEMCP()) + ", user locale " +
                                       hex(GetUserDefaultLCID(), 4)});
    facts.push_back({"processor", processorText()});
    SYSTEMTIME t;
    GetLocalTime(&t);
    char when[32];
    std::snprintf(when, sizeof when, "%04u-%02u-%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
    facts.push_back({"run", when});
    facts.push_back({"scratch", scratch.folder() + ", HKEY_CURRENT_USER\\" + kKey});
    return facts;
}

// ---- The checks --------------------------------------------------------------------------------

// Every export that DuVad.def (carried in duvad.exe) names is found by its plain name.
Check checkExportTable(std::vector<std::string>& names) {
    Verdict v;
    const uint8_t* def;
    size_t size;
    if (!v.expect(resource(kExportListResource, def, size), "duvad.exe lacks its export list"))
        return judge("export table", "all", v, "");
    std::string text(reinterpret_cast<const char*>(def), size), missing;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == ';' || line.compare(first, 7, "EXPORTS") == 0 ||
            line.compare(first, 7, "LIBRARY") == 0)
            continue;
        const std::string name = line.substr(first, line.find('@', first) - first);
        names.push_back(name);
        if (!GetProcAddress(g_dll, name.c_str())) missing += " " + name;
    }
    v.expect(!names.empty(), "no export names in duvad.exe's list");
    v.expect(missing.empty(), "not exported by name:" + missing);
    return judge("export table", "all", v, num(names.size()) + " exports found by name");
}

Check checkOs() {
    Verdict v;
    BIND(ItsNT);
    BIND(OSType);
    if (!bound(v, {P(ItsNT), P(OSType)})) return judge("OS family", "ItsNT, OSType", v, "");
    OSVERSIONINFOA vi = {};
    vi.dwOSVersionInfoSize = sizeof vi;
    GetVersionExA(&vi);
    const DWORD version = GetVersion();
    const bool nt = !(version & 0x80000000);
    const DWORD major = LOBYTE(LOWORD(version)), minor = HIBYTE(LOWORD(version));
    v.expect(nt == (vi.dwPlatformId == VER_PLATFORM_WIN32_NT) && major == vi.dwMajorVersion,
             "GetVersion and GetVersionExA disagree about this system");
    const int32_t wantNT = nt ? (major == 5 ? 5 : 4) : 0;
    const int32_t wantType = nt                                              ? (major >= 5 ? 2000 : 1000)
                             : vi.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? (minor == 0 ? 95 : 98)
                                                                             : 0;
    const int32_t gotNT = ItsNT_();
    char pack[256];
    std::memset(pack, 0xBD, sizeof pack);
    const int32_t gotType = OSType_(pack);
    pack[sizeof pack - 1] = 0;
    const std::string wantPack = std::string(vi.szCSDVersion).substr(0, 127);
    v.expect(gotNT == wantNT, "ItsNT answered " + num(gotNT) + " where GetVersion says " + num(wantNT));
    v.expect(gotType == wantType, "OSType answered " + num(gotType) + " where GetVersionExA says " + num(wantType));
    v.expect(wantPack == pack, "OSType's service pack " + quoted(pack) + " is not GetVersionExA's " + quoted(wantPack));
    return judge("OS family", "ItsNT, OSType", v,
                 "ItsNT " + num(gotNT) + ", OSType " + num(gotType) + " " + quoted(pack) + ", as GetVersionExA says");
}

Check checkFolders(const Scratch&) {
    Verdict v;
    BIND(GetWinTempPath);
    BIND(GetProgamFilesFolder);
    if (!bound(v, {P(GetWinTempPath), P(GetProgamFilesFolder)}))
        return judge("temp and program files folders", "GetWinTempPath, GetProgamFilesFolder", v, "");
    char want[MAX_PATH + 1] = {}, got[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof want, want);
    std::memset(got, 0, sizeof got);
    const int32_t r = GetWinTempPath_(got);
    if (n < 128)
        v.expect(r == int32_t(n) && std::string(got) == want,
                 "GetWinTempPath gave " + quoted(got) + " (" + num(r) + ") where GetTempPathA gives " + quoted(want));
    else
        v.expect(r == int32_t(n) + 1 || r == int32_t(n), "GetWinTempPath gave " + num(r) + " for a temp path of " +
                                                             num(n) + " characters (more than its 128 bytes)");
    std::string files = registryText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                                     "ProgramFilesDir");
    if (files.size() > 127) files.clear();
    const std::string wantFiles = files + "\\";
    char folder[512];
    std::memset(folder, 0, sizeof folder);
    GetProgamFilesFolder_(folder);
    v.expect(wantFiles == folder,
             "GetProgamFilesFolder gave " + quoted(folder) + " where the registry says " + quoted(wantFiles));
    return judge("temp and program files folders", "GetWinTempPath, GetProgamFilesFolder", v,
                 quoted(got) + " and " + quoted(folder) + ", as GetTempPathA and the registry say");
}

Check checkFreeSpace(const Scratch& scratch) {
    Verdict v;
    BIND(VolumeFreeKB);
    if (!bound(v, {P(VolumeFreeKB)})) return judge("free space", "VolumeFreeKB", v, "");
    const std::string& path = scratch.folder();
    if (path.size() < 3 || path[1] != ':')
        return cannotRun("free space", "VolumeFreeKB", "the temp folder is not on a drive letter: " + path);
    const std::string root = path.substr(0, 3);
    using ExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    auto ex = reinterpret_cast<ExFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA")));
    // Kilobytes free as this machine tells them; the larger query where the system has it.
    auto systemKB = [&](std::string& how) -> long long {
        ULARGE_INTEGER avail, total, free;
        if (ex && ex(root.c_str(), &avail, &total, &free)) {
            how = "GetDiskFreeSpaceExA";
            return (long long)(free.QuadPart / 1024 > 2147483647 ? 2147483647 : free.QuadPart / 1024);
        }
        DWORD spc, bps, freeClusters, clusters;
        how = "GetDiskFreeSpaceA";
        if (!GetDiskFreeSpaceA(root.c_str(), &spc, &bps, &freeClusters, &clusters)) return -1;
        const unsigned long long bytes = (unsigned long long)spc * bps * freeClusters;
        return (long long)(bytes / 1024 > 2147483647 ? 2147483647 : bytes / 1024);
    };
    std::string how;
    const long long before = systemKB(how);
    const int32_t got = VolumeFreeKB_(path.c_str());
    const long long after = systemKB(how);
    if (before < 0 || after < 0)
        return cannotRun("free space", "VolumeFreeKB", "this system does not tell the free space of " + root);
    // Other programs may write or delete meanwhile: 16 MB either way of what the system said.
    const long long slack = 16 * 1024;
    const long long low = (before < after ? before : after) - slack, high = (before > after ? before : after) + slack;
    v.expect(got >= low && got <= high, "VolumeFreeKB said " + num(got) + " KB free on " + root + " where " + how +
                                            " says " + num(before) + " KB");
    return judge("free space", "VolumeFreeKB", v,
                 num(got) + " KB free on " + root + ", " + how + " " + num(before) + " KB");
}

Check checkVersionInfo(const std::string& dllPath) {
    Verdict v;
    BIND(ReadFileInfo);
    if (!bound(v, {P(ReadFileInfo)})) return judge("version info", "ReadFileInfo", v, "");
    VS_FIXEDFILEINFO fixed = {};
    const std::string want = versionString(dllPath, &fixed);
    int32_t p[4] = {-1, -1, -1, -1};
    const int32_t r = ReadFileInfo_(dllPath.c_str(), &p[0], &p[1], &p[2], &p[3]);
    const std::string got = num(p[0]) + "." + num(p[1]) + "." + num(p[2]) + "." + num(p[3]);
    if (want.empty()) {
        v.expect(r == 0, "ReadFileInfo found a version where GetFileVersionInfoA finds none");
    } else {
        v.expect(r == 1 && got == want,
                 "ReadFileInfo read " + got + " (" + num(r) + ") where the DLL's version is " + want);
    }
    const int32_t none = ReadFileInfo_(std::string(dllPath + ".missing").c_str(), &p[0], nullptr, nullptr, nullptr);
    v.expect(none == 0, "ReadFileInfo answered " + num(none) + " for a missing file");
    return judge("version info", "ReadFileInfo", v, "the DLL's own version " + got + ", 0 for a missing file");
}

Check checkRegistry() {
    Verdict v;
    BIND(WriteRegBlock);
    BIND(ReadRegBlock);
    const char* name = "registry blocks";
    const char* exports = "WriteRegBlock, ReadRegBlock";
    if (!bound(v, {P(WriteRegBlock), P(ReadRegBlock)})) return judge(name, exports, v, "");
    uint8_t block[300];
    for (size_t i = 0; i < sizeof block; ++i) block[i] = uint8_t(i * 7 + 3);
    const std::string sub = std::string(kKey) + "\\blocks";
    v.expect(WriteRegBlock_(sub.c_str(), "block", block, int32_t(sizeof block)) == 1, "WriteRegBlock did not write");
    // Read back by the registry itself: a binary value of those bytes.
    ScopedKey key;
    uint8_t stored[400] = {};
    DWORD type = 0, size = sizeof stored;
    const bool read = RegOpenKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS &&
                      RegQueryValueExA(key.get(), "block", nullptr, &type, stored, &size) == ERROR_SUCCESS;
    v.expect(read && type == REG_BINARY && size == sizeof block && !std::memcmp(stored, block, sizeof block),
             "the registry does not hold the block WriteRegBlock wrote (as REG_BINARY, 300 bytes)");
    uint8_t back[300];
    std::memset(back, 0xBD, sizeof back);
    v.expect(
        ReadRegBlock_(sub.c_str(), "block", back, int32_t(sizeof back)) == 1 && !std::memcmp(back, block, sizeof back),
        "ReadRegBlock did not read the block back");
    std::memset(back, 0xBD, sizeof back);
    const int32_t shorter = ReadRegBlock_(sub.c_str(), "block", back, 299);
    v.expect(shorter == 0 && back[0] == 0xBD,
             "ReadRegBlock of another length answered " + num(shorter) + " (0 and the block untouched expected)");
    const int32_t missing = ReadRegBlock_(sub.c_str(), "no such value", back, 4);
    v.expect(missing == -1, "ReadRegBlock of a missing value answered " + num(missing));
    std::vector<uint8_t> big(100001, 1);
    const int32_t tooBig = WriteRegBlock_(sub.c_str(), "big", big.data(), int32_t(big.size()));
    v.expect(tooBig == -1, "WriteRegBlock of 100001 bytes answered " + num(tooBig) + " (-1 expected)");
    return judge(name, exports, v, "300 bytes written, read back by the registry and by ReadRegBlock; refusals right");
}

Check checkCdromSettings() {
    Verdict v;
    BIND(DriveSetting9598);
    BIND(DriveSettingNT);
    const char* name = "CD-ROM settings, read only";
    const char* exports = "DriveSetting9598, DriveSettingNT";
    if (!bound(v, {P(DriveSetting9598), P(DriveSettingNT)})) return judge(name, exports, v, "");
    const bool nt = !(GetVersion() & 0x80000000);
    // The first CD-ROM drive's letter, else C.
    char drive[4] = "C:\\";
    for (char c = 'D'; c <= 'Z'; ++c) {
        const char root[4] = {c, ':', '\\', 0};
        if (GetDriveTypeA(root) == DRIVE_CDROM) {
            drive[0] = c;
            break;
        }
    }
    const int32_t kUntouched = int32_t(0xDEADBEEF);
    int32_t d = kUntouched, s = kUntouched, a = kUntouched;
    const int32_t r9x = DriveSetting9598_(drive, 0, &d, &s, &a);
    int32_t autorun = kUntouched;
    const int32_t rNT = DriveSettingNT_(0, &autorun);
    std::string seen = "DriveSetting9598(" + std::string(1, drive[0]) + ") " + num(r9x) + ", DriveSettingNT " +
                       num(rNT);
    if (nt) {
        v.expect(r9x == -1 && d == kUntouched, "DriveSetting9598 answered " + num(r9x) + " on NT (-1 expected)");
        const char* service = "SYSTEM\\CurrentControlSet\\Services\\Cdrom";
        ScopedKey key;
        const bool opens = RegOpenKeyExA(HKEY_LOCAL_MACHINE, service, 0, KEY_READ | KEY_WRITE, key.put()) ==
                           ERROR_SUCCESS;
        int32_t want = kUntouched;
        if (opens) {
            uint8_t value[16];
            DWORD size = sizeof value;
            if (RegQueryValueExA(key.get(), "Autorun", nullptr, nullptr, value, &size) == ERROR_SUCCESS && size <= 4)
                std::memcpy(&want, value, size);
        }
        v.expect(rNT == (opens ? 1 : 0), "DriveSettingNT answered " + num(rNT) + " where the service key " +
                                             (opens ? "opens" : "does not open") + " for reading and writing");
        if (opens)
            v.expect(autorun == want, "DriveSettingNT read Autorun " + hex(uint32_t(autorun), 8) +
                                          " where the registry holds " + hex(uint32_t(want), 8));
        if (opens) seen += ", Autorun " + hex(uint32_t(autorun), 8);
    } else {
        v.expect(rNT == -1 && autorun == kUntouched, "DriveSettingNT answered " + num(rNT) + " on 95/98 (-1 expected)");
        v.expect(r9x == 0 || r9x == 1, "DriveSetting9598 answered " + num(r9x) + " (0 or 1 expected)");
        if (r9x == 0)
            v.expect(d == kUntouched && s == kUntouched && a == kUntouched,
                     "DriveSetting9598 found no drive but changed the settings");
        if (r9x == 1) {
            v.expect(d >= 0 && d <= 255 && s >= 0 && s <= 255 && a >= 0 && a <= 255,
                     "DriveSetting9598 read settings outside one byte");
            seen += ": " + num(d) + ", " + num(s) + ", " + num(a);
        }
    }
    return judge(name, exports, v, seen + ", as the " + (nt ? "NT" : "95/98") + " family should; nothing written");
}

// The files of the file checks, made in the scratch folder.
struct Files {
    std::string data, copy, differs, shorter, sectors, odd, longName, sub, sample;
    std::vector<uint8_t> bytes;  // data's contents
    std::string sampleBytes;     // the code-page character in the sample's name, "" when none
};

// A character of the ANSI code page that is not ASCII and survives the trip to Unicode and back;
// in a double-byte code page one whose trail byte is a backslash (0x5C) where there is one.
std::string codePageCharacter() {
    auto roundTrips = [](const std::string& s) {
        WCHAR w[4];
        const int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, s.data(), int(s.size()), w, 4);
        char back[8];
        BOOL defaulted = FALSE;
        const int m = n == 1 ? WideCharToMultiByte(CP_ACP, 0, w, 1, back, sizeof back, nullptr, &defaulted) : 0;
        return n == 1 && !defaulted && m == int(s.size()) && !std::memcmp(back, s.data(), m) && w[0] >= 0x80;
    };
    for (int trail : {0x5C, 0x41})
        for (int lead = 0x81; lead <= 0xFE; ++lead)
            if (IsDBCSLeadByte(BYTE(lead))) {
                const std::string s = {char(lead), char(trail)};
                if (roundTrips(s)) return s;
            }
    for (int c = 0xE9; c != 0xE8; c = c == 0xFF ? 0xC0 : c + 1) {
        const std::string s(1, char(c));
        if (roundTrips(s)) return s;
    }
    return "";
}

std::string makeFiles(const Scratch& scratch, Files& f) {
    f.bytes.resize(3 * 2048 + 1024);
    for (size_t i = 0; i < f.bytes.size(); ++i) f.bytes[i] = uint8_t(i % 251);
    f.data = scratch.file("data.bin");
    f.copy = scratch.file("copy.bin");
    f.differs = scratch.file("differs.bin");
    f.shorter = scratch.file("shorter.bin");
    f.odd = scratch.file("odd.bin");
    f.longName = scratch.file("A long file name.text");
    f.sub = scratch.file("folder");
    std::vector<uint8_t> other = f.bytes;
    other[5000] ^= 0x55;
    const uint8_t one = 'x';
    if (!writeFile(f.data, f.bytes.data(), f.bytes.size()) || !writeFile(f.copy, f.bytes.data(), f.bytes.size()) ||
        !writeFile(f.differs, other.data(), other.size()) || !writeFile(f.shorter, f.bytes.data(), 4096) ||
        !writeFile(f.odd, f.bytes.data(), 1000) || !writeFile(f.longName, &one, 1) ||
        !CreateDirectoryA(f.sub.c_str(), nullptr))
        return "cannot make the test files in " + scratch.folder() + " (error " + num(GetLastError()) + ")";
    f.sampleBytes = codePageCharacter();
    if (!f.sampleBytes.empty()) {
        f.sample = scratch.file("cp" + f.sampleBytes + ".txt");
        if (!writeFile(f.sample, f.bytes.data(), 10)) f.sample.clear();
    }
    return "";
}

// FFirst/FNext/FEnd list the folder as FindFirstFileA/FindNextFileA do.
Check checkEnumeration(const Scratch& scratch, const Files& files) {
    Verdict v;
    BIND(FFirst);
    BIND(FNext);
    BIND(FEnd);
    BIND(IsFileExisting);
    const char* name = "folder listing";
    const char* exports = "FFirst, FNext, FEnd, IsFileExisting";
    if (!bound(v, {P(FFirst), P(FNext), P(FEnd), P(IsFileExisting)})) return judge(name, exports, v, "");
    const std::string pattern = scratch.file("*");
    WIN32_FIND_DATAA d;
    ScopedFind find(FindFirstFileA(pattern.c_str(), &d));
    char longName[260], shortName[260];
    int32_t kind = -1, kb = -1;
    int32_t search = FFirst_(pattern.c_str(), longName, shortName, &kind, &kb);
    int entries = 0;
    bool more = find.valid() && search != -1;
    v.expect(find.valid() == (search != -1), "FFirst answered " + num(search) + " for the scratch folder");
    while (more && v.failure.empty()) {
        ++entries;
        const std::string wantShort = d.cAlternateFileName[0] ? d.cAlternateFileName : d.cFileName;
        const int32_t wantKind = d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? 1 : 2;
        const int32_t wantKB = int32_t((uint64_t(d.nFileSizeLow) + 1023) / 1024);
        v.expect(std::string(longName) == d.cFileName && wantShort == shortName && kind == wantKind && kb == wantKB,
                 "entry " + num(entries) + ": " + quoted(longName) + " " + quoted(shortName) + " kind " + num(kind) +
                     ", " + num(kb) + " KB where the system lists " + quoted(d.cFileName) + " " + quoted(wantShort) +
                     " kind " + num(wantKind) + ", " + num(wantKB) + " KB");
        const bool next = FindNextFileA(find.get(), &d) != 0;
        const int32_t got = FNext_(search, longName, shortName, &kind, &kb);
        v.expect(got == (next ? 1 : 0), "FNext answered " + num(got) + " after entry " + num(entries));
        more = next && got == 1;
    }
    if (search != -1) v.expect(FEnd_(search) == 1, "FEnd did not answer 1");
    v.expect(entries >= 8, "only " + num(entries) + " entries listed (8 or more made)");
    v.expect(IsFileExisting_(files.data.c_str()) == 1 && IsFileExisting_(scratch.file("*.bin").c_str()) == 1,
             "IsFileExisting does not find data.bin or *.bin");
    v.expect(IsFileExisting_(scratch.file("missing.bin").c_str()) == 0, "IsFileExisting finds a missing file");
    const int32_t none = FFirst_(scratch.file("missing*.x").c_str(), longName, shortName, &kind, &kb);
    v.expect(none == -1 && !longName[0] && kind == 0,
             "FFirst answered " + num(none) + " for a pattern that matches nothing");
    return judge(name, exports, v, num(entries) + " entries as the system lists them, names, 8.3 names, kinds, sizes");
}

Check checkProbes(const Scratch& scratch, const Files& files) {
    Verdict v;
    BIND(IsFileReadable);
    BIND(IsFileErasable);
    BIND(IsFolderWritable);
    const char* name = "file and folder probes";
    const char* exports = "IsFileReadable, IsFileErasable, IsFolderWritable";
    if (!bound(v, {P(IsFileReadable), P(IsFileErasable), P(IsFolderWritable)})) return judge(name, exports, v, "");
    v.expect(IsFileReadable_(files.data.c_str()) == 1, "IsFileReadable: 0 for a file this program wrote");
    v.expect(IsFileReadable_(scratch.file("missing.bin").c_str()) == 0, "IsFileReadable: 1 for a missing file");
    v.expect(IsFileErasable_(files.copy.c_str()) == 1, "IsFileErasable: 0 for a file nobody holds");
    {
        // Held open without sharing, as a running program holds its file.
        ScopedFile held(CreateFileA(files.copy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        v.expect(held.valid() && IsFileErasable_(files.copy.c_str()) == 0, "IsFileErasable: 1 for a file held open");
    }
    v.expect(IsFolderWritable_(scratch.folder().c_str()) == 1, "IsFolderWritable: 0 for the scratch folder");
    v.expect(IsFolderWritable_((scratch.folder() + "\\").c_str()) == 1,
             "IsFolderWritable: 0 for the scratch folder with a backslash");
    v.expect(IsFolderWritable_(scratch.file("missing").c_str()) == 0, "IsFolderWritable: 1 for a missing folder");
    v.expect(!exists(scratch.file("~KvCheck.tmp")), "IsFolderWritable left ~KvCheck.tmp behind");
    return judge(name, exports, v, "readable, erasable (0 while held open), writable (no probe file left)");
}

Check checkSectors(const Files& files) {
    Verdict v;
    BIND(OpenFileInSectors);
    BIND(ReadFileInSectors);
    BIND(CloseFileInSectors);
    const char* name = "sector reading";
    const char* exports = "OpenFileInSectors, ReadFileInSectors, CloseFileInSectors";
    if (!bound(v, {P(OpenFileInSectors), P(ReadFileInSectors), P(CloseFileInSectors)}))
        return judge(name, exports, v, "");
    int32_t count = -1;
    const int32_t h = OpenFileInSectors_(files.data.c_str(), &count);
    v.expect(h != -1 && h != -2 && count == 3, "OpenFileInSectors answered " + num(h) + " with " + num(count) +
                                                   " sectors for a file of 3 x 2048 + 1024 bytes");
    if (h != -1 && h != -2) {
        std::vector<uint8_t> buffer(4 * 2048, 0xBD);
        int32_t read = -1;
        v.expect(ReadFileInSectors_(h, reinterpret_cast<char*>(buffer.data()), 2, &read) == 1 && read == 2 &&
                     !std::memcmp(buffer.data(), files.bytes.data(), 2 * 2048),
                 "ReadFileInSectors did not deliver the first two sectors as written");
        std::memset(buffer.data(), 0xBD, buffer.size());
        v.expect(ReadFileInSectors_(h, reinterpret_cast<char*>(buffer.data()), 2, &read) == 1 && read == 1 &&
                     !std::memcmp(buffer.data(), files.bytes.data() + 4096, 3072) && buffer[3072] == 0 &&
                     buffer[4095] == 0 && buffer[4096] == 0xBD,
                 "ReadFileInSectors at the end: not the last 3072 bytes, zero-filled to two sectors, 1 whole sector");
        v.expect(CloseFileInSectors_(h) == 1, "CloseFileInSectors did not answer 1");
        v.expect(CloseFileInSectors_(h) == -1, "CloseFileInSectors closed a handle twice");
    }
    const int32_t odd = OpenFileInSectors_(files.odd.c_str(), nullptr);
    v.expect(odd == -2, "OpenFileInSectors answered " + num(odd) + " for 1000 bytes (-2 expected)");
    return judge(name, exports, v, "3 whole sectors read as written, the end zero-filled, refusals right");
}

Check checkCompare(const Scratch& scratch, const Files& files) {
    Verdict v;
    BIND(MatchFiles);
    if (!bound(v, {P(MatchFiles)})) return judge("file comparison", "MatchFiles", v, "");
    const int32_t same = MatchFiles_(files.data.c_str(), files.copy.c_str());
    const int32_t differs = MatchFiles_(files.data.c_str(), files.differs.c_str());
    const int32_t sizes = MatchFiles_(files.data.c_str(), files.shorter.c_str());
    const int32_t first = MatchFiles_(scratch.file("missing").c_str(), files.data.c_str());
    const int32_t second = MatchFiles_(files.data.c_str(), scratch.file("missing").c_str());
    v.expect(same == 0, "identical files: " + num(same));
    v.expect(differs == 5001, "files differing at byte 5001: " + num(differs));
    v.expect(sizes == -3, "files of different sizes: " + num(sizes));
    v.expect(first == -4 && second == -5, "missing files: " + num(first) + ", " + num(second));
    return judge("file comparison", "MatchFiles", v, "0, first difference 5001, -3, -4, -5 as they should");
}

// Where a byte-wise search that steps by the code page's characters finds things, by CharNextA.
struct Walk {
    int firstBackslash = 0, lastDot = 0;
    bool endsInBackslash = false;
};
Walk walk(const std::string& text) {
    Walk w;
    const char* s = text.c_str();
    for (const char* p = s; *p; p = CharNextA(p)) {
        const bool single = CharNextA(p) == p + 1;
        const int at = int(p - s) + 1;
        if (single && *p == '\\' && !w.firstBackslash) w.firstBackslash = at;
        if (single && *p == '.') w.lastDot = at;
        w.endsInBackslash = single && *p == '\\';
    }
    return w;
}

Check checkCodePageNames(const Files& files) {
    Verdict v;
    BIND(FFirst);
    BIND(FEnd);
    BIND(IsFileExisting);
    BIND(MatchFiles);
    BIND(InStrBackS);
    BIND(IsLastBackS);
    BIND(InStrDot);
    const char* name = "names in the system code page";
    const char* exports = "InStrBackS, IsLastBackS, InStrDot, FFirst, IsFileExisting, MatchFiles";
    if (!bound(v, {P(FFirst), P(FEnd), P(IsFileExisting), P(MatchFiles), P(InStrBackS), P(IsLastBackS), P(InStrDot)}))
        return judge(name, exports, v, "");
    if (files.sampleBytes.empty())
        return cannotRun(name, exports, "code page " + num(GetACP()) + " has no character beyond ASCII to try");
    // Path searches over a text whose character may end in a backslash byte.
    const std::string c = files.sampleBytes;
    for (const std::string& text : {"X" + c + "\\b.c", c + c + ".d\\e" + c, "a.b\\" + c, "dir\\" + c}) {
        const Walk w = walk(text);
        const int32_t back = InStrBackS_(1, text.c_str()), dot = InStrDot_(text.c_str());
        const int32_t last = IsLastBackS_(text.c_str());
        v.expect(back == w.firstBackslash && dot == w.lastDot && last == (w.endsInBackslash ? 1 : 0),
                 "in " + quoted(text) + ": InStrBackS " + num(back) + ", InStrDot " + num(dot) + ", IsLastBackS " +
                     num(last) + " where the code page's characters give " + num(w.firstBackslash) + ", " +
                     num(w.lastDot) + ", " + num(w.endsInBackslash));
    }
    if (files.sample.empty())
        return judge(name, exports, v,
                     "path searches over " + quoted(c) + " right; this system could not make a file of that name");
    char longName[260], shortName[260];
    int32_t kind = 0;
    const int32_t h = FFirst_(files.sample.c_str(), longName, shortName, &kind, nullptr);
    const std::string want = "cp" + c + ".txt";
    v.expect(h != -1 && want == longName, "FFirst found " + quoted(longName) + " for " + quoted(want));
    if (h != -1) FEnd_(h);
    v.expect(IsFileExisting_(files.sample.c_str()) == 1, "IsFileExisting does not find " + quoted(want));
    v.expect(MatchFiles_(files.sample.c_str(), files.sample.c_str()) == 0, "MatchFiles cannot read " + quoted(want));
    return judge(name, exports, v,
                 "path searches and a file named with " + quoted(c) + " (code page " + num(GetACP()) + ")");
}

Check checkNameRules() {
    Verdict v;
    BIND(CheckFileName);
    if (!bound(v, {P(CheckFileName)})) return judge("name rules", "CheckFileName", v, "");
    struct Case {
        int32_t mode, flags;
        std::string name;
        int32_t want;
    };
    const Case cases[] = {
        {0, 0, "AUTORUN.INF", 0},         {0, 0, "MY FILE.TXT", -4},         {0, 0x10, "DIR.EXT", -2},
        {0, 0, "FILE.ABCD", -3},          {1, 0, std::string(31, 'A'), 0},   {1, 0, std::string(32, 'A'), -1},
        {4, 0, std::string(128, 'b'), 0}, {4, 0, std::string(129, 'b'), -1},
    };
    for (const Case& c : cases) {
        const int32_t got = CheckFileName_(c.mode, c.flags, c.name.c_str());
        v.expect(got == c.want, "mode " + num(c.mode) + ", " + quoted(c.name.substr(0, 12)) +
                                    (c.name.size() > 12 ? "... (" + num(c.name.size()) + " bytes)" : "") + ": " +
                                    num(got) + " (" + num(c.want) + " expected)");
    }
    return judge("name rules", "CheckFileName", v, "8.3, length and character rules answer as documented");
}

Check checkCatalogue(const Scratch& scratch) {
    Verdict v;
    BIND(GetKvDrives);
    if (!bound(v, {P(GetKvDrives)})) return judge("drive catalogue", "GetKvDrives", v, "");
    // A header, the maker's two marker records, then records of 140 bytes: number 4 bytes before
    // the brand, the model 9 bytes after it, the kind byte 130 after it (0x1A: 'S').
    std::string file(24, 'h');
    int records = 0;
    auto record = [&](const char* brand, const char* model, int32_t number, char kind) {
        const size_t at = 24 + 140 * size_t(records++);
        file.resize(at + 140, '\0');
        std::memcpy(&file[at - 4], &number, 4);
        std::memcpy(&file[at], brand, std::strlen(brand));
        std::memcpy(&file[at + 9], model, std::strlen(model));
        file[at + 130] = kind;
    };
    record("KORVEL", "one", 0, 0);
    record("KORVEL", "two", 0, 0);
    record("bravo", "X 2", -5, 0);
    record("KORVEL", "own drive", 7, 0);
    record("ACME", "CDR-100", 12, 0x1A);
    const std::string path = scratch.file("drives.cat");
    if (!writeFile(path, file.data(), file.size()))
        return cannotRun("drive catalogue", "GetKvDrives", "cannot write " + path);
    std::vector<char> list(63001, '\x7F');
    const int32_t n = GetKvDrives_(list.data(), path.c_str());
    const std::string want = "ACME,CDR-100,12 (S)\r\nbravo,X 2,-5 (A)\r\n";
    v.expect(n == 2 && want == list.data(), "GetKvDrives listed " + num(n) + ": " +
                                                quoted(std::string(list.data()).substr(0, 80)) + " where " +
                                                quoted(want) + " is due");
    return judge("drive catalogue", "GetKvDrives", v, "a made catalogue of 2 drives and the maker's own listed right");
}

Check checkWindows() {
    Verdict v;
    BIND(FindThisVB6MDIWindow);
    BIND(FindDirectCD);
    BIND(EnablepkWR);
    const char* name = "windows of other programs";
    const char* exports = "FindThisVB6MDIWindow, FindDirectCD, EnablepkWR";
    if (!bound(v, {P(FindThisVB6MDIWindow), P(FindDirectCD), P(EnablepkWR)})) return judge(name, exports, v, "");
    char title[64];
    std::snprintf(title, sizeof title, "DuVad selftest %lu", GetCurrentProcessId());
    g_windows.vb6 = makeWindow("ThunderRT6MDIForm", mainProc, title);
    if (!g_windows.vb6)
        return cannotRun(name, exports,
                         "cannot make a window of its own (error " + num(GetLastError()) + "; no desktop?)");
    const int32_t found = FindThisVB6MDIWindow_(title);
    v.expect(found == int32_t(reinterpret_cast<intptr_t>(g_windows.vb6)),
             "FindThisVB6MDIWindow did not find this program's VB6-class window");
    v.expect(FindThisVB6MDIWindow_("DuVad selftest no such") == 0, "FindThisVB6MDIWindow finds a title nobody has");
    // DirectCD: as the titles of the top-level windows say.
    struct Titles {
        static BOOL CALLBACK each(HWND w, LPARAM lp) {
            char t[256] = {};
            GetWindowTextA(w, t, sizeof t);
            CharUpperA(t);
            if (std::string(t).find("DIRECTCD") != std::string::npos) *reinterpret_cast<bool*>(lp) = true;
            return TRUE;
        }
    };
    bool directCd = false;
    EnumWindows(Titles::each, reinterpret_cast<LPARAM>(&directCd));
    const int32_t dcd = FindDirectCD_();
    v.expect(dcd == (directCd ? 1 : 0),
             "FindDirectCD answered " + num(dcd) + " where the window titles say " + num(directCd ? 1 : 0));
    std::string seen = "VB6 window found; DirectCD " + num(dcd);
    // The companion program's window: only this program's own, never a running companion's.
    if (FindWindowA("DARUVE", nullptr)) {
        seen += "; EnablepkWR not run: the packet-writing companion is running";
    } else {
        const int32_t none = EnablepkWR_(3);
        g_windows.companion = makeWindow("DARUVE", companionProc, "DuVad selftest companion");
        const int32_t answer = g_windows.companion ? EnablepkWR_(20) : -2;
        v.expect(none == -1 && answer == 41, "EnablepkWR answered " + num(none) + " without and " + num(answer) +
                                                 " with a DARUVE window that answers 41 to 20");
        seen += "; EnablepkWR -1, then 41 from a window of its own";
    }
    return judge(name, exports, v, seen);
}

// The pump handles what is posted, pauses take their time, MySleep handles nothing.
Check checkPump() {
    Verdict v;
    BIND(GoEvents);
    BIND(MySleep);
    const char* name = "message pump and pauses";
    const char* exports = "GoEvents, MySleep";
    if (!bound(v, {P(GoEvents), P(MySleep)})) return judge(name, exports, v, "");
    HWND w = g_windows.main;
    if (!w) return cannotRun(name, exports, "no window of its own");
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    g_windows.posted = 0;
    PostMessageA(w, WM_APP, 0, 0);
    v.expect(GoEvents_(0) == 1 && g_windows.posted == 1, "GoEvents(0) did not handle a posted message");
    PostMessageA(w, WM_APP, 0, 0);
    double t = nowMs();
    const int32_t slept = MySleep_(200);
    const double sleptMs = nowMs() - t;
    v.expect(slept == 1 && g_windows.posted == 1, "MySleep handled a message (it must not)");
    // Timers tick every 10 to 55 ms, so a pause may end a tick early.
    v.expect(sleptMs >= 140 && sleptMs < 5000, "MySleep(200) took " + num((long long)sleptMs) + " ms");
    t = nowMs();
    const int32_t pumped = GoEvents_(300);
    const double pumpedMs = nowMs() - t;
    v.expect(pumped == 1 && g_windows.posted == 2, "GoEvents(300) did not handle the waiting message");
    v.expect(pumpedMs >= 240 && pumpedMs < 5000, "GoEvents(300) took " + num((long long)pumpedMs) + " ms");
    return judge(name, exports, v,
                 "messages handled; MySleep(200) " + num((long long)sleptMs) + " ms, GoEvents(300) " +
                     num((long long)pumpedMs) + " ms");
}

Check checkSound() {
    Verdict v;
    BIND(SoundATune);
    if (!bound(v, {P(SoundATune)})) return judge("sounds", "SoundATune", v, "");
    std::string missing;
    for (int id : {1001, 1012, 1014})
        if (!FindResourceA(g_dll, MAKEINTRESOURCEA(id), "WAVE")) missing += " " + num(id);
    v.expect(missing.empty(), "the DLL lacks its sounds" + missing);
    const int32_t started = SoundATune_(1012);
    const int32_t stopped = SoundATune_(0);
    v.expect(started != 0 && stopped != 0,
             "SoundATune answered " + num(started) + " to start and " + num(stopped) + " to stop");
    return judge("sounds", "SoundATune", v,
                 std::string("sounds 1001, 1012, 1014 present; the chime started and stopped") +
                     (waveOutGetNumDevs() ? "" : " (no wave device: a beep)"));
}

Check checkListView() {
    Verdict v;
    BIND(SetLVItemText);
    BIND(GetLVItemText);
    BIND(RemoveLVFocus);
    const char* name = "list view cells";
    const char* exports = "SetLVItemText, GetLVItemText, RemoveLVFocus";
    if (!bound(v, {P(SetLVItemText), P(GetLVItemText), P(RemoveLVFocus)})) return judge(name, exports, v, "");
    HWND list = g_windows.list;
    if (!list) return cannotRun(name, exports, "cannot make a list view of its own");
    LVCOLUMNA col = {};
    col.mask = LVCF_WIDTH;
    col.cx = 100;
    for (int c = 0; c < 2; ++c) SendMessageA(list, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
    for (int i = 0; i < 2; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<char*>("row");
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    v.expect(SetLVItemText_(list, 1, 1, "cell 1,1") == 1, "SetLVItemText refused a cell that exists");
    char text[1100];
    std::memset(text, 0, sizeof text);
    LVITEMA item = {};
    item.iSubItem = 1;
    item.pszText = text;
    item.cchTextMax = 1024;
    SendMessageA(list, LVM_GETITEMTEXTA, 1, reinterpret_cast<LPARAM>(&item));
    v.expect(std::string(text) == "cell 1,1", "the list view holds " + quoted(text) + " after SetLVItemText");
    char got[1100];
    std::memset(got, 0x7F, sizeof got);
    GetLVItemText_(list, 1, 1, got);
    got[1099] = 0;
    v.expect(std::string(got) == "cell 1,1", "GetLVItemText read " + quoted(got));
    v.expect(SetLVItemText_(list, 5, 0, "x") == 0, "SetLVItemText took a row that does not exist");
    LVITEMA state = {};
    state.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    state.state = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    const int32_t removed = RemoveLVFocus_(list);
    const UINT after = UINT(SendMessageA(list, LVM_GETITEMSTATE, 0, LVIS_FOCUSED | LVIS_SELECTED));
    v.expect(removed == 1 && after == LVIS_SELECTED, "RemoveLVFocus answered " + num(removed) + " and left state " +
                                                         hex(after, 2) + " (selected, not focused, expected)");
    return judge(name, exports, v, "a cell set and read back, focus taken off with the selection kept");
}

// Read only: the clipboard stays as the user left it.
Check checkClipboard() {
    Verdict v;
    BIND(GetHDrop);
    if (!bound(v, {P(GetHDrop)})) return judge("clipboard file list", "GetHDrop", v, "");
    if (!g_windows.main) return cannotRun("clipboard file list", "GetHDrop", "no window of its own");
    std::vector<char> list(8192, '\x7F');
    const bool offered = IsClipboardFormatAvailable(CF_HDROP) != 0;
    const int32_t n = GetHDrop_(g_windows.main, list.data());
    const std::string text(list.data());
    int lines = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
    if (!offered)
        v.expect(n == 0 && list[0] == 0, "GetHDrop answered " + num(n) + " with no file list on the clipboard");
    else
        v.expect(n == lines, "GetHDrop answered " + num(n) + " with " + num(lines) + " names written");
    return judge("clipboard file list", "GetHDrop", v,
                 offered ? num(n) + " names from the clipboard's file list" : "no file list on the clipboard: 0");
}

Check checkRefusals(const Scratch& scratch) {
    Verdict v;
    BIND(ExtensionReg);
    BIND(DumpFileToPrinter);
    const char* name = "refusals that write nothing";
    const char* exports = "ExtensionReg, DumpFileToPrinter";
    if (!bound(v, {P(ExtensionReg), P(DumpFileToPrinter)})) return judge(name, exports, v, "");
    const int32_t ext = ExtensionReg_("", "DuVadSelftest.File", "x", "x", "x");
    v.expect(ext == 87, "ExtensionReg answered " + num(ext) + " for an empty extension (87 expected)");
    v.expect(!keyExists(HKEY_CLASSES_ROOT, "DuVadSelftest.File"), "ExtensionReg wrote a type it refused");
    const int32_t dump = DumpFileToPrinter_(scratch.file("missing.prn").c_str(), 1);
    v.expect(dump == 0, "DumpFileToPrinter answered " + num(dump) + " for a missing file");
    return judge(name, exports, v,
                 "empty extension refused (87), a missing file not printed (0); registering a type (HKEY_CLASSES_ROOT) "
                 "and printing are not run");
}

// The carried stream: AnalyzeMpeg against its own bytes, then its Video CD track and the first
// track's image.
Check checkAnalysis(const Scratch& scratch, const std::string& stream, const std::vector<uint8_t>& bytes) {
    Verdict v;
    BIND(AnalyzeMpeg);
    if (!bound(v, {P(AnalyzeMpeg)})) return judge("MPEG analysis", "AnalyzeMpeg", v, "");
    const selftest::StreamFacts facts = selftest::readStream(bytes.data(), bytes.size());
    int32_t ok = -9, w = -9, h = -9, a = -9, r = -9, bps = -9, secs = -9, sectors = -9;
    const int32_t result = AnalyzeMpeg_(stream.c_str(), &ok, &w, &h, &a, &r, &bps, &secs, &sectors);
    const int32_t wantSectors = int32_t(bytes.size() / vcd::kForm2DataBytes + 85);
    const std::vector<int32_t> times = selftest::playingSecondsNearEnd(facts, bytes.size(), 3 * vcd::kMode2SectorBytes);
    bool timeOk = false;
    for (int32_t t : times) timeOk = timeOk || t == secs;
    v.expect(result == 1, "AnalyzeMpeg answered " + num(result) + " for the stream (1 expected)");
    v.expect(
        w == facts.width && h == facts.height && a == facts.aspectCode && r == facts.rateCode && bps == facts.bitRate,
        "AnalyzeMpeg read " + num(w) + "x" + num(h) + " aspect " + num(a) + " rate " + num(r) + " " + num(bps) +
            " bit/s where the stream's sequence header says " + num(facts.width) + "x" + num(facts.height) +
            " aspect " + num(facts.aspectCode) + " rate " + num(facts.rateCode) + " " + num(facts.bitRate));
    v.expect(sectors == wantSectors, "AnalyzeMpeg counted " + num(sectors) + " track sectors where the stream's " +
                                         num(bytes.size() / vcd::kForm2DataBytes) + " packs make " + num(wantSectors));
    v.expect(timeOk, "AnalyzeMpeg measured " + num(secs) + " s where the stream's clocks give " +
                         (times.empty() ? std::string("none") : num(times.back())) + " s");
    v.expect(ok == 1, "AnalyzeMpeg does not find the Video CD stream compliant");
    int32_t untouched = -9;
    const int32_t missing = AnalyzeMpeg_(scratch.file("missing.mpg").c_str(), &untouched, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr);
    v.expect(missing == -1 && untouched == -9, "AnalyzeMpeg answered " + num(missing) + " for a missing file");
    return judge("MPEG analysis", "AnalyzeMpeg", v,
                 num(w) + "x" + num(h) + ", rate code " + num(r) + ", " + num(bps) + " bit/s, " + num(secs) + " s, " +
                     num(sectors) + " sectors, compliant, as the stream's bytes say");
}

Check checkConversion(const Scratch& scratch, const std::string& stream, const std::vector<uint8_t>& bytes,
                      std::vector<std::string>& notes) {
    Verdict v;
    BIND(PrepareVcdFiles);
    const char* name = "track conversion and first track";
    const char* exports = "PrepareVcdFiles";
    if (!bound(v, {P(PrepareVcdFiles)})) return judge(name, exports, v, "");
    FirstTrackPlan plan;
    plan.tracks = 1;
    std::vector<uint8_t> image = buildFirstTrack(plan);
    const std::string imageFile = scratch.file("TRACK01.IMG"), track = scratch.file("AVSEQ01.DAT");
    const std::string sources = stream + "\r\n", targets = imageFile + "\r\n" + track + "\r\n";
    const double t = nowMs();
    const int32_t r = PrepareVcdFiles_(reinterpret_cast<char*>(image.data()), int32_t(image.size()), sources.c_str(),
                                       targets.c_str());
    const double ms = nowMs() - t;
    const size_t sectors = bytes.size() / vcd::kForm2DataBytes + 85;
    char timing[160];
    std::snprintf(timing, sizeof timing, "conversion: %u sectors (%u KB) in %.0f ms, %.0f sectors/s", unsigned(sectors),
                  unsigned(sectors * vcd::kMode2SectorBytes / 1024), ms, ms > 0 ? sectors * 1000.0 / ms : 0.0);
    notes.push_back(timing);
    if (!v.expect(r == 1, "PrepareVcdFiles answered " + num(r) + " (1 expected)")) return judge(name, exports, v, "");
    std::vector<uint8_t> written, imageWritten;
    v.expect(readFile(track, written), "cannot read the track file back");
    const std::string wrong = selftest::trackMismatch(bytes.data(), bytes.size(), written.data(), written.size(), 1);
    v.expect(wrong.empty(), "the track file: " + wrong);
    v.expect(readFile(imageFile, imageWritten) && imageWritten == image,
             "the image file is not the completed image buffer");
    DiscLayout layout{uint32_t(image.size() / vcd::kMode2SectorBytes), {uint32_t(sectors)}};
    const std::vector<uint32_t> starts = listedTrackStarts(image);
    v.expect(starts.size() == 1 && starts[0] == layout.trackStart(1),
             "the completed image lists the track at " + (starts.empty() ? std::string("no sector") : num(starts[0])) +
                 " where its place is sector " + num(layout.trackStart(1)));
    return judge(name, exports, v,
                 "track of " + num(sectors) + " sectors holds the stream's packs; image lists it at sector " +
                     num(layout.trackStart(1)));
}

// Exports that need a person or act on the machine beyond the scratch.
const struct {
    const char* exports;
    const char* why;
} kNotRun[] = {
    {"NTRestart", "restarts the computer"},
    {"AllineaConExplorer", "starts and moves Windows Explorer"},
    {"InvokeShellProperties", "shows the shell's property sheet"},
    {"ShellGetFolder", "shows the folder browser, a person picks"},
    {"GetFilenameForOpenOrSave", "shows the Open and Save dialogs, a person picks"},
    {"PrinterSetup", "shows the Print Setup dialog, a person picks"},
    {"GetAColor", "shows the Color dialog, a person picks"},
    {"GetAFont", "shows the Font dialog, a person picks"},
};

// Writes the report to stdout (text mode: CR LF on Windows) and, when asked, to a file with the
// same CR LF line ends; false when the file could not be written.
bool emit(const std::string& report, const char* out) {
    std::fwrite(report.data(), 1, report.size(), stdout);
    std::fflush(stdout);
    if (!out) return true;
    std::string crlf;
    for (char c : report) crlf += c == '\n' ? "\r\n" : std::string(1, c);
    return writeFile(out, crlf.data(), crlf.size());
}

int usage() {
    std::fprintf(stderr, "usage: duvad selftest [--out FILE]\n");
    return 2;
}

}  // namespace

int selftestCommand(int argc, char** argv) {
    const char* out = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--out") && i + 1 < argc)
            out = argv[++i];
        else
            return usage();
    }
    // Full path now: the report file is written after the checks, whatever folder they leave.
    std::string outPath;
    if (out) {
        char full[MAX_PATH];
        const DWORD n = GetFullPathNameA(out, sizeof full, full, nullptr);
        outPath = n && n < sizeof full ? std::string(full, n) : std::string(out);
        out = outPath.c_str();
    }
    std::vector<Check> checks;
    std::vector<std::string> notes;
    if (!loadDll()) {
        checks.push_back({"loading", "LoadLibraryA", Status::Fail, "DuVad.dll beside duvad.exe cannot be loaded"});
        emit(selftest::reportText({}, checks, notes), out);
        return 1;
    }
    char dllPath[MAX_PATH] = {};
    GetModuleFileNameA(g_dll, dllPath, sizeof dllPath);

    ScopedHandle running(CreateMutexA(nullptr, FALSE, kMutexName));
    const DWORD owned = running.valid() ? WaitForSingleObject(running.get(), 0) : WAIT_FAILED;
    if (owned != WAIT_OBJECT_0 && owned != WAIT_ABANDONED) {
        std::fprintf(stderr, "duvad: another duvad selftest is running; run one at a time\n");
        return 2;
    }
    ScopedHandle finished(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    g_finished = finished.get();
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);

    Scratch scratch;
    std::vector<std::string> stale;
    const std::string opened = scratch.open(stale);
    for (const std::string& s : stale) notes.push_back("note: " + s);
    std::vector<Fact> facts = machineFacts(dllPath, scratch);
    if (!opened.empty()) checks.push_back({"scratch folder", "none", Status::Fail, opened});
    std::fprintf(stderr, "duvad selftest: checking %s in %s\n", dllPath, scratch.folder().c_str());

    // The carried stream, written into the scratch folder.
    const uint8_t* streamData = nullptr;
    size_t streamSize = 0;
    const std::string stream = scratch.file("sample.mpg");
    const bool haveStream = resource(kStreamResource, streamData, streamSize) &&
                            writeFile(stream, streamData, streamSize);
    const std::vector<uint8_t> streamBytes(streamData, streamData + (haveStream ? streamSize : 0));
    Files files;
    const std::string filesMade = opened.empty() ? makeFiles(scratch, files) : opened;

    InitCommonControls();
    g_windows.main = makeWindow("DuVadSelftest", mainProc, "DuVad selftest");
    if (g_windows.main)
        g_windows.list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 200, 100, g_windows.main,
                                         nullptr, GetModuleHandleA(nullptr), nullptr);

    std::vector<std::string> exportNames;
    int step = 0;
    const bool scratchOk = opened.empty() && filesMade.empty();
    // One check at a time; Ctrl-C or a closed console stops the run between two of them.
    for (; !g_stop; ++step) {
        Check c;
        switch (step) {
        case 0: c = checkExportTable(exportNames); break;
        case 1: c = checkOs(); break;
        case 2: c = checkFolders(scratch); break;
        case 3: c = checkVersionInfo(dllPath); break;
        case 4: c = checkRegistry(); break;
        case 5: {
            // Tests stop a run here (Ctrl-C, kill) while the scratch folder and key exist.
            char hold[16] = {};
            if (GetEnvironmentVariableA("DUVAD_SELFTEST_HOLD_MS", hold, sizeof hold)) {
                std::fprintf(stderr, "duvad selftest: holding\n");
                const double until = nowMs() + std::atoi(hold);
                while (!g_stop && nowMs() < until) Sleep(10);
            }
            continue;
        }
        case 6: c = checkCdromSettings(); break;
        case 7: c = scratchOk ? checkFreeSpace(scratch) : cannotRun("free space", "VolumeFreeKB", filesMade); break;
        case 8:
            c = scratchOk ? checkEnumeration(scratch, files)
                          : cannotRun("folder listing", "FFirst, FNext, FEnd, IsFileExisting", filesMade);
            break;
        case 9:
            c = scratchOk ? checkProbes(scratch, files)
                          : cannotRun("file and folder probes", "IsFileReadable, IsFileErasable, IsFolderWritable",
                                      filesMade);
            break;
        case 10:
            c = scratchOk ? checkSectors(files)
                          : cannotRun("sector reading", "OpenFileInSectors, ReadFileInSectors, CloseFileInSectors",
                                      filesMade);
            break;
        case 11:
            c = scratchOk ? checkCompare(scratch, files) : cannotRun("file comparison", "MatchFiles", filesMade);
            break;
        case 12:
            c = scratchOk ? checkCodePageNames(files)
                          : cannotRun("names in the system code page", "InStrBackS, IsLastBackS, InStrDot", filesMade);
            break;
        case 13: c = checkNameRules(); break;
        case 14:
            c = scratchOk ? checkCatalogue(scratch) : cannotRun("drive catalogue", "GetKvDrives", filesMade);
            break;
        case 15: c = checkWindows(); break;
        case 16: c = checkPump(); break;
        case 17: c = checkSound(); break;
        case 18: c = checkListView(); break;
        case 19: c = checkClipboard(); break;
        case 20: c = checkRefusals(scratch); break;
        case 21:
            c = haveStream ? checkAnalysis(scratch, stream, streamBytes)
                           : cannotRun("MPEG analysis", "AnalyzeMpeg", "cannot write the carried stream");
            break;
        case 22:
            c = haveStream ? checkConversion(scratch, stream, streamBytes, notes)
                           : cannotRun("track conversion and first track", "PrepareVcdFiles",
                                       "cannot write the carried stream");
            break;
        default: break;
        }
        if (step > 22) break;
        std::fprintf(stderr, "  %s %s\n",
                     c.status == Status::Fail   ? "FAIL"
                     : c.status == Status::Pass ? "ok  "
                                                : "--  ",
                     c.name.c_str());
        checks.push_back(c);
    }
    const bool interrupted = step <= 22;
    if (!interrupted) {
        for (const auto& n : kNotRun) checks.push_back({"needs a person", n.exports, Status::NotRun, n.why});
        // Every export of the list is either exercised or said not to run.
        std::string uncovered;
        for (const std::string& e : exportNames) {
            bool named = false;
            for (const Check& c : checks) {
                const std::string& list = c.exports;
                for (size_t at = list.find(e); at != std::string::npos && !named; at = list.find(e, at + 1))
                    named = (at == 0 || list[at - 1] == ' ') &&
                            (at + e.size() == list.size() || list[at + e.size()] == ',');
            }
            if (!named) uncovered += " " + e;
        }
        if (!uncovered.empty())
            checks.push_back({"exports this selftest does not know", uncovered.substr(1), Status::NotRun,
                              "added after this tool was made"});
    }
    destroyWindows();
    for (const std::string& left : scratch.close()) { checks.push_back({"clean-up", "none", Status::Fail, left}); }
    if (interrupted) notes.push_back("interrupted: the checks after the last one listed were not run");
    const std::string report = selftest::reportText(facts, checks, notes);
    const bool written = emit(report, out);
    if (!written) std::fprintf(stderr, "duvad: cannot write the report to %s\n", out);
    SetEvent(g_finished);
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    ReleaseMutex(running.get());
    if (interrupted) return 3;
    return !written ? 1 : selftest::exitStatus(checks);
}

}  // namespace duvad::host
