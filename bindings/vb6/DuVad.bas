Attribute VB_Name = "DuVad"
' DuVad.dll declarations for Visual Basic 6.
' Every function returns a Long. Strings go ByVal As String (VB passes an ANSI copy); output
' strings are ByVal As String buffers the caller sizes first, e.g. s = String$(260, 0), and cuts
' after at the first zero: s = Left$(s, InStr(s, vbNullChar) - 1) (a returned length counts bytes,
' not VB characters, in a double-byte code page).
' Out-parameters are ByRef As Long. Window handles are ByVal As Long (Me.hWnd).
Option Explicit

' ---- Message pump, pauses and sounds ----
Public Declare Function GoEvents Lib "DuVad.dll" (ByVal duration As Long) As Long
Public Declare Function MySleep Lib "DuVad.dll" (ByVal milliseconds As Long) As Long
Public Declare Function SoundATune Lib "DuVad.dll" (ByVal sound As Long) As Long

' ---- Video CD preparation ----
' AnalyzeMpeg: 1 header found, 0 none, -1 cannot open, -2 too large. Sizes in pixels, codes as
' in ISO/IEC 11172-2, bit rate in bit/s, playing time in seconds (-1 unknown), length in sectors.
' compliant is 0 for a header cut off by the end of the file.
Public Declare Function AnalyzeMpeg Lib "DuVad.dll" (ByVal fileName As String, ByRef compliant As Long, _
    ByRef width As Long, ByRef height As Long, ByRef aspectCode As Long, ByRef rateCode As Long, _
    ByRef bitRate As Long, ByRef playingSeconds As Long, ByRef sectors As Long) As Long
Public Const DUVAD_ANALYZEMPEG_FOUND As Long = 1
Public Const DUVAD_ANALYZEMPEG_NO_HEADER As Long = 0
Public Const DUVAD_ANALYZEMPEG_CANNOT_OPEN As Long = -1
Public Const DUVAD_ANALYZEMPEG_TOO_LARGE As Long = -2
' PrepareVcdFiles: pass the image's first byte, e.g. PrepareVcdFiles(img(0), UBound(img) + 1, src, dst).
' 1 done; -100-i source i; -200-i source i not MPEG-1/CDXA; -300-i track file i; -300 image.
' An output that is a source or another output (by any name), a device (NUL, COM1, ...) or no disk file,
' or that another writer holds (a call made again from a handler), gets its code before anything is written.
Public Declare Function PrepareVcdFiles Lib "DuVad.dll" (ByRef image As Byte, ByVal length As Long, _
    ByVal sources As String, ByVal targets As String) As Long
Public Const DUVAD_PREPAREVCDFILES_DONE As Long = 1
Public Const DUVAD_PREPAREVCDFILES_SOURCE As Long = -100
Public Const DUVAD_PREPAREVCDFILES_NOT_MPEG As Long = -200
Public Const DUVAD_PREPAREVCDFILES_OUTPUT As Long = -300

' ---- Recorder drives and system settings ----
' GetKvDrives: size list first, e.g. list = String$(63001, 0); the result counts its lines.
Public Declare Function GetKvDrives Lib "DuVad.dll" (ByVal list As String, ByVal cataloguePath As String) As Long
Public Declare Function DriveSetting9598 Lib "DuVad.dll" (ByVal drive As String, ByVal mode As Long, _
    disconnect As Long, syncTransfer As Long, autoInsert As Long) As Long
