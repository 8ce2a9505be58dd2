// duvad.exe - uses DuVad.dll exactly as the VB6 host does: LoadLibraryA, GetProcAddress by name,
// stdcall calls.
//
//   duvad info                the module's version, its export table and its sounds; plays one
//   duvad analyze FILE...     what AnalyzeMpeg finds in each file, and the disc they would make
//   duvad selftest [--out FILE]  checks the DLL on this machine and reports (host/selftest.cpp)
//   duvad make [--replace] OUTDIR FILE...
//                             a Video CD of up to 32 MPEG-1 or RIFF CDXA files: track files, the
//                             first track's image, a raw disc image with cue sheet, a cdrdao TOC
//                             (--replace: also over files in OUTDIR that an earlier make did not make)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "host/core/wave.h"
#include "host/host.h"
#include "host/selftest.h"

namespace duvad::host {

HMODULE g_dll;

// Only the DuVad.dll beside duvad.exe, by its full path: a search by name would also look in the
// current folder, where a planted DLL of that name could be the one that runs.
bool loadDll() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dll(path, n && n < MAX_PATH ? n : 0);
    dll.resize(dll.find_last_of("\\/") + 1);  // npos + 1: nothing
    if (dll.empty()) {
        std::fprintf(stderr, "duvad: cannot tell the folder of duvad.exe (error %lu)\n", GetLastError());
        return false;
    }
    dll += "DuVad.dll";
    g_dll = LoadLibraryA(dll.c_str());
    if (!g_dll) {
        const DWORD error = GetLastError();
        if (GetFileAttributesA(dll.c_str()) == INVALID_FILE_ATTRIBUTES)
            std::fprintf(stderr, "duvad: %s is missing: duvad.exe uses only the DuVad.dll beside it\n", dll.c_str());
        else
            std::fprintf(stderr, "duvad: cannot load %s (error %lu)\n", dll.c_str(), error);
    }
    return g_dll != nullptr;
}

namespace {

std::string moduleVersion(const char* path, const char* key) {
    DWORD handle = 0, size = GetFileVersionInfoSizeA(path, &handle);
    if (!size) return "?";
    std::string block(size, '\0');
    char* value = nullptr;
    UINT length = 0;
    std::string query = std::string("\\StringFileInfo\\040904b0\\") + key;
    if (!GetFileVersionInfoA(path, handle, size, block.data()) ||
        !VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
        return "?";
    return value;
}

int info() {
    char path[MAX_PATH];
    GetModuleFileNameA(g_dll, path, MAX_PATH);
    std::printf("%s\n  %s, version %s\n\n", path, moduleVersion(path, "FileDescription").c_str(),
                moduleVersion(path, "FileVersion").c_str());

    auto* base = reinterpret_cast<const BYTE*>(g_dll);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base +
                                                           reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& ed = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto* dir = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + ed.VirtualAddress);
    auto* names = reinterpret_cast<const DWORD*>(base + dir->AddressOfNames);
    auto* ords = reinterpret_cast<const WORD*>(base + dir->AddressOfNameOrdinals);
    std::printf("exports (%lu):\n", dir->NumberOfNames);
    for (DWORD i = 0; i < dir->NumberOfNames; ++i)
        std::printf("  %2lu  %s\n", dir->Base + ords[i], reinterpret_cast<const char*>(base + names[i]));

    std::printf("\nsounds:\n");
    for (WORD id : {1001, 1012, 1014}) {
        HRSRC r = FindResourceA(g_dll, MAKEINTRESOURCEA(id), "WAVE");
        if (!r) {
            std::printf("  %u  missing\n", id);
            continue;
        }
        auto f = wave::read(static_cast<const uint8_t*>(LockResource(LoadResource(g_dll, r))),
                            SizeofResource(g_dll, r));
        if (!f) {
            std::printf("  %u  unreadable\n", id);
            continue;
        }
        std::printf("  %u  %s, %u Hz, %u samples, %.1f s\n", id, f->formatTag == wave::kPcm ? "PCM 8-bit" : "MS ADPCM",
                    unsigned(f->samplesPerSec), unsigned(f->samples), double(f->samples) / f->samplesPerSec);
    }

    auto sound = HOST_PROC(SoundATune);
    auto pump = HOST_PROC(GoEvents);
    if (sound && pump) {
        int32_t r = sound(1012);
        std::printf("\nSoundATune(1012) = %d (%s)\n", r,
                    waveOutGetNumDevs() ? "playing the chime" : "no wave device: the loudspeaker beeped");
        pump(1600);  // let it play out while the pump keeps this program responsive
        sound(0);
    }
    return 0;
}

int usage() {
    std::fprintf(stderr,
                 "usage: duvad info\n"
                 "       duvad analyze FILE...\n"
                 "       duvad make [--replace] OUTDIR FILE...   (1 to 32 MPEG-1 or RIFF CDXA files;\n"
                 "             --replace: also replace files in OUTDIR named like the disc's that duvad did not make)\n"
                 "       duvad selftest [--out FILE]\n");
    return 2;
}

}  // namespace
}  // namespace duvad::host

int main(int argc, char** argv) {
    using namespace duvad::host;
    // Each line reaches a pipe or file when it is said: a make that is killed or interrupted has
    // told its reader all it did (msvcrt.dll buffers a redirected stdout whole otherwise).
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    // The selftest loads the DLL itself: one that cannot be loaded is in its report.
    if (argc > 1 && !std::strcmp(argv[1], "selftest")) return selftestCommand(argc - 2, argv + 2);
    if (!loadDll()) return 1;
    const char* command = argc > 1 ? argv[1] : "info";
    if (!std::strcmp(command, "info")) return info();
    if (!std::strcmp(command, "analyze")) return analyze(argc - 2, argv + 2);
    if (!std::strcmp(command, "make")) return make(argc - 2, argv + 2);
    return usage();
}
