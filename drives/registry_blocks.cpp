// ReadRegBlock, WriteRegBlock: a block of bytes of fixed length kept as one value under
// HKEY_CURRENT_USER.
#include <windows.h>

#include <cstring>

#include "frame/scoped.h"
#include "include/DuVad.h"

namespace {

constexpr DWORD kBlockLimit = 100000;  // the largest block that can be read back

// The key of a registry block: HKEY_CURRENT_USER\subKey, created when missing. A null or empty
// subkey names HKEY_CURRENT_USER itself, as it does for the registry; that predefined key is used
// as it is and never closed.
bool openBlockKey(const char* subKey, duvad::ScopedKey* opened, HKEY* key) {
    if (!subKey || !subKey[0]) {
        *key = HKEY_CURRENT_USER;
        return true;
    }
    if (RegCreateKeyA(HKEY_CURRENT_USER, subKey, opened->put()) != ERROR_SUCCESS) return false;
    *key = opened->get();
    return true;
}

}  // namespace

extern "C" int32_t WINAPI ReadRegBlock(const char* subKey, const char* valueName, void* block, int32_t length) {
    if (!block) return DUVAD_READREGBLOCK_FAILED;
    duvad::ScopedKey opened;
    HKEY key = nullptr;
    if (!openBlockKey(subKey, &opened, &key)) return DUVAD_READREGBLOCK_FAILED;

    BYTE buffer[kBlockLimit];
    DWORD size = sizeof buffer;
    // A null value name is the key's default value.
    const LONG status = RegQueryValueExA(key, valueName, nullptr, nullptr, buffer, &size);
    opened.reset();
    if (status != ERROR_SUCCESS) return DUVAD_READREGBLOCK_FAILED;
    if (length < 0 || size != DWORD(length)) return DUVAD_READREGBLOCK_OTHER_LENGTH;
    std::memcpy(block, buffer, size);
    return DUVAD_READREGBLOCK_COPIED;
}

extern "C" int32_t WINAPI WriteRegBlock(const char* subKey, const char* valueName, const void* block, int32_t length) {
    if ((!block && length != 0) || length < 0) return DUVAD_WRITEREGBLOCK_FAILED;
    // A block the reading side cannot take back would be lost, and it would replace the one that
    // could be read: refuse it before the key is touched.
    if (DWORD(length) > kBlockLimit) return DUVAD_WRITEREGBLOCK_FAILED;
    duvad::ScopedKey opened;
    HKEY key = nullptr;
    if (!openBlockKey(subKey, &opened, &key)) return DUVAD_WRITEREGBLOCK_FAILED;
    // A null value name is the key's default value.
    const LONG status = RegSetValueExA(key, valueName, 0, REG_BINARY, static_cast<const BYTE*>(block), DWORD(length));
    return status == ERROR_SUCCESS ? DUVAD_WRITEREGBLOCK_WRITTEN : DUVAD_WRITEREGBLOCK_FAILED;
}
