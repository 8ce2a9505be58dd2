// Force-included (cmake/windows.cmake) into every source of duvad.exe and its core, before any
// other header: the tool links no prebuilt C or C++ runtime (those are compiled for the Pentium
// Pro), so
//  - libstdc++'s templates (std::string and friends) are instantiated in the tool's own objects,
//    compiled for the Pentium, instead of referring to the library's explicit instantiations;
//  - printf and its family are msvcrt.dll's (the format checks are then msvcrt's: no %zu, %lld,
//    %hhd), not the MinGW library's own formatter.
#pragma once
#ifdef __cplusplus
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE 0
#endif
#undef __USE_MINGW_ANSI_STDIO
#define __USE_MINGW_ANSI_STDIO 0
