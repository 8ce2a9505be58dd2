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
    {"AllineaConExplorer", 2, false},
    {"AnalyzeMpeg", 9, true},
    {"CheckFileName", 3, false},
    {"CloseFileInSectors", 1, false},
    {"DriveSetting9598", 5, true},
    {"DriveSettingNT", 2, true},
    {"DumpFileToPrinter", 2, false},
    {"EnablepkWR", 1, true},
    {"ExtensionReg", 5, false},
    {"FEnd", 1, false},
    {"FFirst", 5, false},
    {"FNext", 5, false},
    {"FindDirectCD", 0, true},
    {"FindThisVB6MDIWindow", 1, false},
    {"GetAColor", 2, false},
    {"GetAFont", 7, false},
    {"GetFilenameForOpenOrSave", 5, false},
    {"GetHDrop", 2, false},
    {"GetKvDrives", 2, true},
    {"GetLVItemText", 4, false},
    {"GetProgamFilesFolder", 1, false},
    {"GetWinTempPath", 1, false},
    {"GoEvents", 1, true},
    {"InStrBackS", 2, false},
    {"InStrDot", 1, false},
    {"InvokeShellProperties", 1, false},
    {"IsFileErasable", 1, false},
    {"IsFileExisting", 1, false},
    {"IsFileReadable", 1, false},
    {"IsFolderWritable", 1, false},
    {"IsLastBackS", 1, false},
    {"ItsNT", 0, true},
    {"MatchFiles", 2, false},
    {"MySleep", 1, true},
    {"NTRestart", 0, true},
    {"OSType", 1, true},
    {"OpenFileInSectors", 2, false},
    {"PrepareVcdFiles", 4, true},
    {"PrinterSetup", 7, false},
    {"ReadFileInSectors", 4, false},
    {"ReadFileInfo", 5, false},
    {"ReadRegBlock", 4, true},
    {"RemoveLVFocus", 1, false},
    {"SetLVItemText", 4, false},
    {"ShellGetFolder", 3, false},
    {"SoundATune", 1, true},
    {"VolumeFreeKB", 1, false},
    {"WriteRegBlock", 4, true},
};

static_assert(sizeof kExports / sizeof kExports[0] == 48);

}  // namespace duvad::test
