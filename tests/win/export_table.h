// The 48 exports of DuVad.dll: ordinal = row number (byte-wise alphabetical order of the names).
// Argument counts are checked where they are declared (tools/exports.py, the link against DuVad.def).
#pragma once

namespace duvad::test {

inline constexpr const char* kExports[] = {
    "AllineaConExplorer",
    "AnalyzeMpeg",
    "CheckFileName",
    "CloseFileInSectors",
    "DriveSetting9598",
    "DriveSettingNT",
    "DumpFileToPrinter",
    "EnablepkWR",
    "ExtensionReg",
    "FEnd",
    "FFirst",
    "FNext",
    "FindDirectCD",
    "FindThisVB6MDIWindow",
    "GetAColor",
    "GetAFont",
    "GetFilenameForOpenOrSave",
    "GetHDrop",
    "GetKvDrives",
    "GetLVItemText",
    "GetProgamFilesFolder",
    "GetWinTempPath",
    "GoEvents",
    "InStrBackS",
    "InStrDot",
    "InvokeShellProperties",
    "IsFileErasable",
    "IsFileExisting",
    "IsFileReadable",
    "IsFolderWritable",
    "IsLastBackS",
    "ItsNT",
    "MatchFiles",
    "MySleep",
    "NTRestart",
    "OSType",
    "OpenFileInSectors",
    "PrepareVcdFiles",
    "PrinterSetup",
    "ReadFileInSectors",
    "ReadFileInfo",
    "ReadRegBlock",
    "RemoveLVFocus",
    "SetLVItemText",
    "ShellGetFolder",
    "SoundATune",
    "VolumeFreeKB",
    "WriteRegBlock",
};

static_assert(sizeof kExports / sizeof kExports[0] == 48);

}  // namespace duvad::test
