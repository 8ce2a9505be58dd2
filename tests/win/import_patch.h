// Points one import of a loaded module (DuVad.dll) at a stand-in for as long as the holder lives,
// so a test can see and steer the system calls the module makes (the restart request, the
// identity of a file) without the system doing them.
//
//   ImportPatch restart(dll(), "InitiateSystemShutdownA", reinterpret_cast<void*>(&standIn));
//   ASSERT_TRUE(restart.active());
#pragma once
#include <windows.h>

namespace duvad::test {

class ImportPatch {
public:
    ImportPatch(HMODULE module, const char* function, void* standIn) {
        if (!module) return;
        auto* base = reinterpret_cast<BYTE*>(module);
        auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (!dir.VirtualAddress) return;
        for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
                slot_ = &slots->u1.Function;
                original_ = reinterpret_cast<void*>(*slot_);
                write(reinterpret_cast<DWORD_PTR>(standIn));
                return;
            }
        }
    }
    ~ImportPatch() {
        if (slot_) write(reinterpret_cast<DWORD_PTR>(original_));
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool active() const { return slot_ != nullptr; }  // false: the module does not import it
    void* original() const { return original_; }      // the system's function, to pass calls on

private:
    void write(DWORD_PTR value) {
        DWORD old;
        VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
        *slot_ = value;
        VirtualProtect(slot_, sizeof *slot_, old, &old);
    }

    DWORD_PTR* slot_ = nullptr;
    void* original_ = nullptr;
};

}  // namespace duvad::test
