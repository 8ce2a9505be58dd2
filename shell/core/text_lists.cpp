#include "shell/core/text_lists.h"

#include <cstring>

namespace duvad::shell {

bool appendFileListName(char* list, size_t* length, const char* name, size_t bound) {
    const size_t n = std::strlen(name);
    if (*length + n > bound) return false;
    std::memcpy(list + *length, name, n);
    *length += n;
    list[(*length)++] = '\r';
    list[(*length)++] = '\n';
    list[*length] = '\0';
    return true;
}

bool buildFilterList(const char* filter, char (&list)[kFilterListBytes], char (&defaultExt)[kDefaultExtBytes]) {
    const size_t textLength = std::strlen(filter);
    const char* ext = filter + textLength + 3;  // the terminator and the two skipped characters
    const size_t extLength = std::strlen(ext);
    if (extLength >= kDefaultExtBytes) return false;

    size_t keep = textLength;
    if (keep > kFilterTextMax) {
        // Keep the pairs that fit whole: cut after the bar that ends the last pattern that fits.
        keep = 0;
        size_t bars = 0;
        for (size_t i = 0; i < kFilterTextMax && i < textLength; ++i) {
            if (filter[i] == '|' && ++bars % 2 == 0) keep = i + 1;
        }
        if (keep == 0) return false;
    }
    std::memset(list, 0, sizeof list);
    for (size_t i = 0; i < keep; ++i) list[i] = filter[i] == '|' ? '\0' : filter[i];
    std::memcpy(defaultExt, ext, extLength + 1);
    return true;
}

namespace {

// The folder of a multiple selection: the text before the first zero byte of the file area.
struct Selection {
    const char* folder;
    size_t folderLength;
    bool joinWithBackslash;  // the folder does not end in one already ("C:\" does)
    const char* names;       // first name; the list ends with an empty one
    const char* end;         // end of the file area
    bool single;             // one full path at the start of the area
};

bool readSelection(const char* area, size_t areaSize, size_t nameOffset, Selection* s) {
    if (nameOffset == 0 || nameOffset >= areaSize) return false;
    s->end = area + areaSize;
    const void* nul = std::memchr(area, 0, areaSize);
    if (!nul) return false;
    s->folder = area;
    s->folderLength = static_cast<const char*>(nul) - area;
    s->single = area[nameOffset - 1] != '\0';
    s->joinWithBackslash = s->folderLength == 0 || area[s->folderLength - 1] != '\\';
    s->names = area + s->folderLength + 1;
    return true;
}

// Calls fn(name, nameLength) for every name of the selection that is terminated inside the area.
template <typename Fn>
void forEachName(const Selection& s, Fn fn) {
    for (const char* p = s.names; p < s.end && *p;) {
        const void* nul = std::memchr(p, 0, size_t(s.end - p));
        if (!nul) return;
        const size_t n = static_cast<const char*>(nul) - p;
        fn(p, n);
        p += n + 1;
    }
}

}  // namespace

size_t selectionListBytes(const char* area, size_t areaSize, size_t nameOffset) {
    Selection s;
    if (!readSelection(area, areaSize, nameOffset, &s)) return 1;
    if (s.single) return s.folderLength + 2 + 1;
    size_t total = 1;
    forEachName(s, [&](const char*, size_t n) { total += s.folderLength + (s.joinWithBackslash ? 1 : 0) + n + 2; });
    return total;
}

int32_t writeSelectionList(const char* area, size_t areaSize, size_t nameOffset, char* out) {
    out[0] = '\0';
    Selection s;
    if (!readSelection(area, areaSize, nameOffset, &s)) return 0;
    char* w = out;
    auto put = [&w](const char* text, size_t n) { std::memcpy(w, text, n); w += n; };
    int32_t count = 0;
    if (s.single) {
        put(s.folder, s.folderLength);
        put("\r\n", 2);
        count = 1;
    } else {
        forEachName(s, [&](const char* name, size_t n) {
            put(s.folder, s.folderLength);
            if (s.joinWithBackslash) put("\\", 1);
            put(name, n);
            put("\r\n", 2);
            ++count;
        });
    }
    *w = '\0';
    return count;
}

bool readDevName(const uint8_t* block, size_t blockSize, DevName which, char (&out)[kDevNameBytes]) {
    out[0] = '\0';
    const size_t word = size_t(which) * 2;
    if (blockSize < 8) return false;
    const size_t offset = size_t(block[word]) | size_t(block[word + 1]) << 8;
    if (offset >= blockSize) return false;
    const size_t room = blockSize - offset < kDevNameBytes ? blockSize - offset : kDevNameBytes;
    const void* nul = std::memchr(block + offset, 0, room);
    if (!nul) return false;
    std::memcpy(out, block + offset, static_cast<const uint8_t*>(nul) - (block + offset) + 1);
    return true;
}

}  // namespace duvad::shell
