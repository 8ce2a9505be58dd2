// The running system's ANSI and OEM code pages, for the name rules and path searches.
#pragma once
#include <windows.h>

#include "files/core/codepage.h"

namespace duvad::files {

class SystemCodePage final : public CodePage {
public:
    bool isLeadByte(uint8_t b) const override { return IsDBCSLeadByte(b) != FALSE; }
    // The callers hand texts shorter than `size`; the conversion keeps the length in bytes.
    void toOem(const char* ansi, char* oem, size_t) const override { CharToOemA(ansi, oem); }
};

inline const CodePage& systemCodePage() {
    static const SystemCodePage cp;
    return cp;
}

}  // namespace duvad::files
