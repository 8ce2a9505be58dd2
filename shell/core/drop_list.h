// The clipboard's file-drop block, read apart from the platform. Any program on the desktop can
// put one there, so nothing in it is trusted: the block is checked whole before a name is read.
//
// Layout (little-endian): a 20-byte header (the offset of the names from the block's start, the
// drop point's two coordinates, a non-client flag, a wide flag: five 32-bit words), then the names,
// each ended by a zero character, and an empty name that ends the list. With the wide flag set
// (non-zero) every character is a 16-bit unit, otherwise one byte.
#pragma once
#include <cstddef>
#include <cstdint>

namespace duvad::shell {

constexpr size_t kDropHeaderBytes = 20;

struct DropList {
    size_t first = 0;   // offset of the first name
    bool wide = false;  // 16-bit characters
    size_t count = 0;   // names before the empty one
};

// One name of the list: where its first character starts and how many characters it has (bytes,
// or 16-bit units when wide), its terminator not counted.
struct DropName {
    size_t offset = 0;
    size_t length = 0;
};

// Checks the block of `size` bytes: the header fits, the names start after it and inside the
// block, and every name and the empty name that ends the list are terminated inside the block
// (in whole characters). Fills `list` and returns true when the block holds that form.
bool checkDropList(const uint8_t* block, size_t size, DropList* list);

// The name that starts at `*at` (list.first for the first one) of a checked block; moves `*at` to
// the next name. Returns false at the empty name that ends the list.
bool nextDropName(const uint8_t* block, const DropList& list, size_t* at, DropName* name);

}  // namespace duvad::shell
