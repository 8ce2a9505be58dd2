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
    {"AnalyzeMpeg", 9, false},
    {"CheckFileName", 3, true},
    {"CloseFileInSectors", 1, true},
    {"DriveSetting9598", 5, false},
    {"DriveSettingNT", 2, false},
    {"DumpFileToPrinter", 2, true},
    {"EnablepkWR", 1, false},
    {"ExtensionReg", 5, false},
    {"FEnd", 1, true},
    {"FFirst", 5, true},
    {"FNext", 5, true},
    {"FindDirectCD", 0, false},
    {"FindThisVB6MDIWindow", 1, false},
    {"GetAColor", 2, false},
    {"GetAFont", 7, false},
    {"GetFilenameForOpenOrSave", 5, false},
    {"GetHDrop", 2, false},
    {"GetKvDrives", 2, false},
    {"GetLVItemText", 4, false},
    {"GetProgamFilesFolder", 1, false},
    {"GetWinTempPath", 1, true},
    {"GoEvents", 1, true},
    {"InStrBackS", 2, true},
    {"InStrDot", 1, true},
    {"InvokeShellProperties", 1, false},
    {"IsFileErasable", 1, true},
    {"IsFileExisting", 1, true},
    {"IsFileReadable", 1, true},
    {"IsFolderWritable", 1, true},
    {"IsLastBackS", 1, true},
    {"ItsNT", 0, false},
    {"MatchFiles", 2, true},
    {"MySleep", 1, true},
    {"NTRestart", 0, false},
    {"OSType", 1, false},
    {"OpenFileInSectors", 2, true},
    {"PrepareVcdFiles", 4, false},
    {"PrinterSetup", 7, false},
    {"ReadFileInSectors", 4, true},
    {"ReadFileInfo", 5, true},
    {"ReadRegBlock", 4, false},
    {"RemoveLVFocus", 1, false},
    {"SetLVItemText", 4, false},
    {"ShellGetFolder", 3, false},
    {"SoundATune", 1, true},
    {"VolumeFreeKB", 1, true},
    {"WriteRegBlock", 4, false},
};

static_assert(sizeof kExports / sizeof kExports[0] == 48);

}  // namespace duvad::test
