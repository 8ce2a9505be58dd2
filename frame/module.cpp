#include "frame/module.h"

namespace duvad {

HINSTANCE g_instance;
int32_t g_directCdFound;
char g_lastFolder[512];
HWND g_browseOwner;
ExplorerArrangement g_explorer;

}  // namespace duvad

// The loader's entry: only remember which module we are (the WAVE resources live here).
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) duvad::g_instance = instance;
    return TRUE;
}
