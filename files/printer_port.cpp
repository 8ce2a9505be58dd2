// DumpFileToPrinter: a file copied byte for byte to a parallel port, paced by the message pump.
#include <windows.h>

#include "files/disk_file.h"
#include "frame/scoped.h"
#include "include/DuVad.h"

namespace {

constexpr DWORD kPortBlock = 32000;           // bytes per write to the port (decimal)
constexpr int32_t kPauseBetweenBlocks = 100;  // GoEvents duration after every read

}  // namespace

extern "C" int32_t WINAPI DumpFileToPrinter(const char* name, int32_t port) {
    if (!name) return 0;
    // The file is a disk file (the port below is the one device opened on purpose).
    duvad::ScopedFile file(duvad::files::openDiskFile(name, GENERIC_READ, 0));
    if (!file.valid()) return 0;
    char device[32];
    wsprintfA(device, "LPT%d:", int(port));
    duvad::ScopedFile printer(
        CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!printer.valid()) return 0;

    // A failed or short write does not stop the transfer (the blocks and their pacing stay as
    // they are), but data lost in any block makes the result 0, not only in the last one.
    int32_t result = 1;
    bool allWritten = true;
    BYTE block[kPortBlock];
    for (;;) {
        DWORD got = 0;
        const bool readOk = ReadFile(file.get(), block, kPortBlock, &got, nullptr) != FALSE;
        if (readOk && got > 0) {
            DWORD written = 0;
            if (!WriteFile(printer.get(), block, got, &written, nullptr) || written != got) allWritten = false;
        }
        GoEvents(kPauseBetweenBlocks);
        if (!readOk) {
            result = 0;
            break;
        }
        if (got == 0) break;
    }
    return allWritten ? result : 0;
}
