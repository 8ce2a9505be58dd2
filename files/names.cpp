// CheckFileName, InStrBackS, IsLastBackS, InStrDot over the system's ANSI and OEM code pages.
#include <windows.h>

#include "files/core/names.h"
#include "files/system_codepage.h"
#include "include/DuVad.h"

static_assert(FILE_ATTRIBUTE_DIRECTORY == duvad::files::kDirectoryFlag, "the directory bit the name rules test");

// The name rules' codes are CheckFileName's own.
static_assert(duvad::files::kNameFits == DUVAD_CHECKFILENAME_FITS, "name fits");
static_assert(duvad::files::kNameTooLong == DUVAD_CHECKFILENAME_TOO_LONG, "name too long");
static_assert(duvad::files::kNameDirWithDot == DUVAD_CHECKFILENAME_DIRECTORY_DOT, "directory name with a dot");
static_assert(duvad::files::kNameLongExtension == DUVAD_CHECKFILENAME_LONG_EXTENSION, "extension too long");
static_assert(duvad::files::kNameBadCharacter == DUVAD_CHECKFILENAME_BAD_CHARACTER, "character outside the set");

using duvad::files::systemCodePage;

extern "C" int32_t WINAPI CheckFileName(int32_t mode, int32_t flags, const char* name) {
    return duvad::files::checkFileName(uint32_t(mode), uint32_t(flags), name, systemCodePage());
}

extern "C" int32_t WINAPI InStrBackS(int32_t start, const char* text) {
    return duvad::files::inStrBackS(start, text, systemCodePage());
}

extern "C" int32_t WINAPI IsLastBackS(const char* text) { return duvad::files::isLastBackS(text, systemCodePage()); }

extern "C" int32_t WINAPI InStrDot(const char* text) { return duvad::files::inStrDot(text, systemCodePage()); }
