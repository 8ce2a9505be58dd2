// The running system's ANSI and OEM code pages, for the name rules and path searches.
#pragma once
#include <windows.h>

#include <cstring>

#include "files/core/codepage.h"

namespace duvad::files {

class SystemCodePage final : public CodePage {
public:
    bool isLeadByte(uint8_t b) const override { return IsDBCSLeadByte(b) != FALSE; }
    // The callers hand texts shorter than `size`. The conversion writes at most the text's length
    // plus one bytes, but not always a terminating zero: in a double-byte code page a lead byte
    // that stands last takes the zero as its trail and comes out as a whole character (two bytes).
    // The copy is cleared first, so it always ends within those bytes.
    void toOem(const char* ansi, char* oem, size_t size) const override {
        std::memset(oem, 0, size);
        CharToOemA(ansi, oem);
    }
};

inline const CodePage& systemCodePage() {
    static const SystemCodePage cp;
    return cp;
}

}  // namespace duvad::files
