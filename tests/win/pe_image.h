// Reads the export and import tables of a PE image mapped in memory (a loaded module).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace duvad::test {

struct PeExport {
    std::string name;
    DWORD ordinal;
};

struct PeImage {
    WORD machine = 0;
    DWORD ordinalBase = 0;
    std::vector<PeExport> exports;           // named exports
    std::vector<std::string> importedDlls;   // as written, e.g. "KERNEL32.dll"
    std::vector<std::string> importedNames;  // "KERNEL32.dll!CreateFileA"
};

PeImage readPe(HMODULE module);

}  // namespace duvad::test
