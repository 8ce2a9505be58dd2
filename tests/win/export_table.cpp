#include "tests/win/export_table.h"

#include <windows.h>

#include <sstream>

namespace duvad::test {

const std::vector<DeclaredExport>& declaredExports() {
    static const std::vector<DeclaredExport> rows = [] {
        std::vector<DeclaredExport> out;
        HRSRC found = FindResourceA(nullptr, "EXPORTS_DEF", MAKEINTRESOURCEA(10));  // RT_RCDATA
        if (!found) return out;
        const char* text = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
        std::istringstream lines(std::string(text, SizeofResource(nullptr, found)));
        // "    Name@bytes   @ordinal" rows; comments (;), LIBRARY and EXPORTS carry no '@'.
        for (std::string line; std::getline(lines, line);) {
            line = line.substr(0, line.find(';'));
            const size_t start = line.find_first_not_of(" \t");
            const size_t at = line.find('@');
            const size_t ordinalAt = line.find('@', at + 1);
            if (at == std::string::npos || ordinalAt == std::string::npos || start >= at) continue;
            out.push_back({line.substr(start, at - start), int32_t(std::stoi(line.substr(at + 1)) / 4),
                           uint32_t(std::stoul(line.substr(ordinalAt + 1)))});
        }
        return out;
    }();
    return rows;
}

}  // namespace duvad::test
