// What the name rules and path searches need of the system's code pages: whether a byte opens a
// double-byte character in the ANSI code page, and the ANSI-to-OEM conversion. The DLL answers
// with the running system's code pages; tests and fuzzers bring models of 1252 and 932.
#pragma once
#include <cstddef>
#include <cstdint>

namespace duvad::files {

class CodePage {
public:
    // True when `b` is the first byte of a double-byte character of the ANSI code page.
    virtual bool isLeadByte(uint8_t b) const = 0;
    // Converts the zero-terminated ANSI text `ansi` to the OEM code page into `oem`, zero-terminated.
    // The text is shorter than `size` bytes; the conversion keeps its length in bytes.
    virtual void toOem(const char* ansi, char* oem, size_t size) const = 0;

protected:
    // Not deleted through the interface: no virtual destructor (DuVad.dll has no operator delete).
    ~CodePage() = default;
};

}  // namespace duvad::files
