#include "files/core/volume.h"

#include "files/core/names.h"

#include <cstring>

namespace duvad::files {

VolumeRoot volumeRoot(const char* path, const CodePage& cp) {
    if (!path || !path[0]) return {RootKind::None, 0};
    if (path[1] == ':') return {RootKind::Drive, 3};
    if (path[0] == '\\' && path[1] == '\\') return {RootKind::Unc, pastLastBackslash(path, std::strlen(path), cp)};
    return {RootKind::None, 0};
}

}  // namespace duvad::files
