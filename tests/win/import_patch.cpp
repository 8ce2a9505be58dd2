#include "tests/win/import_patch.h"

namespace duvad::test {

namespace {

void writeSlot(void** slot, void* value) {
    DWORD old = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, old, &old);
}

}  // namespace

ImportPatch::ImportPatch(HMODULE module, const char* library, const char* function, const void* standIn) {
    if (!module) return;
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS32*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.Size) return;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        if (library && lstrcmpiA(reinterpret_cast<char*>(base + d->Name), library) != 0) continue;
        if (!d->OriginalFirstThunk) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA32*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA32*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (names->u1.Ordinal & IMAGE_ORDINAL_FLAG32) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<char*>(byName->Name), function) != 0) continue;
            slot_ = reinterpret_cast<void**>(&slots->u1.Function);
            original_ = *slot_;
            writeSlot(slot_, const_cast<void*>(standIn));
            return;
        }
    }
}

ImportPatch::~ImportPatch() {
    if (slot_) writeSlot(slot_, original_);
}

namespace {
LookupPatch* g_lookupPatch = nullptr;
}

LookupPatch::LookupPatch(HMODULE module, std::initializer_list<std::pair<const char*, const void*>> standIns)
    : lookups_(module, "kernel32.dll", "GetProcAddress", reinterpret_cast<const void*>(&LookupPatch::lookUp)) {
    for (const auto& s : standIns) standIns_.emplace_back(s.first, s.second);
    g_lookupPatch = this;
}

LookupPatch::~LookupPatch() { g_lookupPatch = nullptr; }

FARPROC WINAPI LookupPatch::lookUp(HMODULE module, LPCSTR name) {
    // A name, not an ordinal (whose "pointer" is below 0x10000).
    if (g_lookupPatch && reinterpret_cast<ULONG_PTR>(name) >= 0x10000) {
        // The last entry of a name wins, so a case can take one function away again.
        for (auto s = g_lookupPatch->standIns_.rbegin(); s != g_lookupPatch->standIns_.rend(); ++s)
            if (s->first == name) return reinterpret_cast<FARPROC>(const_cast<void*>(s->second));
    }
    return GetProcAddress(module, name);
}

}  // namespace duvad::test
