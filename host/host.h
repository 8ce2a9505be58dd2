// Shared by the host tool's commands.
#pragma once
#include <windows.h>

#include "include/DuVad.h"

namespace duvad::host {

extern HMODULE g_dll;  // DuVad.dll, loaded from beside duvad.exe
bool loadDll();

// Commands; argv holds the command's own arguments.
int analyze(int argc, char** argv);  // duvad analyze FILE...
int make(int argc, char** argv);     // duvad make OUTDIR FILE...

// Binds an export by its plain name with the prototype from DuVad.h, as a VB6 Declare does.
#define HOST_PROC(fn) \
    reinterpret_cast<decltype(&::fn)>(reinterpret_cast<void*>(GetProcAddress(::duvad::host::g_dll, #fn)))

}  // namespace duvad::host
