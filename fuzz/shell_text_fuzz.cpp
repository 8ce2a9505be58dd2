// The shell's text building over arbitrary bytes: the Open dialog's filter list, a multiple
// selection's file area, a printer names block and the clipboard file list stay inside their
// areas (ASan) and keep their documented bounds (checked here).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "shell/core/text_lists.h"
#include "tests/native/codepage_models.h"

using namespace duvad::shell;

namespace {
const duvad::files::test::Cp1252Model western;
const duvad::files::test::Cp932Model japanese;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const uint8_t selector = data[0];
    const uint16_t offset = uint16_t(data[1] | data[2] << 8);
    data += 3;
    size -= 3;
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    switch (selector % 4) {
    case 0: {  // filter argument: text, terminator, two skipped characters, extension, terminator
        // The input's bytes as they come (any tail after the first zero, short ones too), then the
        // two zero bytes a VB6 string brings, in a block of exactly that size: nothing past it may
        // be read.
        const size_t n = bytes.size() + 2;
        std::unique_ptr<char[]> arg(new char[n]);
        memcpy(arg.get(), bytes.data(), bytes.size());
        arg[n - 2] = arg[n - 1] = '\0';
        char list[kFilterListBytes];
        char ext[kDefaultExtBytes];
        if (buildFilterList(arg.get(), list, ext)) {
            if (list[kFilterListBytes - 1] != 0) abort();
            if (strlen(ext) >= kDefaultExtBytes) abort();
        }
        break;
    }
    case 1: {  // a file area after a multiple selection, joined into a buffer of exactly its size
        std::vector<char> area(bytes.begin(), bytes.end());
        if (area.empty()) break;
        const size_t outSize = 1 + offset % 4096;
        std::unique_ptr<char[]> out(new char[outSize]);
        const int32_t count = writeSelectionList(
            area.data(), area.size(), offset,
            selector & 0x80 ? static_cast<const duvad::files::CodePage&>(japanese) : western, out.get(), outSize);
        const size_t length = strnlen(out.get(), outSize);
        if (length == outSize) abort();              // not terminated inside its buffer
        if ((count == 0) != (length == 0)) abort();  // every path written is counted
        break;
    }
    case 2: {  // a printer names block
        char name[kDevNameBytes];
        for (DevName which : {DevName::Driver, DevName::Device, DevName::Output})
            if (readDevName(data, size, which, name) && strlen(name) >= kDevNameBytes) abort();
        break;
    }
    case 3: {  // clipboard names, split at zero bytes
        std::vector<char> list(kFileListBytes);
        size_t length = 0;
        list[0] = '\0';
        for (size_t start = 0; start < bytes.size();) {
            size_t end = bytes.find('\0', start);
            if (end == std::string::npos) end = bytes.size();
            const std::string name = bytes.substr(start, std::min<size_t>(end - start, 255));
            if (!appendFileListName(list.data(), &length, name.c_str())) break;
            if (length + 1 > kFileListBytes) abort();
            start = end + 1;
        }
        break;
    }
    }
    return 0;
}
