#include "shell/core/text_lists.h"

#include <cstring>

#include "files/core/names.h"
#include "shell/core/printer_blocks.h"

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

bool fitsOneLine(const char* name, const files::CodePage& cp) {
    for (const char* c = name; *c; ++c)
        if (*c == '\r' || *c == '\n') return false;
    for (const char* c = name; *c; ++c)
        if (cp.isLeadByte(uint8_t(*c)) && *++c == '\0') return false;
    return true;
}

bool leaveOutFileListName(size_t length, size_t* leftOut, size_t nameLength, size_t bound) {
    *leftOut += (nameLength < kFileListNameMost ? nameLength : kFileListNameMost) + 2;
    return length + *leftOut < bound;
}

bool buildFilterList(const char* filter, char (&list)[kFilterListBytes], char (&defaultExt)[kDefaultExtBytes]) {
    const size_t textLength = std::strlen(filter);
    // The two skipped characters, then the extension; a zero among the skipped ones ends it all.
    const char* skipped = filter + textLength + 1;
    const char* ext = "";
    if (skipped[0] != '\0' && skipped[1] != '\0') ext = skipped + 2;
    size_t extLength = 0;
    while (extLength < kDefaultExtBytes && ext[extLength] != '\0') ++extLength;
    if (extLength >= kDefaultExtBytes) return false;

    // The list holds the text's bytes, each bar turned into a zero, and one zero more that closes
    // it (or two when the text does not end in a bar).
    const bool endsInBar = textLength > 0 && filter[textLength - 1] == '|';
    size_t keep = textLength;
    if (textLength + (endsInBar ? 1 : 2) > kFilterListBytes) {
        // Keep the pairs that fit whole: cut after the bar that ends the last pattern that fits.
        keep = 0;
        size_t bars = 0;
        for (size_t i = 0; i + 1 < kFilterListBytes && i < textLength; ++i) {
            if (filter[i] == '|' && ++bars % 2 == 0) keep = i + 1;
        }
        if (keep == 0) return false;
    }
    std::memset(list, 0, sizeof list);
    for (size_t i = 0; i < keep; ++i) list[i] = filter[i] == '|' ? '\0' : filter[i];
    std::memcpy(defaultExt, ext, extLength);
    defaultExt[extLength] = '\0';
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

bool readSelection(const char* area, size_t areaSize, size_t nameOffset, const files::CodePage& cp, Selection* s) {
    if (nameOffset == 0 || nameOffset >= areaSize) return false;
    s->end = area + areaSize;
    const void* nul = std::memchr(area, 0, areaSize);
    if (!nul) return false;
    s->folder = area;
    s->folderLength = static_cast<const char*>(nul) - area;
    s->single = area[nameOffset - 1] != '\0';
    s->joinWithBackslash = files::isLastBackS(area, cp) == 0;
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

int32_t writeSelectionList(const char* area, size_t areaSize, size_t nameOffset, const files::CodePage& cp, char* out,
                           size_t outSize) {
    if (outSize == 0) return 0;
    out[0] = '\0';
    Selection s;
    if (!readSelection(area, areaSize, nameOffset, cp, &s)) return 0;
    size_t used = 0;  // bytes written, without the terminator
    int32_t count = 0;
    bool full = false;
    // Appends one path and CR LF when it fits with the terminator; the list stops at the first
    // that does not.
    auto add = [&](const char* name, size_t n, bool backslash) {
        if (full) return;
        const size_t length = s.folderLength + (backslash ? 1 : 0) + n + 2;
        if (length + 1 > outSize - used) {
            full = true;
            return;
        }
        char* w = out + used;
        std::memcpy(w, s.folder, s.folderLength);
        w += s.folderLength;
        if (backslash) *w++ = '\\';
        std::memcpy(w, name, n);
        w += n;
        *w++ = '\r';
        *w++ = '\n';
        *w = '\0';
        used += length;
        ++count;
    };
    if (s.single) {
        add("", 0, false);
    } else {
        forEachName(s, [&](const char* name, size_t n) { add(name, n, s.joinWithBackslash); });
    }
    return count;
}

bool readDevName(const uint8_t* block, size_t blockSize, DevName which, char (&out)[kDevNameBytes]) {
    out[0] = '\0';
    const size_t word = size_t(which) * 2;
    if (blockSize < kDevNamesHeader) return false;
    const size_t offset = size_t(block[word]) | size_t(block[word + 1]) << 8;
    // A name starts past the four words: an offset into them would read the offsets as text.
    if (offset < kDevNamesHeader || offset >= blockSize) return false;
    const size_t room = blockSize - offset < kDevNameBytes ? blockSize - offset : kDevNameBytes;
    const void* nul = std::memchr(block + offset, 0, room);
    if (!nul) return false;
    std::memcpy(out, block + offset, static_cast<const uint8_t*>(nul) - (block + offset) + 1);
    return true;
}

}  // namespace duvad::shell
