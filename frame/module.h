// Module-wide state of DuVad.dll. These are the only variables that outlive a call; all start
// zeroed at load, none is locked (every call comes from the host's user-interface thread).
//
//   g_instance        module instance handle, saved at process attach; SoundATune finds the
//                     module's WAVE resources through it
//   g_directCdFound   0/1, set by FindDirectCD's enumeration
//   g_lastFolder      last folder chosen in ShellGetFolder (512 bytes), where the next one opens
//   g_browseOwner     owner of the folder browser, for centring it in the browse callback
//   g_explorer        the Explorer arrangement saved by AllineaConExplorer mode 1 for mode 0
#pragma once
#include <windows.h>
#include <cstdint>

namespace duvad {

struct ExplorerArrangement {
    HWND explorer;
    WINDOWPLACEMENT explorerPlacement;
    RECT explorerRect;
    WINDOWPLACEMENT hostPlacement;
    RECT hostRect;
};

extern HINSTANCE g_instance;
extern int32_t g_directCdFound;
extern char g_lastFolder[512];
extern HWND g_browseOwner;
extern ExplorerArrangement g_explorer;

}  // namespace duvad
