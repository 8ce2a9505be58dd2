// CheckFileName, InStrBackS, IsLastBackS, InStrDot over the system's ANSI and OEM code pages.
#include <windows.h>

#include "files/core/names.h"
#include "files/system_codepage.h"
#include "include/DuVad.h"

static_assert(FILE_ATTRIBUTE_DIRECTORY == duvad::files::kDirectoryFlag, "the directory bit the name rules test");

using duvad::files::systemCodePage;

extern "C" int32_t WINAPI CheckFileName(int32_t mode, int32_t flags, const char* name) {
    return duvad::files::checkFileName(uint32_t(mode), uint32_t(flags), name, systemCodePage());
}

extern "C" int32_t WINAPI InStrBackS(int32_t start, const char* text) {
    return duvad::files::inStrBackS(start, text, systemCodePage());
}

extern "C" int32_t WINAPI IsLastBackS(const char* text) { return duvad::files::isLastBackS(text, systemCodePage()); }

extern "C" int32_t WINAPI InStrDot(const char* text) { return duvad::files::inStrDot(text, systemCodePage()); }
