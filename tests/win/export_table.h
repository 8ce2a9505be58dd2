// The 48 exports of DuVad.dll: ordinal = row number (byte-wise alphabetical order of the names),
// argument count, and whether the export has landed yet. Flip `landed` when an export is added
// to the .def; the export-table test then requires it with its ordinal.
#pragma once

namespace duvad::test {

struct ExportRow {
    const char* name;
    int args;
    bool landed;
};

inline constexpr ExportRow kExports[] = {
    {"AllineaConExplorer", 2, true},
    {"AnalyzeMpeg", 9, true},
    {"CheckFileName", 3, true},
    {"CloseFileInSectors", 1, true},
    {"DriveSetting9598", 5, true},
    {"DriveSettingNT", 2, true},
    {"DumpFileToPrinter", 2, true},
    {"EnablepkWR", 1, true},
    {"ExtensionReg", 5, true},
    {"FEnd", 1, true},
    {"FFirst", 5, true},
    {"FNext", 5, true},
    {"FindDirectCD", 0, true},
    {"FindThisVB6MDIWindow", 1, true},
    {"GetAColor", 2, true},
    {"GetAFont", 7, true},
    {"GetFilenameForOpenOrSave", 5, true},
    {"GetHDrop", 2, true},
    {"GetKvDrives", 2, true},
    {"GetLVItemText", 4, true},
    {"GetProgamFilesFolder", 1, true},
    {"GetWinTempPath", 1, true},
    {"GoEvents", 1, true},
    {"InStrBackS", 2, true},
    {"InStrDot", 1, true},
    {"InvokeShellProperties", 1, true},
    {"IsFileErasable", 1, true},
    {"IsFileExisting", 1, true},
    {"IsFileReadable", 1, true},
    {"IsFolderWritable", 1, true},
    {"IsLastBackS", 1, true},
    {"ItsNT", 0, true},
    {"MatchFiles", 2, true},
    {"MySleep", 1, true},
    {"NTRestart", 0, true},
    {"OSType", 1, true},
    {"OpenFileInSectors", 2, true},
    {"PrepareVcdFiles", 4, true},
    {"PrinterSetup", 7, true},
    {"ReadFileInSectors", 4, true},
    {"ReadFileInfo", 5, true},
    {"ReadRegBlock", 4, true},
    {"RemoveLVFocus", 1, true},
    {"SetLVItemText", 4, true},
    {"ShellGetFolder", 3, true},
    {"SoundATune", 1, true},
    {"VolumeFreeKB", 1, true},
    {"WriteRegBlock", 4, true},
};

static_assert(sizeof kExports / sizeof kExports[0] == 48);

}  // namespace duvad::test
