// A stand-in DuVad.dll for the selftest's tests (host/test/selftest.sh): every export is forwarded
// to DuVadReal.dll, a copy of the real DLL beside it (host/CMakeLists.txt writes the .def), except
// those defined here, which call the real one and answer wrong when DUVAD_STANDIN_FAULT (names
// separated by commas) names them: the planted faults that "duvad selftest" must report.
#include <windows.h>

#include <cstring>

#include "include/DuVad.h"

namespace {

template <typename F>
F real(const char* name) {
    static HMODULE dll = LoadLibraryA("DuVadReal.dll");
    return reinterpret_cast<F>(reinterpret_cast<void*>(dll ? GetProcAddress(dll, name) : nullptr));
}

bool planted(const char* name) {
    char faults[1024] = ",";
    GetEnvironmentVariableA("DUVAD_STANDIN_FAULT", faults + 1, sizeof faults - 2);
    std::strcat(faults, ",");
    char wanted[64];
    wsprintfA(wanted, ",%s,", name);
    return std::strstr(faults, wanted) != nullptr;
}

}  // namespace

#define REAL(fn) real<decltype(&fn)>(#fn)

extern "C" int32_t WINAPI ItsNT() { return REAL(ItsNT)() + (planted("ItsNT") ? 1 : 0); }

extern "C" int32_t WINAPI GetWinTempPath(char* path) {
    const int32_t r = REAL(GetWinTempPath)(path);
    if (planted("GetWinTempPath") && r > 0) path[0] = path[0] == 'Z' ? 'Y' : 'Z';
    return r;
}

extern "C" int32_t WINAPI GetProgamFilesFolder(char* folder) {
    const int32_t r = REAL(GetProgamFilesFolder)(folder);
    if (planted("GetProgamFilesFolder")) std::strcat(folder, "\\");
    return r;
}

extern "C" int32_t WINAPI ReadFileInfo(const char* name, int32_t* major, int32_t* minor, int32_t* third,
                                       int32_t* fourth) {
    const int32_t r = REAL(ReadFileInfo)(name, major, minor, third, fourth);
    if (planted("ReadFileInfo") && r == 1 && fourth) ++*fourth;
    return r;
}

extern "C" int32_t WINAPI ReadRegBlock(const char* subKey, const char* valueName, void* block, int32_t length) {
    const int32_t r = REAL(ReadRegBlock)(subKey, valueName, block, length);
    if (planted("ReadRegBlock") && r == 1) static_cast<unsigned char*>(block)[0] ^= 1;
    return r;
}

extern "C" int32_t WINAPI DriveSettingNT(int32_t mode, int32_t* autorun) {
    const int32_t r = REAL(DriveSettingNT)(mode, autorun);
    return planted("DriveSettingNT") ? 1 : r;
}

extern "C" int32_t WINAPI FFirst(const char* pattern, char* longName, char* shortName, int32_t* kind, int32_t* sizeKB) {
    const int32_t r = REAL(FFirst)(pattern, longName, shortName, kind, sizeKB);
    if (planted("FFirst") && r != -1) *kind = 3 - *kind;
    return r;
}

extern "C" int32_t WINAPI IsFileErasable(const char* name) {
    const int32_t r = REAL(IsFileErasable)(name);
    return planted("IsFileErasable") ? 1 : r;
}

extern "C" int32_t WINAPI ReadFileInSectors(int32_t handle, char* buffer, int32_t count, int32_t* sectorsRead) {
    const int32_t r = REAL(ReadFileInSectors)(handle, buffer, count, sectorsRead);
    // The sectors one byte further on, as a read from the wrong place gives them.
    if (planted("ReadFileInSectors") && r == 1 && count > 0) std::memmove(buffer, buffer + 1, size_t(count) * 2048 - 1);
    return r;
}

extern "C" int32_t WINAPI MatchFiles(const char* firstName, const char* secondName) {
    const int32_t r = REAL(MatchFiles)(firstName, secondName);
    if (planted("MatchFilesSizes") && r == -3) return 0;  // files of different sizes called the same
    return planted("MatchFiles") && r > 0 ? r + 1 : r;
}

extern "C" int32_t WINAPI InStrBackS(int32_t start, const char* text) {
    const int32_t r = REAL(InStrBackS)(start, text);
    return planted("InStrBackS") && r > 0 ? r + 1 : r;
}

extern "C" int32_t WINAPI CheckFileName(int32_t mode, int32_t flags, const char* name) {
    const int32_t r = REAL(CheckFileName)(mode, flags, name);
    return planted("CheckFileName") ? 0 : r;
}

