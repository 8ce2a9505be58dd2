#include "tests/win/pe_image.h"

namespace duvad::test {

PeImage readPe(HMODULE module) {
    PeImage pe;
    auto* base = reinterpret_cast<const BYTE*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    pe.machine = nt->FileHeader.Machine;

    const IMAGE_DATA_DIRECTORY& ed = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (ed.Size) {
        auto* dir = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + ed.VirtualAddress);
        pe.ordinalBase = dir->Base;
        auto* names = reinterpret_cast<const DWORD*>(base + dir->AddressOfNames);
        auto* ords = reinterpret_cast<const WORD*>(base + dir->AddressOfNameOrdinals);
        for (DWORD i = 0; i < dir->NumberOfNames; ++i)
            pe.exports.push_back({reinterpret_cast<const char*>(base + names[i]), dir->Base + ords[i]});
    }

    const IMAGE_DATA_DIRECTORY& id = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (id.Size) {
        for (auto* imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + id.VirtualAddress); imp->Name; ++imp) {
            std::string dllName = reinterpret_cast<const char*>(base + imp->Name);
            pe.importedDlls.push_back(dllName);
            DWORD thunkRva = imp->OriginalFirstThunk ? imp->OriginalFirstThunk : imp->FirstThunk;
            for (auto* t = reinterpret_cast<const IMAGE_THUNK_DATA32*>(base + thunkRva); t->u1.AddressOfData; ++t) {
                if (t->u1.Ordinal & IMAGE_ORDINAL_FLAG32) continue;
                auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + t->u1.AddressOfData);
                pe.importedNames.push_back(dllName + "!" + reinterpret_cast<const char*>(byName->Name));
            }
        }
    }
    return pe;
}

}  // namespace duvad::test
