#include "files/core/volume.h"

#include "files/core/names.h"

#include <cstring>

namespace duvad::files {

VolumeRoot volumeRoot(const char* path, const CodePage& cp) {
    VolumeRoot root = {RootKind::None, {}};
    if (!path || !path[0]) return root;
    if (path[1] == ':') {
        root.kind = RootKind::Drive;
        root.text[0] = path[0], root.text[1] = ':', root.text[2] = '\\';
    } else if (path[0] == '\\' && path[1] == '\\') {
        const size_t length = pastLastBackslash(path, std::strlen(path), cp);
        if (length >= kRootBytes) {
            root.kind = RootKind::TooLong;
            return root;
        }
        root.kind = RootKind::Unc;
        std::memcpy(root.text, path, length);
    }
    return root;
}

}  // namespace duvad::files
