// Points one import of a loaded module (DuVad.dll) at a stand-in for the life of the object, so a
// test sees exactly what the DLL hands the system (the command line it starts, the dialog record
// it fills, the restart it asks for) or makes a system call fail in a chosen way, without the
// system doing it. Only the module's own calls are affected.
//
//   ImportPatch exec(dll(), "kernel32.dll", "WinExec", &recordingWinExec);
//   ImportPatch restart(dll(), "InitiateSystemShutdownA", &standIn);   // from whichever library
//   ASSERT_TRUE(exec.active() && restart.active());
#pragma once
#include <windows.h>

namespace duvad::test {

class ImportPatch {
public:
    // `library` null: the first import of that name from any library.
    ImportPatch(HMODULE module, const char* library, const char* function, const void* standIn);
    ImportPatch(HMODULE module, const char* function, const void* standIn)
        : ImportPatch(module, nullptr, function, standIn) {}
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool active() const { return slot_ != nullptr; }  // false: the module does not import it by name
    // The real function, for stand-ins that pass calls on.
    template <typename F>
    F original() const {
        return reinterpret_cast<F>(original_);
    }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

}  // namespace duvad::test
