// OpenFileInSectors, ReadFileInSectors, CloseFileInSectors, MatchFiles: 2048-byte-sector files read
// through a handle the host keeps, and the comparison of two whole files.
#include <windows.h>

#include <cstring>

#include "files/core/sectors.h"
#include "files/disk_file.h"
#include "frame/file_size.h"
#include "frame/scoped.h"
#include "include/DuVad.h"

namespace {

using namespace duvad::files;

// The comparison's codes are MatchFiles' own.
static_assert(kIdentical == DUVAD_MATCHFILES_SAME, "files match");
static_assert(kFirstReadFailed == DUVAD_MATCHFILES_FIRST_SHORT, "first file short");
static_assert(kSecondReadFailed == DUVAD_MATCHFILES_SECOND_SHORT, "second file short");
static_assert(kSizesDiffer == DUVAD_MATCHFILES_SIZES_DIFFER, "sizes differ");
static_assert(kFirstOpenFailed == DUVAD_MATCHFILES_FIRST_CANNOT_OPEN, "first file not opened");
static_assert(kSecondOpenFailed == DUVAD_MATCHFILES_SECOND_CANNOT_OPEN, "second file not opened");
static_assert(kFarDifference == DUVAD_MATCHFILES_PAST_LAST, "difference past the last countable byte");

HANDLE asHandle(int32_t value) { return reinterpret_cast<HANDLE>(intptr_t(value)); }

// The handles OpenFileInSectors hands out are never 0 (a VB Long not yet set) or negative; -1 and
// -2 are its failure codes, which the system would take for the process and thread pseudo-handles.
bool handedOut(int32_t value) { return value > 0; }

// Disk files only: a device's name is refused before it is opened.
HANDLE openForReading(const char* name, DWORD share) { return openDiskFile(name, GENERIC_READ, share); }

class FileSource final : public ByteSource {
public:
    explicit FileSource(HANDLE file) : file_(file) {}
    bool read(uint8_t* into, uint32_t length, uint32_t* got) override {
        DWORD n = 0;
        const bool ok = ReadFile(file_, into, length, &n, nullptr) != FALSE;
        *got = n;
        return ok;
    }

private:
    HANDLE file_;
};

}  // namespace

extern "C" int32_t WINAPI OpenFileInSectors(const char* name, int32_t* sectorsInFile) {
    // No sharing: nobody else opens the file while the host reads it, nor may anybody hold it now.
    duvad::ScopedFile file(openForReading(name, 0));
    if (!file.valid()) return DUVAD_OPENFILEINSECTORS_CANNOT_OPEN;
    LONG high = 0;
    const DWORD low = SetFilePointer(file.get(), 0, &high, FILE_END);
    if (!acceptsSize(low)) return DUVAD_OPENFILEINSECTORS_NOT_WHOLE;
    SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
    if (sectorsInFile) *sectorsInFile = int32_t(sectorsIn(uint64_t(uint32_t(high)) << 32 | low));
    return int32_t(reinterpret_cast<intptr_t>(file.release()));
}

extern "C" int32_t WINAPI ReadFileInSectors(int32_t handle, char* buffer, int32_t count, int32_t* sectorsRead) {
    if (sectorsRead) *sectorsRead = 0;
    // A request whose byte count does not fit one read is refused before the buffer is touched.
    if (!requestFits(count) || (!buffer && count != 0)) return DUVAD_READFILEINSECTORS_FAILED;
    // The request's bytes end up as the bytes read followed by zeros (all zeros after a failed
    // read); only the part the read did not fill is cleared, so the data is written once.
    const DWORD bytes = requestBytes(count);
    DWORD got = 0;
    const bool ok = handedOut(handle) && ReadFile(asHandle(handle), buffer, bytes, &got, nullptr) != FALSE;
    if (!ok) got = 0;
    if (got < bytes) std::memset(buffer + got, 0, bytes - got);
    if (!ok) return DUVAD_READFILEINSECTORS_FAILED;
    if (sectorsRead) *sectorsRead = int32_t(got / kSectorBytes);
    return DUVAD_READFILEINSECTORS_DONE;
}

extern "C" int32_t WINAPI CloseFileInSectors(int32_t handle) {
    if (!handedOut(handle)) return DUVAD_CLOSEFILEINSECTORS_NOT_OPEN;
    return CloseHandle(asHandle(handle)) ? DUVAD_CLOSEFILEINSECTORS_DONE : DUVAD_CLOSEFILEINSECTORS_NOT_OPEN;
}

extern "C" int32_t WINAPI MatchFiles(const char* firstName, const char* secondName) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    duvad::ScopedFile first(openForReading(firstName, share));
    if (!first.valid()) return DUVAD_MATCHFILES_FIRST_CANNOT_OPEN;
    duvad::ScopedFile second(openForReading(secondName, share));
    if (!second.valid()) return DUVAD_MATCHFILES_SECOND_CANNOT_OPEN;

    // Whole 64-bit sizes: files that differ only above 4 GiB are not the same size.
    const int64_t firstSize = duvad::fileSize(first.get());
    if (firstSize < 0) return DUVAD_MATCHFILES_FIRST_SHORT;
    const int64_t secondSize = duvad::fileSize(second.get());
    if (secondSize < 0) return DUVAD_MATCHFILES_SECOND_SHORT;
    if (firstSize != secondSize) return DUVAD_MATCHFILES_SIZES_DIFFER;

    uint8_t firstBlock[kMatchBlock], secondBlock[kMatchBlock];
    FileSource a(first.get()), b(second.get());
    return compareContents(a, b, uint64_t(firstSize), firstBlock, secondBlock);
}
