#include "drives/core/catalogue.h"

#include <algorithm>
#include <cstring>

namespace duvad::drives {
namespace {

constexpr size_t kMarkerBytes = sizeof kOwnBrand;  // "KORVEL" and its zero
static_assert(kMarkerBytes == 7);
static_assert(sizeof kNoBrand - 1 == 10);

// The data as the walk sees it: every position at or past the end holds zero.
class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t size() const { return size_; }
    uint8_t at(uint64_t pos) const { return pos < size_ ? data_[pos] : 0; }

    // The zero-terminated text at pos is exactly "KORVEL".
    bool ownBrandAt(uint64_t pos) const {
        for (size_t i = 0; i < kMarkerBytes; ++i)
            if (at(pos + i) != uint8_t(kOwnBrand[i])) return false;
        return true;
    }

    // First position in [from, size) where "KORVEL\0" begins; size when there is none.
    uint64_t findMarker(uint64_t from) const {
        while (from < size_) {
            const void* k = std::memchr(data_ + from, kOwnBrand[0], size_t(size_ - from));
            if (!k) return size_;
            from = uint64_t(static_cast<const uint8_t*>(k) - data_);
            if (ownBrandAt(from)) return from;
            ++from;
        }
        return size_;
    }

    int32_t int32At(uint64_t pos) const {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | at(pos + uint64_t(i));
        return int32_t(v);
    }

    // Copies the text at pos (up to its zero, at most `limit` characters) into out; returns its length.
    size_t text(uint64_t pos, char* out, size_t limit) const {
        size_t n = 0;
        while (n < limit) {
            const uint8_t c = at(pos + n);
            if (c == 0) break;
            out[n++] = char(c);
        }
        return n;
    }

private:
    const uint8_t* data_;
    uint64_t size_;
};

char* putDecimal(char* out, int32_t number) {
    char digits[12];
    int n = 0;
    int64_t v = number;
    if (v < 0) {
        *out++ = '-';
        v = -v;
    }
    do {
        digits[n++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    while (n) *out++ = digits[--n];
    return out;
}

int decimalLength(int32_t number) {
    char scratch[12];
    return int(putDecimal(scratch, number) - scratch);
}

// Copies a brand or model text into a line; a CR or LF inside it becomes a space, so that the
// host, which splits the list at line breaks, still sees one whole line per drive.
char* putText(char* out, const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) *out++ = text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
    return out;
}

uint8_t fold(uint8_t c) { return c >= 'A' && c <= 'Z' ? uint8_t(c + ('a' - 'A')) : c; }

}  // namespace

Markers findMarkers(const uint8_t* data, size_t size) {
    Markers m;
    const Bytes bytes(data, size);
    const uint64_t first = bytes.findMarker(0);
    if (first >= bytes.size()) return m;
    const uint64_t second = bytes.findMarker(first + 1);
    if (second >= bytes.size()) return m;
    m.found = true;
    m.first = first;
    m.stride = second - first;
    return m;
}

int formatLine(char* slot, const char* brand, size_t brandLength, const char* model, size_t modelLength, int32_t number,
               char kind) {
    // brand "," model "," number " (" kind ")" CR LF: eight characters besides the three texts.
    constexpr int kFixed = 8;
    brandLength = std::min<size_t>(brandLength, sizeof kNoBrand - 1);
    const size_t room = size_t(kMaxLineChars - kFixed - decimalLength(number)) - brandLength;
    modelLength = std::min(modelLength, room);

    char* p = putText(slot, brand, brandLength);
    *p++ = ',';
    p = putText(p, model, modelLength);
    *p++ = ',';
    p = putDecimal(p, number);
    *p++ = ' ';
    *p++ = '(';
    *p++ = kind;
    *p++ = ')';
    *p++ = '\r';
    *p++ = '\n';
    *p = '\0';
    return int(p - slot);
}

bool walk(const uint8_t* data, size_t size, LineTable& table) {
    std::memset(table.slot, 0, sizeof table.slot);
    table.count = 0;
    const Markers markers = findMarkers(data, size);
    if (!markers.found) return false;

    const Bytes bytes(data, size);
    // The stride is at least the marker's 7 bytes, so the first examined brand lies at 14 or
    // later and its number field (4 bytes before it) never starts before the data.
    for (uint64_t b = markers.first + 2 * markers.stride;; b += markers.stride) {
        if (bytes.at(b) == 0 || bytes.at(b + kModelOffset) == 0) break;
        if (table.count == kMaxLines) break;
        if (bytes.ownBrandAt(b)) continue;

        char brand[kBrandField];
        const char* brandText = brand;
        size_t brandLength;
        if (bytes.at(b) == ' ') {
            brandText = kNoBrand;
            brandLength = sizeof kNoBrand - 1;
        } else {
            brandLength = bytes.text(b, brand, kBrandField);
        }
        char model[kMaxLineChars];
        const size_t modelLength = bytes.text(b + kModelOffset, model, sizeof model);
        const int32_t number = b >= 4 ? bytes.int32At(b - 4) : 0;
        const char kind = bytes.at(b + kKindOffset) == kKindS ? 'S' : 'A';

        const int slot = table.count++;
        table.order[slot] = uint16_t(slot);
        formatLine(table.slot[slot], brandText, brandLength, model, modelLength, number, kind);
    }
    return true;
}

int compareFolded(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const uint8_t x = fold(uint8_t(*a)), y = fold(uint8_t(*b));
        if (x != y || x == 0) return int(x) - int(y);
    }
}

void sortLines(LineTable& table) {
    std::sort(table.order, table.order + table.count,
              [&](uint16_t x, uint16_t y) { return compareFolded(table.slot[x], table.slot[y]) < 0; });
}

size_t joinLines(const LineTable& table, char* out) {
    size_t n = 0;
    for (int i = 0; i < table.count; ++i) {
        const char* line = table.line(i);
        const size_t length = std::strlen(line);
        std::memcpy(out + n, line, length);
        n += length;
    }
    out[n] = '\0';
    return n;
}

}  // namespace duvad::drives
