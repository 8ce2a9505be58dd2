// The recorder-drive catalogue: fixed-length records, each marked by a brand, with a model text,
// a number and a kind byte. Picks out the drives of other makers as text lines and sorts them
// without regard to case. Platform-free; reads only the bytes it is given (anything at or past the
// end of the data reads as zero).
//
// Record layout, at distances from the start of a record's brand field:
//   -4   int32 little-endian   number, printed in decimal
//    0   9 bytes               brand, zero-ended; "KORVEL" marks the maker's own records
//   +9   zero-ended text       model
//  +130  1 byte                kind: 0x1A gives 'S', anything else 'A'
// The stride between records is the distance between the first two "KORVEL\0" markers; the two
// marker records are not examined, the walk starts with the record after them and ends at the
// first record whose brand or model begins with a zero byte.
#pragma once
#include <cstddef>
#include <cstdint>

namespace duvad::drives {

inline constexpr char kOwnBrand[] = "KORVEL";     // compared with its terminating zero
inline constexpr char kNoBrand[] = "[no brand]";  // shown for a brand that begins with a space
inline constexpr int kNumberOffset = -4;
inline constexpr int kModelOffset = 9;
inline constexpr int kBrandField = 9;
inline constexpr int kKindOffset = 130;
inline constexpr uint8_t kKindS = 0x1A;

inline constexpr int kMaxLines = 1000;
inline constexpr int kSlotBytes = 64;  // a line of at most 63 characters and its zero
inline constexpr int kMaxLineChars = kSlotBytes - 1;

// The lines of one listing: each slot holds one zero-terminated "brand,model,number (K)\r\n";
// `order` lists the filled slots in listing order (file order until sortLines reorders it).
struct LineTable {
    int count = 0;
    uint16_t order[kMaxLines];
    char slot[kMaxLines][kSlotBytes];

    const char* line(int i) const { return slot[order[i]]; }
};

// Where the two brand markers lie; found is false when the data hold fewer than two.
struct Markers {
    bool found = false;
    uint64_t first = 0;
    uint64_t stride = 0;
};

Markers findMarkers(const uint8_t* data, size_t size);

// Fills `table` (count and slots, every slot zeroed first) with the listed records of the data, in
// file order, at most kMaxLines. Returns false, leaving the table empty, when fewer than two
// markers exist.
bool walk(const uint8_t* data, size_t size, LineTable& table);

// Formats one line into `slot` (kSlotBytes). The brand is at most its 9-byte field; a model that
// would make the line longer than 63 characters is shortened so that the line keeps its shape, and
// a CR or LF inside either text is shown as a space. Returns the line's length.
int formatLine(char* slot, const char* brand, size_t brandLength, const char* model, size_t modelLength, int32_t number,
               char kind);

// Byte-wise comparison with 'A'-'Z' folded to 'a'-'z' (nothing else folded): <0, 0, >0.
int compareFolded(const char* a, const char* b);

// Orders the lines ascending by compareFolded (not stable; the slots themselves stay put).
void sortLines(LineTable& table);

// Writes the lines one after another and a terminating zero into `out`; returns the characters
// written before the zero. Room needed: the sum of the line lengths plus one.
size_t joinLines(const LineTable& table, char* out);

}  // namespace duvad::drives
