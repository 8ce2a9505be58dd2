// Blocks from other programs and from storage: the clipboard's file-drop block and the printer
// blocks a host keeps. Each is held in memory of exactly its size (ASan sees any read past it);
// a block the checks accept must be readable name by name inside its bounds, with the count the
// check gave.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "shell/core/drop_list.h"
#include "shell/core/printer_blocks.h"

using namespace duvad::shell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t selector = data[0];
    ++data;
    --size;
    std::unique_ptr<uint8_t[]> block(new uint8_t[size ? size : 1]);
    if (size) memcpy(block.get(), data, size);

    switch (selector % 3) {
    case 0: {  // a file-drop block
        DropList list;
        if (!checkDropList(block.get(), size, &list)) break;
        if (list.first < kDropHeaderBytes || list.first >= size) abort();
        size_t at = list.first, count = 0;
        DropName name;
        while (nextDropName(block.get(), list, &at, &name)) {
            const size_t unit = list.wide ? 2 : 1;
            if (name.length == 0 || name.offset + (name.length + 1) * unit > size) abort();
            ++count;
        }
        if (count != list.count) abort();
        break;
    }
    case 1: {  // a device mode block: an accepted one holds its public part and its driver bytes
        if (!devModeFits(block.get(), size)) break;
        const size_t dmSize = size_t(block[kDevModeSizeAt]) | size_t(block[kDevModeSizeAt + 1]) << 8;
        const size_t extra = size_t(block[kDevModeExtraAt]) | size_t(block[kDevModeExtraAt + 1]) << 8;
        if (dmSize + extra > size) abort();
        break;
    }
    case 2: {  // a printer names block: every accepted name is read to its terminator in bounds
        if (!devNamesFit(block.get(), size)) break;
        for (size_t word = 0; word < 3; ++word) {
            const size_t offset = size_t(block[2 * word]) | size_t(block[2 * word + 1]) << 8;
            if (strnlen(reinterpret_cast<const char*>(block.get() + offset), size - offset) == size - offset) abort();
        }
        break;
    }
    }
    return 0;
}
