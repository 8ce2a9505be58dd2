// The shell's text building over arbitrary bytes: the Open dialog's filter list, a multiple
// selection's file area, a printer names block and the clipboard file list stay inside their
// areas (ASan) and keep their documented bounds (checked here).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shell/core/text_lists.h"

using namespace duvad::shell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const uint8_t selector = data[0];
    const uint16_t offset = uint16_t(data[1] | data[2] << 8);
    data += 3;
    size -= 3;
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    switch (selector % 4) {
    case 0: {  // filter argument: text, terminator, two skipped characters, extension, terminator
        const size_t nul = bytes.find('\0');
        std::string arg = bytes.substr(0, nul) + '\0' + "*.";
        if (nul != std::string::npos) arg += bytes.substr(nul + 1);
        arg += '\0';
        char list[kFilterListBytes];
        char ext[kDefaultExtBytes];
        if (buildFilterList(arg.c_str(), list, ext)) {
            if (list[kFilterListBytes - 1] != 0 || list[kFilterListBytes - 2] != 0) abort();
            if (strlen(ext) >= kDefaultExtBytes) abort();
        }
        break;
    }
    case 1: {  // a file area after a multiple selection
        std::vector<char> area(bytes.begin(), bytes.end());
        if (area.empty()) break;
        const size_t need = selectionListBytes(area.data(), area.size(), offset);
        std::vector<char> out(need);
        writeSelectionList(area.data(), area.size(), offset, out.data());
        if (strlen(out.data()) + 1 != need) abort();
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
