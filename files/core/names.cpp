#include "files/core/names.h"

#include <cstring>

namespace duvad::files {
namespace {

constexpr char kBackslash = '\\';
constexpr char kDot = '.';

size_t shortLimitFor(uint32_t mode) {
    switch (mode) {
    case 1: return 31;
    case 2: return 220;
    default: return 0;
    }
}

bool inShortNameSet(uint8_t b) { return (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '_' || b == '.'; }

// Mode 0 on the OEM copy, upper-cased (a to z only).
int32_t checkShortName(uint32_t flags, const char* oem, size_t length) {
    if (flags & kDirectoryFlag) {
        if (std::memchr(oem, kDot, length)) return kNameDirWithDot;
        if (length > 8) return kNameTooLong;
    } else {
        if (length > 12) return kNameTooLong;
        if (const char* dot = static_cast<const char*>(std::memchr(oem, kDot, length))) {
            const size_t before = size_t(dot - oem), after = length - before - 1;
            if (before > 8) return kNameTooLong;
            if (after > 3) return kNameLongExtension;
        }
    }
    for (size_t i = 0; i < length; ++i)
        if (!inShortNameSet(uint8_t(oem[i]))) return kNameBadCharacter;
    return kNameFits;
}

// Calls `found(p)` for every character of `text` that is `wanted` (a single-byte character, not
// the trail of a lead byte); stops at the end, at a lead byte without a trail byte, or when
// `found` returns false.
template <typename F>
void scanFor(const char* text, char wanted, const CodePage& cp, F found) {
    for (const char* p = text; *p;) {
        if (cp.isLeadByte(uint8_t(*p))) {
            if (!p[1]) return;
            p += 2;
            continue;
        }
        if (*p == wanted && !found(p)) return;
        ++p;
    }
}

int32_t position(const char* text, const char* p) { return int32_t(p - text + 1); }

// Whether `p` begins with a device-namespace prefix: \\.\ or \\?\, or \??\, the system's own
// prefix, which its name conversion passes through unchanged (either slash in any place).
bool isSeparator(char c) { return c == kBackslash || c == '/'; }
bool startsDeviceNamespace(const char* p) {
    if (!isSeparator(p[0])) return false;
    const bool win32 = isSeparator(p[1]) && (p[2] == '.' || p[2] == '?');
    const bool nt = p[1] == '?' && p[2] == '?';
    return (win32 || nt) && isSeparator(p[3]);
}

// Whether `text` up to the next separator (or its end) is `word`, in any case.
bool componentIs(const char* text, const char* word) {
    size_t i = 0;
    for (; word[i]; ++i) {
        const char c = text[i] >= 'a' && text[i] <= 'z' ? char(text[i] - 'a' + 'A') : text[i];
        if (c != word[i]) return false;
    }
    return text[i] == '\0' || isSeparator(text[i]);
}

}  // namespace

const char* charNext(const char* p, const CodePage& cp) {
    if (!*p) return p;
    if (cp.isLeadByte(uint8_t(*p)) && p[1]) return p + 2;
    return p + 1;
}

size_t countChars(const char* text, const CodePage& cp) {
    size_t n = 0;
    for (const char* p = text; *p; p = charNext(p, cp))
        if (!(cp.isLeadByte(uint8_t(*p)) && !p[1])) ++n;
    return n;
}

int32_t checkFileName(uint32_t mode, uint32_t flags, const char* name, const CodePage& cp) {
    if (!name) name = "";
    switch (mode) {
    case 0:
    case 1:
    case 2: {
        const size_t length = std::strlen(name);
        // A name that does not fit the work copy breaks every byte limit of these modes; of the
        // mode 0 rules only the dot in a directory name comes before the length.
        if (length >= kOemCopySize) {
            const bool dirWithDot = mode == 0 && (flags & kDirectoryFlag) && std::memchr(name, kDot, length);
            return dirWithDot ? kNameDirWithDot : kNameTooLong;
        }
        char oem[kOemCopySize];
        cp.toOem(name, oem, sizeof oem);
        oem[kOemCopySize - 1] = '\0';
        const size_t oemLength = std::strlen(oem);
        if (mode != 0) return oemLength > shortLimitFor(mode) ? kNameTooLong : kNameFits;
        for (size_t i = 0; i < oemLength; ++i)
            if (oem[i] >= 'a' && oem[i] <= 'z') oem[i] = char(oem[i] - 'a' + 'A');
        return checkShortName(flags, oem, oemLength);
    }
    case 3:
    case 5: return countChars(name, cp) > 110 ? kNameTooLong : kNameFits;
    case 4: return countChars(name, cp) > 128 ? kNameTooLong : kNameFits;
    default: return kNameFits;
    }
}

int32_t inStrBackS(int32_t start, const char* text, const CodePage& cp) {
    if (!text) return 0;
    const char* from = text;
    for (int32_t step = 1; step < start && *from; ++step) from = charNext(from, cp);
    int32_t result = 0;
    scanFor(from, kBackslash, cp, [&](const char* p) {
        result = position(text, p);
        return false;
    });
    return result;
}

int32_t isLastBackS(const char* text, const CodePage& cp) {
    if (!text) return 0;
    const char* last = nullptr;
    scanFor(text, kBackslash, cp, [&](const char* p) {
        last = p;
        return true;
    });
    return last && last[1] == '\0' ? 1 : 0;
}

int32_t inStrDot(const char* text, const CodePage& cp) {
    if (!text) return 0;
    int32_t result = 0;
    scanFor(text, kDot, cp, [&](const char* p) {
        result = position(text, p);
        return true;
    });
    return result;
}

size_t pastLastBackslash(const char* text, size_t length, const CodePage& cp) {
    size_t past = 0;
    for (size_t i = 0; i < length && text[i];) {
        if (cp.isLeadByte(uint8_t(text[i]))) {
            if (i + 1 >= length || !text[i + 1]) break;
            i += 2;
            continue;
        }
        if (text[i] == kBackslash) past = i + 1;
        ++i;
    }
    return past;
}

bool isDeviceName(const char* path, const CodePage& cp) {
    if (!path) return false;
    // The last component, by characters: a trail byte 0x5C or 0x2F is no separator.
    const char* last = path;
    for (const char* p = path; *p; p = charNext(p, cp))
        if (*p == kBackslash || *p == '/') last = p + 1;
    const bool deviceNamespace = startsDeviceNamespace(path);
    if (deviceNamespace && last == path + 4 && *last) return true;  // \\.\X:, \\.\PhysicalDrive0
    const bool letter = (last[0] >= 'A' && last[0] <= 'Z') || (last[0] >= 'a' && last[0] <= 'z');
    if (letter && last[1] == ':') last += 2;  // C:con

    // The base name: up to the first dot or colon, less the spaces before it.
    size_t length = 0;
    while (last[length] && last[length] != kDot && last[length] != ':') ++length;
    while (length > 0 && last[length - 1] == ' ') --length;
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    auto is = [&](const char* name) {
        for (size_t i = 0; i < 3; ++i)
            if (upper(last[i]) != name[i]) return false;
        return true;
    };
    if (length == 3) return is("CON") || is("PRN") || is("AUX") || is("NUL");
    if (length == 4 && last[3] >= '1' && last[3] <= '9') return is("COM") || is("LPT");
    // The console's input and output and the clock: names with a dollar sign that only the
    // system's device table holds.
    auto whole = [&](const char* name) {
        for (size_t i = 0; i < length; ++i)
            if (upper(last[i]) != name[i]) return false;
        return name[length] == '\0';
    };
    return whole("CONIN$") || whole("CONOUT$") || whole("CLOCK$");
}

bool isDevicePath(const char* fullPath, const CodePage& cp) {
    if (!fullPath) return false;
    if (isDeviceName(fullPath, cp)) return true;
    auto separator = isSeparator;
    const char* p = fullPath;
    if (!startsDeviceNamespace(p)) {
        // A share path \\server\pipe\... or \\server\mailslot\... (any server, this machine's
        // too) is a named pipe or a mailslot, not a file: opening a pipe connects to its server.
        if (!separator(p[0]) || !separator(p[1])) return false;
        const char* share = p + 2;
        while (*share && !separator(*share)) share = charNext(share, cp);
        if (!*share) return false;
        ++share;
        return componentIs(share, "PIPE") || componentIs(share, "MAILSLOT");
    }
    const char* rest = p + 4;
    const bool letter = (rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z');
    return !(letter && rest[1] == ':' && separator(rest[2]));
}

}  // namespace duvad::files
