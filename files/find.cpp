// FFirst, FNext, FEnd, IsFileExisting: the host walks a folder one entry at a time; the search
// handle is the system's, handed to the host, which ends it with FEnd.
#include <windows.h>

#include <cstring>

#include "files/core/volume.h"
#include "frame/scoped.h"
#include "include/DuVad.h"

namespace {

void deliver(const WIN32_FIND_DATAA& found, char* longName, char* shortName, int32_t* kind, int32_t* sizeKB) {
    if (longName) std::memcpy(longName, found.cFileName, std::strlen(found.cFileName) + 1);
    const char* alias = found.cAlternateFileName[0] ? found.cAlternateFileName : found.cFileName;
    if (shortName) std::memcpy(shortName, alias, std::strlen(alias) + 1);
    if (kind) *kind = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 2;
    if (sizeKB) *sizeKB = duvad::files::entryKilobytes(uint64_t(found.nFileSizeHigh) << 32 | found.nFileSizeLow);
}

// After a failure the host must not see the previous entry.
void clear(char* longName, char* shortName, int32_t* kind, int32_t* sizeKB) {
    if (longName) longName[0] = '\0';
    if (shortName) shortName[0] = '\0';
    if (kind) *kind = 0;
    if (sizeKB) *sizeKB = 0;
}

// Search handles FFirst hands out are never 0 (a VB Long not yet set) or negative (-1 is its
// "nothing found"): such a value reaches no system call.
bool handedOut(int32_t search) { return search > 0; }

// The system's record is read into storage of the call and terminated, whatever it holds.
WIN32_FIND_DATAA terminated(const WIN32_FIND_DATAA& found) {
    WIN32_FIND_DATAA copy = found;
    copy.cFileName[MAX_PATH - 1] = '\0';
    copy.cAlternateFileName[sizeof copy.cAlternateFileName - 1] = '\0';
    return copy;
}

}  // namespace

extern "C" int32_t WINAPI FFirst(const char* pattern, char* longName, char* shortName, int32_t* kind, int32_t* sizeKB) {
    WIN32_FIND_DATAA found;
    HANDLE search = pattern ? FindFirstFileA(pattern, &found) : INVALID_HANDLE_VALUE;
    if (search == INVALID_HANDLE_VALUE) {
        clear(longName, shortName, kind, sizeKB);
        return DUVAD_FFIRST_NONE;
    }
    deliver(terminated(found), longName, shortName, kind, sizeKB);
    return int32_t(reinterpret_cast<intptr_t>(search));
}

extern "C" int32_t WINAPI FNext(int32_t search, char* longName, char* shortName, int32_t* kind, int32_t* sizeKB) {
    WIN32_FIND_DATAA found;
    if (!handedOut(search) || !FindNextFileA(reinterpret_cast<HANDLE>(intptr_t(search)), &found)) {
        clear(longName, shortName, kind, sizeKB);
        return 0;
    }
    deliver(terminated(found), longName, shortName, kind, sizeKB);
    return 1;
}

extern "C" int32_t WINAPI FEnd(int32_t search) {
    if (handedOut(search)) FindClose(reinterpret_cast<HANDLE>(intptr_t(search)));
    return 1;
}

extern "C" int32_t WINAPI IsFileExisting(const char* name) {
    if (!name) return 0;
    WIN32_FIND_DATAA found;
    duvad::ScopedFind search(FindFirstFileA(name, &found));
    return search.valid() ? 1 : 0;
}