Public Const DUVAD_DRIVESETTING9598_FOUND As Long = 1
Public Const DUVAD_DRIVESETTING9598_NOT_FOUND As Long = 0
Public Const DUVAD_DRIVESETTING9598_NT_FAMILY As Long = -1
Public Declare Function DriveSettingNT Lib "DuVad.dll" (ByVal mode As Long, autorun As Long) As Long
Public Const DUVAD_DRIVESETTINGNT_DONE As Long = 1
Public Const DUVAD_DRIVESETTINGNT_CANNOT_OPEN As Long = 0
Public Const DUVAD_DRIVESETTINGNT_NOT_NT As Long = -1
' NTRestart: 0 when the system lacks the restart calls (NT's), the token cannot be opened or the
' system refuses the restart.
Public Declare Function NTRestart Lib "DuVad.dll" () As Long
Public Declare Function ItsNT Lib "DuVad.dll" () As Long
Public Const DUVAD_ITSNT_NOT_NT As Long = 0
Public Const DUVAD_ITSNT_NT4 As Long = 4
Public Const DUVAD_ITSNT_NT5 As Long = 5
' OSType: servicePack = String$(128, 0), or pass vbNullString when the text is not wanted.
Public Declare Function OSType Lib "DuVad.dll" (ByVal servicePack As String) As Long
Public Const DUVAD_OSTYPE_OTHER As Long = 0
Public Const DUVAD_OSTYPE_WIN95 As Long = 95
Public Const DUVAD_OSTYPE_WIN98 As Long = 98
Public Const DUVAD_OSTYPE_NT4 As Long = 1000
Public Const DUVAD_OSTYPE_NT5 As Long = 2000
' Blocks: pass the first byte of a Byte array, or a user-defined type, ByRef (e.g. buf(0)).
' subKey vbNullString: HKEY_CURRENT_USER itself; valueName vbNullString: the key's default value.
Public Declare Function ReadRegBlock Lib "DuVad.dll" (ByVal subKey As String, ByVal valueName As String, block As Any, _
    ByVal length As Long) As Long
Public Const DUVAD_READREGBLOCK_COPIED As Long = 1
Public Const DUVAD_READREGBLOCK_OTHER_LENGTH As Long = 0
Public Const DUVAD_READREGBLOCK_FAILED As Long = -1
Public Declare Function WriteRegBlock Lib "DuVad.dll" (ByVal subKey As String, ByVal valueName As String, _
    block As Any, ByVal length As Long) As Long
Public Const DUVAD_WRITEREGBLOCK_WRITTEN As Long = 1
Public Const DUVAD_WRITEREGBLOCK_FAILED As Long = -1
Public Declare Function FindDirectCD Lib "DuVad.dll" () As Long
' EnablepkWR: the companion's answer, waited for up to 30 s; -1 when it has no window or never answers.
Public Declare Function EnablepkWR Lib "DuVad.dll" (ByVal value As Long) As Long
Public Const DUVAD_ENABLEPKWR_NO_ANSWER As Long = -1

' ---- Files and paths ----
' Names: ln = String$(260, 0), sn = String$(260, 0); the text ends at the first Chr$(0).
' sizeKB: the whole size in started kilobytes, at most 2147483647.
Public Declare Function FFirst Lib "DuVad.dll" (ByVal pattern As String, ByVal longName As String, _
    ByVal shortName As String, ByRef kind As Long, ByRef sizeKB As Long) As Long
Public Const DUVAD_FFIRST_NONE As Long = -1
Public Declare Function FNext Lib "DuVad.dll" (ByVal search As Long, ByVal longName As String, _
    ByVal shortName As String, ByRef kind As Long, ByRef sizeKB As Long) As Long
