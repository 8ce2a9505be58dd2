// GetKvDrives: the recorder drives of the application's drive catalogue file, as sorted lines.
#include <windows.h>

#include "drives/core/catalogue.h"
#include "files/disk_file.h"
#include "frame/scoped.h"
#include "include/DuVad.h"

namespace {

// The file's bytes in a zero-filled global block one byte longer than the file; whatever a short
// read leaves unread stays zero. Fills the table; false when the file cannot be read into memory
// or holds fewer than two brand markers.
bool listFile(const char* path, duvad::drives::LineTable& table) {
    duvad::ScopedFile file(duvad::files::openDiskFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE));
    if (!file) return false;
    DWORD high = 0;
    const DWORD size = GetFileSize(file.get(), &high);
    // 4 GB or more (or a size the system cannot give) is beyond what one block can hold.
    if (high != 0 || size == INVALID_FILE_SIZE) return false;

    duvad::ScopedGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, SIZE_T(size) + 1));
    if (!block) return false;
    auto* data = static_cast<uint8_t*>(GlobalLock(block.get()));
    if (!data) return false;
    DWORD read = 0;
    ReadFile(file.get(), data, size, &read, nullptr);
    file.reset();

    const bool found = duvad::drives::walk(data, size, table);
    GlobalUnlock(block.get());
    return found;
}

}  // namespace

extern "C" int32_t WINAPI GetKvDrives(char* list, const char* cataloguePath) {
    if (!list || !cataloguePath) return 0;
    duvad::drives::LineTable table;
    if (!listFile(cataloguePath, table)) return 0;
    duvad::drives::sortLines(table);
    duvad::drives::joinLines(table, list);
    return table.count;
}
