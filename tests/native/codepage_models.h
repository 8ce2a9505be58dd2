// Models of two ANSI code pages for the name rules and searches: Windows-1252 with OEM 437 (single
// bytes only), and 932 (Shift JIS; lead bytes 0x81-0x9F and 0xE0-0xFC, OEM code page the same).
#pragma once
#include <cassert>
#include <cstring>

#include "files/core/codepage.h"

namespace duvad::files::test {

class Cp1252Model final : public CodePage {
public:
    bool isLeadByte(uint8_t) const override { return false; }
    void toOem(const char* ansi, char* oem, size_t size) const override {
        const size_t n = std::strlen(ansi);
        assert(n < size);
        for (size_t i = 0; i <= n; ++i) oem[i] = char(oem437(uint8_t(ansi[i])));
    }

private:
    // ASCII stays; the letters used by the tests take their 437 places; the rest becomes '?'.
    static uint8_t oem437(uint8_t b) {
        if (b < 0x80) return b;
        switch (b) {
        case 0xE9: return 0x82;  // e acute
        case 0xC9: return 0x90;  // E acute
        case 0xE4: return 0x84;  // a umlaut
        case 0xFC: return 0x81;  // u umlaut
        case 0xF1: return 0xA4;  // n tilde
        default: return '?';
        }
    }
};

class Cp932Model final : public CodePage {
public:
    bool isLeadByte(uint8_t b) const override { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
    void toOem(const char* ansi, char* oem, size_t size) const override {
        const size_t n = std::strlen(ansi);
        assert(n < size);
        std::memcpy(oem, ansi, n + 1);
    }
};

}  // namespace duvad::files::test