Public Declare Function FEnd Lib "DuVad.dll" (ByVal search As Long) As Long
Public Declare Function IsFileExisting Lib "DuVad.dll" (ByVal name As String) As Long
Public Declare Function IsFileReadable Lib "DuVad.dll" (ByVal name As String) As Long
Public Declare Function IsFileErasable Lib "DuVad.dll" (ByVal name As String) As Long
Public Declare Function IsFolderWritable Lib "DuVad.dll" (ByVal folder As String) As Long
' path = String$(128, 0)
Public Declare Function GetWinTempPath Lib "DuVad.dll" (ByVal path As String) As Long
' VolumeFreeKB: free kilobytes, at most 2147483647 (volumes with 2 TiB or more free give that).
Public Declare Function VolumeFreeKB Lib "DuVad.dll" (ByVal path As String) As Long
Public Const DUVAD_VOLUMEFREEKB_NETWORK As Long = 1000000000
Public Const DUVAD_VOLUMEFREEKB_UNKNOWN As Long = 0
Public Declare Function OpenFileInSectors Lib "DuVad.dll" (ByVal name As String, ByRef sectorsInFile As Long) As Long
Public Const DUVAD_OPENFILEINSECTORS_CANNOT_OPEN As Long = -1
Public Const DUVAD_OPENFILEINSECTORS_NOT_WHOLE As Long = -2
' buffer: the first byte of a Byte array of at least count * 2048 bytes, e.g. b(0)
Public Declare Function ReadFileInSectors Lib "DuVad.dll" (ByVal handle As Long, ByRef buffer As Byte, _
    ByVal count As Long, ByRef sectorsRead As Long) As Long
Public Const DUVAD_READFILEINSECTORS_DONE As Long = 1
Public Const DUVAD_READFILEINSECTORS_FAILED As Long = -1
Public Declare Function CloseFileInSectors Lib "DuVad.dll" (ByVal handle As Long) As Long
Public Const DUVAD_CLOSEFILEINSECTORS_DONE As Long = 1
Public Const DUVAD_CLOSEFILEINSECTORS_NOT_OPEN As Long = -1
Public Declare Function MatchFiles Lib "DuVad.dll" (ByVal firstName As String, ByVal secondName As String) As Long
Public Const DUVAD_MATCHFILES_SAME As Long = 0
Public Const DUVAD_MATCHFILES_FIRST_SHORT As Long = -1
Public Const DUVAD_MATCHFILES_SECOND_SHORT As Long = -2
Public Const DUVAD_MATCHFILES_SIZES_DIFFER As Long = -3
Public Const DUVAD_MATCHFILES_FIRST_CANNOT_OPEN As Long = -4
Public Const DUVAD_MATCHFILES_SECOND_CANNOT_OPEN As Long = -5
Public Const DUVAD_MATCHFILES_PAST_LAST As Long = 2147483647
Public Declare Function CheckFileName Lib "DuVad.dll" (ByVal mode As Long, ByVal flags As Long, _
    ByVal name As String) As Long
Public Const DUVAD_CHECKFILENAME_FITS As Long = 0
Public Const DUVAD_CHECKFILENAME_TOO_LONG As Long = -1
Public Const DUVAD_CHECKFILENAME_DIRECTORY_DOT As Long = -2
Public Const DUVAD_CHECKFILENAME_LONG_EXTENSION As Long = -3
Public Const DUVAD_CHECKFILENAME_BAD_CHARACTER As Long = -4
Public Declare Function InStrBackS Lib "DuVad.dll" (ByVal start As Long, ByVal text As String) As Long
Public Declare Function IsLastBackS Lib "DuVad.dll" (ByVal text As String) As Long
Public Declare Function InStrDot Lib "DuVad.dll" (ByVal text As String) As Long
' DumpFileToPrinter: 0 when any block was not taken whole by the port.
Public Declare Function DumpFileToPrinter Lib "DuVad.dll" (ByVal name As String, ByVal port As Long) As Long
Public Declare Function ReadFileInfo Lib "DuVad.dll" (ByVal name As String, ByRef major As Long, ByRef minor As Long, _
    ByRef third As Long, ByRef fourth As Long) As Long