extern "C" int32_t WINAPI GetKvDrives(char* list, const char* cataloguePath) {
    const int32_t r = REAL(GetKvDrives)(list, cataloguePath);
    return planted("GetKvDrives") && r > 0 ? r - 1 : r;
}

extern "C" int32_t WINAPI FindThisVB6MDIWindow(const char* titlePrefix) {
    const int32_t r = REAL(FindThisVB6MDIWindow)(titlePrefix);
    return planted("FindThisVB6MDIWindow") ? 0 : r;
}

extern "C" int32_t WINAPI EnablepkWR(int32_t value) {
    const int32_t r = REAL(EnablepkWR)(value);
    return planted("EnablepkWR") && r != -1 ? r + 2 : r;
}

// No pass over the queue at all.
extern "C" int32_t WINAPI GoEvents(int32_t duration) { return planted("GoEvents") ? 1 : REAL(GoEvents)(duration); }

// No pause at all.
extern "C" int32_t WINAPI MySleep(int32_t milliseconds) { return planted("MySleep") ? 1 : REAL(MySleep)(milliseconds); }

extern "C" int32_t WINAPI SoundATune(int32_t sound) {
    const int32_t r = REAL(SoundATune)(sound);
    return planted("SoundATune") ? 0 : r;
}

// Says it took the text but leaves the cell alone.
extern "C" int32_t WINAPI SetLVItemText(HWND listView, int32_t item, int32_t subItem, const char* text) {
    return planted("SetLVItemText") ? 1 : REAL(SetLVItemText)(listView, item, subItem, text);
}

extern "C" int32_t WINAPI RemoveLVFocus(HWND listView) {
    return planted("RemoveLVFocus") ? 1 : REAL(RemoveLVFocus)(listView);
}

extern "C" int32_t WINAPI ExtensionReg(const char* extension, const char* typeName, const char* description,
                                       const char* openCommand, const char* defaultIcon) {
    const int32_t r = REAL(ExtensionReg)(extension, typeName, description, openCommand, defaultIcon);
    return planted("ExtensionReg") ? 0 : r;
}

extern "C" int32_t WINAPI AnalyzeMpeg(const char* fileName, int32_t* compliant, int32_t* width, int32_t* height,
                                      int32_t* aspectCode, int32_t* rateCode, int32_t* bitRate, int32_t* playingSeconds,
                                      int32_t* sectors) {
    const int32_t r = REAL(AnalyzeMpeg)(fileName, compliant, width, height, aspectCode, rateCode, bitRate,
                                        playingSeconds, sectors);
    if (planted("AnalyzeMpeg") && r == 1 && sectors) ++*sectors;
    return r;
}

// The other family: 95 and 98 swap, NT 4 and NT 5 swap.
extern "C" int32_t WINAPI OSType(char* servicePack) {
    const int32_t r = REAL(OSType)(servicePack);
    if (!planted("OSType")) return r;
    return r == 95 ? 98 : r == 98 ? 95 : r == 1000 ? 2000 : 1000;
}

// A quarter too little: what a wrong cluster or unit sum would give.
extern "C" int32_t WINAPI VolumeFreeKB(const char* path) {
    const int32_t r = REAL(VolumeFreeKB)(path);
    return planted("VolumeFreeKB") ? r / 4 * 3 : r;
}

// One byte of the first track file's sector 40 (pack 11 of its stream) changed after the call.
extern "C" int32_t WINAPI PrepareVcdFiles(char* image, int32_t length, const char* sources, const char* targets) {
    const int32_t r = REAL(PrepareVcdFiles)(image, length, sources, targets);
    if (r != 1 || !planted("PrepareVcdFiles")) return r;
    const char* line2 = std::strstr(targets, "\r\n");
    const char* end = line2 ? std::strstr(line2 + 2, "\r\n") : nullptr;
    if (!end) return r;
    char track[MAX_PATH] = {};
    std::memcpy(track, line2 + 2, size_t(end - line2 - 2) < sizeof track - 1 ? size_t(end - line2 - 2) : 0);
    HANDLE f = CreateFileA(track, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return r;
    unsigned char b = 0;
    DWORD n = 0;
    const LONG at = 40 * 2336 + 8 + 100;
    SetFilePointer(f, at, nullptr, FILE_BEGIN);
    ReadFile(f, &b, 1, &n, nullptr);
    b ^= 0x01;
    SetFilePointer(f, at, nullptr, FILE_BEGIN);
    WriteFile(f, &b, 1, &n, nullptr);
    CloseHandle(f);
    return r;
}
