// Points one import of a loaded module (DuVad.dll) at a stand-in for the life of the object, so a
// test sees exactly what the DLL hands the system (the command line it starts, the dialog record
// it fills, the restart it asks for) or makes a system call fail in a chosen way, without the
// system doing it. Only the module's own calls are affected.
//
//   ImportPatch exec(dll(), "kernel32.dll", "WinExec", &recordingWinExec);
//   ImportPatch dialog(dll(), "ChooseColorA", &standIn);   // from whichever library
//   ASSERT_TRUE(exec.active() && dialog.active());
//
// LookupPatch does the same for functions the module looks up at run time (GetProcAddress)
// instead of importing them, those some Windows versions lack:
//   LookupPatch restart(dll(), {{"InitiateSystemShutdownA", &standIn}});
#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

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

// The module's GetProcAddress answers the named functions with the stand-ins, and every other name
// as the system does. One at a time.
class LookupPatch {
public:
    LookupPatch(HMODULE module, std::initializer_list<std::pair<const char*, const void*>> standIns);
    ~LookupPatch();
    LookupPatch(const LookupPatch&) = delete;
    LookupPatch& operator=(const LookupPatch&) = delete;

    bool active() const { return lookups_.active(); }

private:
    static FARPROC WINAPI lookUp(HMODULE module, LPCSTR name);
    std::vector<std::pair<std::string, const void*>> standIns_;
    ImportPatch lookups_;
};

}  // namespace duvad::test