' ---- Windows, shell, list views and dialogs ----
Public Declare Function FindThisVB6MDIWindow Lib "DuVad.dll" (ByVal titlePrefix As String) As Long
Public Declare Function AllineaConExplorer Lib "DuVad.dll" (ByVal hostWindow As Long, ByVal mode As Long) As Long
' list = String$(4098, 0)
Public Declare Function GetHDrop Lib "DuVad.dll" (ByVal ownerWindow As Long, ByVal list As String) As Long
Public Declare Function InvokeShellProperties Lib "DuVad.dll" (ByVal path As String) As Long
' folder = String$(512, 0)
Public Declare Function ShellGetFolder Lib "DuVad.dll" (ByVal ownerWindow As Long, ByVal title As String, _
    ByVal folder As String) As Long
' folder = String$(129, 0)
Public Declare Function GetProgamFilesFolder Lib "DuVad.dll" (ByVal folder As String) As Long
' ExtensionReg: 0 when every registry write succeeded, else the first failure's code; 87 for an
' empty extension or type name (nothing written)
Public Declare Function ExtensionReg Lib "DuVad.dll" (ByVal extension As String, ByVal typeName As String, _
    ByVal description As String, ByVal openCommand As String, ByVal defaultIcon As String) As Long
Public Const DUVAD_EXTENSIONREG_DONE As Long = 0
Public Const DUVAD_EXTENSIONREG_INVALID As Long = 87
' text = String$(1024, 0)
Public Declare Function GetLVItemText Lib "DuVad.dll" (ByVal listView As Long, ByVal item As Long, _
    ByVal subItem As Long, ByVal text As String) As Long
Public Declare Function SetLVItemText Lib "DuVad.dll" (ByVal listView As Long, ByVal item As Long, _
    ByVal subItem As Long, ByVal text As String) As Long
Public Declare Function RemoveLVFocus Lib "DuVad.dll" (ByVal listView As Long) As Long
' filter = "Text files|*.txt|All files|*.*|" & vbNullChar & "*." & "txt" & vbNullChar
' file = initial name & String$(10000, 0); kind 2 writes as many whole paths (each with CR LF) as
' fit in 10000 bytes and returns how many it wrote, which may be fewer than the files picked
' filter without a default extension: "Text files|*.txt|" alone (VB's own terminators end it)
' title: vbNullString for the system's caption
Public Declare Function GetFilenameForOpenOrSave Lib "DuVad.dll" (ByVal ownerWindow As Long, ByVal kind As Long, _
    ByVal title As String, ByVal filter As String, ByVal file As String) As Long
' names() / deviceMode() As Byte, kept by the host; pass names(0) and deviceMode(0). The dialog's
' blocks are written back whole: ReDim names(0 To 2047) and deviceMode(0 To 66559) before each call
' (a driver's private part of the device mode may take up to 65535 bytes); keep the first
' namesLength / deviceModeLength bytes. DeleteDC the context after use.
Public Declare Function PrinterSetup Lib "DuVad.dll" (ByVal ownerWindow As Long, ByVal mode As Long, _
    ByRef context As Long, ByRef names As Byte, ByRef namesLength As Long, ByRef deviceMode As Byte, _
    ByRef deviceModeLength As Long) As Long
Public Const DUVAD_PRINTERSETUP_MADE As Long = 1
Public Const DUVAD_PRINTERSETUP_CANCELLED As Long = 0
Public Const DUVAD_PRINTERSETUP_NO_PRINTER As Long = -1
Public Const DUVAD_PRINTERSETUP_FAILED As Long = -2
Public Const DUVAD_PRINTERSETUP_NO_CONTEXT As Long = -3
Public Declare Function GetAColor Lib "DuVad.dll" (ByVal ownerWindow As Long, ByVal initialColour As Long) As Long
Public Const DUVAD_GETACOLOR_CANCELLED As Long = -1
' faceName = "Arial" & String$(32, 0); size in twips
Public Declare Function GetAFont Lib "DuVad.dll" (ByVal ownerWindow As Long, ByVal faceName As String, _
    ByRef size As Long, ByRef weight As Long, ByRef italic As Long, ByRef underline As Long, _
    ByRef colour As Long) As Long
