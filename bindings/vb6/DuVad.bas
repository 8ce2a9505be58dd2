Attribute VB_Name = "DuVad"
' DuVad.dll declarations for Visual Basic 6 (and VBA in 32-bit Office).
'
' Every function returns a Long. Strings go ByVal As String: VB passes an ANSI copy and copies it
' back after the call. An output string is a buffer the caller sizes before the call, e.g.
' s = String$(260, 0), and cuts after it at the first zero character:
' s = Left$(s, InStr(s, vbNullChar) - 1). A length a function returns counts bytes, which in a
' double-byte code page (Japanese, Chinese, Korean) is not the number of VB characters: cut at the
' zero, not at the length. Out-parameters are ByRef As Long: pass a Long variable, not an
' expression (VB would pass a copy and the value would be lost). Byte blocks are passed as the
' first element of a Byte array, b(0). Window handles are ByVal As Long (Me.hWnd). Each section
' below says how large each buffer must be.
'
' The parameters carry a prefix (s string, n number, h handle, l out-parameter, b byte block, lp
' any block) so that adding this module never recases names of the project's own (VB keeps one
' spelling per name: a parameter called "text" would turn Text1.Text into Text1.text).
'
' Trap: VB's Not is bitwise. A function that answers yes or no returns 1 or 0, and Not 1 is -2,
' which is True: If Not IsFileExisting(sName) Then is always taken. Compare with 1 or 0 instead:
' If IsFileExisting(sName) = 0 Then.
' Trap: Err.LastDllError is not a result of this library: every function reports through its
' return value only, and LastDllError holds whatever some earlier system call left there, after
' successful calls too.
' Trap: VBA: only 32-bit Office can use DuVad.dll. 64-bit Office cannot load a 32-bit DLL at all,
' and PtrSafe does not change that. Office looks for DuVad.dll in the folder of its own program
' (EXCEL.EXE, WINWORD.EXE), the system folders, the Windows folder, its current folder and the
' folders on PATH, never in the document's folder: load it once by its full path before the first
' call, e.g. with Declare Function LoadLibrary Lib "kernel32" Alias "LoadLibraryA" (ByVal sFile As
' String) As Long and LoadLibrary(ThisWorkbook.Path & "\DuVad.dll"); the Declares then find it
' loaded.
Option Explicit

' ---- Message pump, pauses and sounds ----
' GoEvents keeps the program's windows alive inside a long loop of its own, as DoEvents does, and
' can pause between passes; GoEvents 0 handles what is waiting and returns at once.
' Example:
'     Dim i As Long
'     For i = 1 To 1000
'         ' ... one unit of work ...
'         GoEvents 0
'     Next
Public Declare Function GoEvents Lib "DuVad.dll" (ByVal nDuration As Long) As Long
' MySleep pauses without handling messages: the program's windows do not repaint meanwhile.
' Example:
'     Dim nWait As Long
'     nWait = 250
'     If nWait > 0 Then MySleep nWait
Public Declare Function MySleep Lib "DuVad.dll" (ByVal nMilliseconds As Long) As Long
' SoundATune plays one of the library's sounds (1001, 1012, 1014) and returns at once.
' Example:
'     If SoundATune(1014) = 0 Then Beep
'     ' ... later, to stop it:
'     SoundATune 0
Public Declare Function SoundATune Lib "DuVad.dll" (ByVal nSound As Long) As Long

' ---- Video CD preparation ----
' AnalyzeMpeg: the file name and eight Long variables it fills: whether the stream meets the Video
' CD rules (1 or 0), width and height in pixels, the aspect ratio and picture rate codes of ISO/IEC
' 11172-2, the bit rate in bit/s, the playing time in seconds (-1 unknown) and the track file's
' length in sectors. lCompliant is 0 for a header cut off by the end of the file.
' Example:
'     Dim lOk As Long, lW As Long, lH As Long, lAspect As Long, lRate As Long
'     Dim lBps As Long, lSecs As Long, lSectors As Long
'     Select Case AnalyzeMpeg("C:\clips\a.mpg", lOk, lW, lH, lAspect, lRate, lBps, lSecs, lSectors)
'     Case DUVAD_ANALYZEMPEG_FOUND
'         If lOk = 1 Then
'             ' a Video CD stream: lW x lH, lSecs seconds (-1: unknown), lSectors sectors of track
'         Else
'             ' MPEG-1, but not the Video CD's picture size, rate or bit rate
'         End If
'     Case DUVAD_ANALYZEMPEG_NO_HEADER: ' no MPEG-1 video in the file's first blocks
'     Case DUVAD_ANALYZEMPEG_CANNOT_OPEN: ' missing, or held open by another program
'     Case DUVAD_ANALYZEMPEG_TOO_LARGE: ' far beyond a CD's size
'     End Select
Public Declare Function AnalyzeMpeg Lib "DuVad.dll" (ByVal sFileName As String, ByRef lCompliant As Long, _
    ByRef lWidth As Long, ByRef lHeight As Long, ByRef lAspectCode As Long, ByRef lRateCode As Long, _
    ByRef lBitRate As Long, ByRef lPlayingSeconds As Long, ByRef lSectors As Long) As Long
Public Const DUVAD_ANALYZEMPEG_FOUND As Long = 1
Public Const DUVAD_ANALYZEMPEG_NO_HEADER As Long = 0
Public Const DUVAD_ANALYZEMPEG_CANNOT_OPEN As Long = -1
Public Const DUVAD_ANALYZEMPEG_TOO_LARGE As Long = -2
' PrepareVcdFiles: the image is a Byte array holding the whole first track; pass its first byte
' and its length in bytes. The two lists hold one full path a line, each line ended by vbCrLf (the
' last one too): the sources, and the targets (the image file first, then one track file per
' source). An output that is a source or another output (by any name), a device (NUL, COM1, ...)
' or no disk file, or that another writer holds (a call made again from a handler), gets its code
' before anything is written.
' Example:
'     Dim bImg() As Byte, nFile As Integer, r As Long
'     nFile = FreeFile
'     Open "C:\out\TRACK01.IMG" For Binary Access Read As #nFile
'     ReDim bImg(0 To LOF(nFile) - 1)
'     Get #nFile, , bImg
'     Close #nFile
'     r = PrepareVcdFiles(bImg(0), UBound(bImg) + 1, _
'         "C:\clips\a.mpg" & vbCrLf & "C:\clips\b.mpg" & vbCrLf, _
'         "C:\out\image.bin" & vbCrLf & "C:\out\avseq01.dat" & vbCrLf & "C:\out\avseq02.dat" & vbCrLf)
'     Select Case r
'     Case DUVAD_PREPAREVCDFILES_DONE: ' burn image.bin as track 1, then each track file
'     Case -133 To -101: MsgBox "Source line " & (-100 - r) & " cannot be read or is too large"
'     Case -232 To -201: MsgBox "Source " & (-200 - r) & " is no MPEG-1 stream or CDXA file"
'     Case -332 To -301: MsgBox "Track file " & (-300 - r) & " cannot be written"
'     Case DUVAD_PREPAREVCDFILES_OUTPUT: MsgBox "The image file cannot be written"
'     End Select
Public Declare Function PrepareVcdFiles Lib "DuVad.dll" (ByRef bImage As Byte, ByVal nLength As Long, _
    ByVal sSources As String, ByVal sTargets As String) As Long
Public Const DUVAD_PREPAREVCDFILES_DONE As Long = 1
Public Const DUVAD_PREPAREVCDFILES_SOURCE As Long = -100
Public Const DUVAD_PREPAREVCDFILES_NOT_MPEG As Long = -200
Public Const DUVAD_PREPAREVCDFILES_OUTPUT As Long = -300

' ---- Recorder drives and system settings ----
' GetKvDrives: sList = String$(63001, 0) before the call; the result counts its lines, each ended
' by vbCrLf.
' Example:
'     Dim sList As String, n As Long, sLines() As String, i As Long
'     sList = String$(63001, 0)
'     n = GetKvDrives(sList, App.Path & "\drives.cat")
'     If n > 0 Then
'         sLines = Split(Left$(sList, InStr(sList, vbNullChar) - 1), vbCrLf)
'         For i = 0 To n - 1: List1.AddItem sLines(i): Next
'     End If
Public Declare Function GetKvDrives Lib "DuVad.dll" (ByVal sList As String, ByVal sCataloguePath As String) As Long
' DriveSetting9598: sDrive is the drive's letter ("E" or "E:\"); mode 0 reads the three Long
' variables, any other mode writes them.
' Example:
'     Dim lDisconnect As Long, lSync As Long, lAutoInsert As Long
'     Select Case DriveSetting9598("E", 0, lDisconnect, lSync, lAutoInsert)
'     Case DUVAD_DRIVESETTING9598_FOUND
'         If lAutoInsert <> 0 Then
'             lAutoInsert = 0
'             DriveSetting9598 "E", 1, lDisconnect, lSync, lAutoInsert
'         End If
'     Case DUVAD_DRIVESETTING9598_NOT_FOUND: ' no SCSI CD-ROM drive E on this machine
'     Case DUVAD_DRIVESETTING9598_NT_FAMILY: ' NT, 2000 or later: see DriveSettingNT
'     End Select
Public Declare Function DriveSetting9598 Lib "DuVad.dll" (ByVal sDrive As String, ByVal nMode As Long, _
    ByRef lDisconnect As Long, ByRef lSyncTransfer As Long, ByRef lAutoInsert As Long) As Long
Public Const DUVAD_DRIVESETTING9598_FOUND As Long = 1
Public Const DUVAD_DRIVESETTING9598_NOT_FOUND As Long = 0
Public Const DUVAD_DRIVESETTING9598_NT_FAMILY As Long = -1
' DriveSettingNT: mode 0 reads "Autorun" into lAutorun, any other mode writes it. Opening the key
' for writing takes an administrator, also for reading.
' Example:
'     Dim lAutorun As Long
'     Select Case DriveSettingNT(0, lAutorun)
'     Case DUVAD_DRIVESETTINGNT_DONE
'         If lAutorun <> 0 Then lAutorun = 0: DriveSettingNT 1, lAutorun
'     Case DUVAD_DRIVESETTINGNT_CANNOT_OPEN: ' not an administrator
'     Case DUVAD_DRIVESETTINGNT_NOT_NT: ' Windows 95 or 98: see DriveSetting9598
'     End Select
Public Declare Function DriveSettingNT Lib "DuVad.dll" (ByVal nMode As Long, ByRef lAutorun As Long) As Long
Public Const DUVAD_DRIVESETTINGNT_DONE As Long = 1
Public Const DUVAD_DRIVESETTINGNT_CANNOT_OPEN As Long = 0
Public Const DUVAD_DRIVESETTINGNT_NOT_NT As Long = -1
' NTRestart asks Windows to restart; the program gets the usual query to close first.
' Example:
'     If NTRestart() = 0 Then MsgBox "Please restart Windows to finish."
Public Declare Function NTRestart Lib "DuVad.dll" () As Long
' ItsNT: 0, 4 or 5 (see its traps: 4 is not only NT 4).
' Example:
'     Select Case ItsNT()
'     Case DUVAD_ITSNT_NOT_NT: ' Windows 95, 98 or Me
'     Case DUVAD_ITSNT_NT5: ' Windows 2000, XP or Server 2003
'     Case Else: ' NT 3.x or 4, or Vista and later: OSType tells them apart
'     End Select
Public Declare Function ItsNT Lib "DuVad.dll" () As Long
Public Const DUVAD_ITSNT_NOT_NT As Long = 0
Public Const DUVAD_ITSNT_NT4 As Long = 4
Public Const DUVAD_ITSNT_NT5 As Long = 5
' OSType: sServicePack = String$(128, 0), or vbNullString when the text is not wanted.
' Example:
'     Dim sPack As String, nSystem As Long
'     sPack = String$(128, 0)
'     nSystem = OSType(sPack)
'     sPack = Left$(sPack, InStr(sPack, vbNullChar) - 1)
'     If nSystem = DUVAD_OSTYPE_NT4 And sPack < "Service Pack 3" Then
'         MsgBox "Please install NT 4 Service Pack 3 or later"
'     End If
Public Declare Function OSType Lib "DuVad.dll" (ByVal sServicePack As String) As Long
Public Const DUVAD_OSTYPE_OTHER As Long = 0
Public Const DUVAD_OSTYPE_WIN95 As Long = 95
Public Const DUVAD_OSTYPE_WIN98 As Long = 98
Public Const DUVAD_OSTYPE_NT4 As Long = 1000
Public Const DUVAD_OSTYPE_NT5 As Long = 2000
' ReadRegBlock, WriteRegBlock: lpBlock is a variable passed ByRef, the first byte of a Byte array
' (b(0)) or a user-defined type; nLength is its size in bytes. sSubKey vbNullString:
' HKEY_CURRENT_USER itself; sValueName vbNullString: the key's default value.
' Trap: for a user-defined type pass LenB(u), its size in memory with the padding VB puts between
' members; Len leaves the padding out, so the block is stored short and never reads back (0).
' Keep String members out of such a type: a variable-length String is stored as a 4-byte pointer,
' which means nothing when read back (VB then converts whatever memory it points at), and a
' fixed-length String * n is converted to ANSI in a copy VB makes for the call, laid out unlike the
' type in memory. Use a Byte array member (bName(0 To 31) As Byte) with StrConv instead.
' Example:
'     Private Type WindowPlace
'         nLeft As Long
'         nTop As Long
'         nState As Integer
'         bName(0 To 31) As Byte
'     End Type
'     Dim wp As WindowPlace
'     If ReadRegBlock("Software\Maker\Recorder", "Place", wp, LenB(wp)) <> DUVAD_READREGBLOCK_COPIED Then
'         wp.nLeft = 0: wp.nTop = 0: wp.nState = 0      ' missing, or another version's: defaults
'     End If
'     ' ... when the program ends:
'     If WriteRegBlock("Software\Maker\Recorder", "Place", wp, LenB(wp)) <> DUVAD_WRITEREGBLOCK_WRITTEN Then Beep
Public Declare Function ReadRegBlock Lib "DuVad.dll" (ByVal sSubKey As String, ByVal sValueName As String, _
    ByRef lpBlock As Any, ByVal nLength As Long) As Long
Public Const DUVAD_READREGBLOCK_COPIED As Long = 1
Public Const DUVAD_READREGBLOCK_OTHER_LENGTH As Long = 0
Public Const DUVAD_READREGBLOCK_FAILED As Long = -1
Public Declare Function WriteRegBlock Lib "DuVad.dll" (ByVal sSubKey As String, ByVal sValueName As String, _
    ByRef lpBlock As Any, ByVal nLength As Long) As Long
Public Const DUVAD_WRITEREGBLOCK_WRITTEN As Long = 1
Public Const DUVAD_WRITEREGBLOCK_FAILED As Long = -1
' FindDirectCD: 1 while a DirectCD window is open, which holds the recorder.
' Example:
'     If FindDirectCD() = 1 Then MsgBox "Please close DirectCD before recording."
Public Declare Function FindDirectCD Lib "DuVad.dll" () As Long
' EnablepkWR: nValue goes to the companion program; its answer comes back, waited for up to 30 s.
' Example:
'     If EnablepkWR(1) = DUVAD_ENABLEPKWR_NO_ANSWER Then
'         MsgBox "The packet-writing program is not running (or does not answer)"
'     End If
Public Declare Function EnablepkWR Lib "DuVad.dll" (ByVal nValue As Long) As Long
Public Const DUVAD_ENABLEPKWR_NO_ANSWER As Long = -1

' ---- Files and paths ----
' FFirst, FNext, FEnd, IsFileExisting: sLongName = String$(260, 0) and sShortName = String$(260, 0)
' before the search; each name ends at its first zero. The entries "." and ".." come like any
' other: skip them. End every search that FFirst started (a result other than -1) with FEnd.
' Example:
'     Dim sLong As String, sShort As String, lKind As Long, lKB As Long, hSearch As Long, sName As String
'     sLong = String$(260, 0): sShort = String$(260, 0)
'     hSearch = FFirst("C:\clips\*.mpg", sLong, sShort, lKind, lKB)
'     If hSearch <> DUVAD_FFIRST_NONE Then
'         Do
'             sName = Left$(sLong, InStr(sLong, vbNullChar) - 1)
'             If lKind = 2 Then List1.AddItem sName & " (" & lKB & " KB)"
'         Loop While FNext(hSearch, sLong, sShort, lKind, lKB) = 1
'         FEnd hSearch
'     End If
'     If IsFileExisting("C:\clips\a.mpg") = 0 Then MsgBox "a.mpg is missing"
Public Declare Function FFirst Lib "DuVad.dll" (ByVal sPattern As String, ByVal sLongName As String, _
    ByVal sShortName As String, ByRef lKind As Long, ByRef lSizeKB As Long) As Long
Public Const DUVAD_FFIRST_NONE As Long = -1
Public Declare Function FNext Lib "DuVad.dll" (ByVal hSearch As Long, ByVal sLongName As String, _
    ByVal sShortName As String, ByRef lKind As Long, ByRef lSizeKB As Long) As Long
Public Declare Function FEnd Lib "DuVad.dll" (ByVal hSearch As Long) As Long
Public Declare Function IsFileExisting Lib "DuVad.dll" (ByVal sName As String) As Long
' IsFileReadable, IsFileErasable, IsFolderWritable: each answers 1 or 0 (compare with 1 or 0).
' Example:
'     Dim sFolder As String, sFile As String
'     sFolder = "C:\out": sFile = "C:\out\image.bin"
'     If IsFolderWritable(sFolder) = 0 Then MsgBox "Cannot write in " & sFolder
'     If IsFileReadable(sFile) = 1 And IsFileErasable(sFile) = 0 Then MsgBox sFile & " is in use or read-only"
Public Declare Function IsFileReadable Lib "DuVad.dll" (ByVal sName As String) As Long
Public Declare Function IsFileErasable Lib "DuVad.dll" (ByVal sName As String) As Long
Public Declare Function IsFolderWritable Lib "DuVad.dll" (ByVal sFolder As String) As Long
' GetWinTempPath: sPath = String$(128, 0) before the call.
' Example:
'     Dim sTemp As String, n As Long
'     sTemp = String$(128, 0)
'     n = GetWinTempPath(sTemp)
'     If n > 0 And n < 128 Then
'         sTemp = Left$(sTemp, InStr(sTemp, vbNullChar) - 1)
'     Else                              ' 0: failed; 128 or more: the folder did not fit
'         sTemp = Environ$("TMP")
'         If sTemp = "" Then sTemp = Environ$("TEMP")
'         If Right$(sTemp, 1) <> "\" Then sTemp = sTemp & "\"
'     End If
Public Declare Function GetWinTempPath Lib "DuVad.dll" (ByVal sPath As String) As Long
' VolumeFreeKB: free kilobytes, at most 2147483647 (volumes with 2 TiB or more free give that).
' Example:
'     Select Case VolumeFreeKB("C:\out\")
'     Case DUVAD_VOLUMEFREEKB_UNKNOWN: MsgBox "No room on the drive, or it cannot be asked"
'     Case DUVAD_VOLUMEFREEKB_NETWORK: ' a network folder that does not say: try and see
'     Case Is < 800000: MsgBox "A Video CD needs up to 800 MB of room"
'     End Select
Public Declare Function VolumeFreeKB Lib "DuVad.dll" (ByVal sPath As String) As Long
Public Const DUVAD_VOLUMEFREEKB_NETWORK As Long = 1000000000
Public Const DUVAD_VOLUMEFREEKB_UNKNOWN As Long = 0
' OpenFileInSectors, ReadFileInSectors, CloseFileInSectors: the buffer is a Byte array of at least
' nCount * 2048 bytes; pass its first byte, b(0). The file stays open, and locked against every
' other opener, until CloseFileInSectors. A last half sector (a file of an odd number of 1024-byte
' blocks) is delivered into the buffer but not counted.
' Example:
'     Dim hFile As Long, lSectors As Long, lRead As Long, bBuf() As Byte
'     hFile = OpenFileInSectors("C:\out\disc.iso", lSectors)
'     If hFile >= 0 Then
'         ReDim bBuf(0 To 16 * 2048 - 1)
'         Do While ReadFileInSectors(hFile, bBuf(0), 16, lRead) = 1 And lRead > 0
'             ' lRead sectors of 2048 bytes are in bBuf
'         Loop
'     End If
'     CloseFileInSectors hFile        ' after -1 or -2 too: a negative value closes nothing
Public Declare Function OpenFileInSectors Lib "DuVad.dll" (ByVal sName As String, ByRef lSectorsInFile As Long) As Long
Public Const DUVAD_OPENFILEINSECTORS_CANNOT_OPEN As Long = -1
Public Const DUVAD_OPENFILEINSECTORS_NOT_WHOLE As Long = -2
Public Declare Function ReadFileInSectors Lib "DuVad.dll" (ByVal hHandle As Long, ByRef bBuffer As Byte, _
    ByVal nCount As Long, ByRef lSectorsRead As Long) As Long
Public Const DUVAD_READFILEINSECTORS_DONE As Long = 1
Public Const DUVAD_READFILEINSECTORS_FAILED As Long = -1
Public Declare Function CloseFileInSectors Lib "DuVad.dll" (ByVal hHandle As Long) As Long
Public Const DUVAD_CLOSEFILEINSECTORS_DONE As Long = 1
Public Const DUVAD_CLOSEFILEINSECTORS_NOT_OPEN As Long = -1
' MatchFiles: 0 the same, a positive byte position, or a negative code.
' Example:
'     Dim r As Long
'     r = MatchFiles("C:\out\image.bin", "E:\image.bin")
'     Select Case r
'     Case DUVAD_MATCHFILES_SAME: ' identical
'     Case DUVAD_MATCHFILES_PAST_LAST: MsgBox "The copy differs past byte 2147483646"
'     Case Is > 0: MsgBox "The copy differs first at byte " & r
'     Case DUVAD_MATCHFILES_SIZES_DIFFER: MsgBox "The copy has another size"
'     Case Else: MsgBox "A file cannot be read (" & r & ")"
'     End Select
Public Declare Function MatchFiles Lib "DuVad.dll" (ByVal sFirstName As String, ByVal sSecondName As String) As Long
Public Const DUVAD_MATCHFILES_SAME As Long = 0
Public Const DUVAD_MATCHFILES_FIRST_SHORT As Long = -1
Public Const DUVAD_MATCHFILES_SECOND_SHORT As Long = -2
Public Const DUVAD_MATCHFILES_SIZES_DIFFER As Long = -3
Public Const DUVAD_MATCHFILES_FIRST_CANNOT_OPEN As Long = -4
Public Const DUVAD_MATCHFILES_SECOND_CANNOT_OPEN As Long = -5
Public Const DUVAD_MATCHFILES_PAST_LAST As Long = 2147483647
' CheckFileName: one name without its folder; nFlags &H10 marks a folder's name (mode 0).
' Example:
'     Select Case CheckFileName(0, &H10, "MPEGAV")
'     Case DUVAD_CHECKFILENAME_FITS
'     Case DUVAD_CHECKFILENAME_TOO_LONG: MsgBox "At most 8 characters"
'     Case Else: MsgBox "Only A to Z, 0 to 9 and _ (a folder's name has no dot)"
'     End Select
Public Declare Function CheckFileName Lib "DuVad.dll" (ByVal nMode As Long, ByVal nFlags As Long, _
    ByVal sName As String) As Long
Public Const DUVAD_CHECKFILENAME_FITS As Long = 0
Public Const DUVAD_CHECKFILENAME_TOO_LONG As Long = -1
Public Const DUVAD_CHECKFILENAME_DIRECTORY_DOT As Long = -2
Public Const DUVAD_CHECKFILENAME_LONG_EXTENSION As Long = -3
Public Const DUVAD_CHECKFILENAME_BAD_CHARACTER As Long = -4
' InStrBackS, IsLastBackS, InStrDot: positions count bytes of the ANSI text from 1 (0: none); in a
' double-byte code page they are not VB character positions (use them with LeftB$ on
' StrConv(s, vbFromUnicode)).
' Example:
'     Dim sPath As String
'     sPath = "C:\clips\a.mpg"
'     If IsLastBackS(sPath) = 0 And InStrDot(sPath) > InStrBackS(4, sPath) Then
'         ' InStrDot gives 11 (the dot before "mpg"), InStrBackS 9 (the backslash after "clips")
'     End If
Public Declare Function InStrBackS Lib "DuVad.dll" (ByVal nStart As Long, ByVal sText As String) As Long
Public Declare Function IsLastBackS Lib "DuVad.dll" (ByVal sText As String) As Long
Public Declare Function InStrDot Lib "DuVad.dll" (ByVal sText As String) As Long
' DumpFileToPrinter: 0 when any block was not taken whole by the port. The file goes to the port
' as it is: it must already be in the printer's own language.
' Example:
'     If DumpFileToPrinter("C:\out\label.prn", 1) = 0 Then MsgBox "The printer on LPT1 did not take the file"
Public Declare Function DumpFileToPrinter Lib "DuVad.dll" (ByVal sName As String, ByVal nPort As Long) As Long
' ReadFileInfo: four Long variables for the version's parts, most significant first.
' Example:
'     Dim lMajor As Long, lMinor As Long, lThird As Long, lFourth As Long
'     If ReadFileInfo(App.Path & "\DuVad.dll", lMajor, lMinor, lThird, lFourth) = 1 Then
'         MsgBox "DuVad.dll " & lMajor & "." & lMinor & "." & lThird & "." & lFourth
'     End If
Public Declare Function ReadFileInfo Lib "DuVad.dll" (ByVal sName As String, ByRef lMajor As Long, _
    ByRef lMinor As Long, ByRef lThird As Long, ByRef lFourth As Long) As Long

' ---- Windows, shell, list views and dialogs ----
' FindThisVB6MDIWindow: e.g. to find the copy of the program already running.
' Example:
'     Dim hMain As Long
'     hMain = FindThisVB6MDIWindow("Recorder")
'     If hMain <> 0 Then MsgBox "The recorder is running already"
Public Declare Function FindThisVB6MDIWindow Lib "DuVad.dll" (ByVal sTitlePrefix As String) As Long
' AllineaConExplorer: mode 1 puts Explorer below the program's window, mode 0 puts both back.
' Example:
'     If AllineaConExplorer(Me.hWnd, 1) = 0 Then MsgBox "Explorer could not be started"
'     ' ... later:
'     AllineaConExplorer Me.hWnd, 0
Public Declare Function AllineaConExplorer Lib "DuVad.dll" (ByVal hHostWindow As Long, ByVal nMode As Long) As Long
' GetHDrop: sList = String$(4098, 0); the result counts the names, each ended by vbCrLf.
' Example:
'     Dim sList As String, n As Long, sNames() As String, i As Long
'     sList = String$(4098, 0)
'     n = GetHDrop(Me.hWnd, sList)
'     If n > 0 Then
'         sNames = Split(Left$(sList, InStr(sList, vbNullChar) - 1), vbCrLf)
'         For i = 0 To n - 1: List1.AddItem sNames(i): Next
'     End If
Public Declare Function GetHDrop Lib "DuVad.dll" (ByVal hOwnerWindow As Long, ByVal sList As String) As Long
' InvokeShellProperties: the shell's own Properties window for a file or folder.
' Example:
'     Dim sFile As String
'     sFile = "C:\out\image.bin"
'     If IsFileExisting(sFile) = 1 Then InvokeShellProperties sFile
Public Declare Function InvokeShellProperties Lib "DuVad.dll" (ByVal sPath As String) As Long
' ShellGetFolder: sFolder = String$(512, 0) before the call; sTitle vbNullString for none.
' Example:
'     Dim sFolder As String
'     sFolder = String$(512, 0)
'     If ShellGetFolder(Me.hWnd, "Where shall the disc files go?", sFolder) = 1 Then
'         sFolder = Left$(sFolder, InStr(sFolder, vbNullChar) - 1)
'     End If
Public Declare Function ShellGetFolder Lib "DuVad.dll" (ByVal hOwnerWindow As Long, ByVal sTitle As String, _
    ByVal sFolder As String) As Long
' GetProgamFilesFolder: sFolder = String$(129, 0) before the call; the result is always 0, and the
' folder is a backslash alone when it cannot be read.
' Example:
'     Dim sProgs As String
'     sProgs = String$(129, 0)
'     GetProgamFilesFolder sProgs
'     sProgs = Left$(sProgs, InStr(sProgs, vbNullChar) - 1)
'     If sProgs = "\" Then sProgs = Environ$("ProgramFiles") & "\"
Public Declare Function GetProgamFilesFolder Lib "DuVad.dll" (ByVal sFolder As String) As Long
' ExtensionReg: 0 when every registry write succeeded, else the first failure's code; 87 for an
' empty extension or type name (nothing written). On NT only administrators may write there.
' Example:
'     Dim r As Long
'     r = ExtensionReg(".vcdp", "Recorder.Project", "Recorder project", _
'         """" & App.Path & "\Recorder.exe"" ""%1""", App.Path & "\Recorder.exe,0")
'     If r <> DUVAD_EXTENSIONREG_DONE Then MsgBox "Not registered (error " & r & ")"
Public Declare Function ExtensionReg Lib "DuVad.dll" (ByVal sExtension As String, ByVal sTypeName As String, _
    ByVal sDescription As String, ByVal sOpenCommand As String, ByVal sDefaultIcon As String) As Long
Public Const DUVAD_EXTENSIONREG_DONE As Long = 0
Public Const DUVAD_EXTENSIONREG_INVALID As Long = 87
' GetLVItemText, SetLVItemText, RemoveLVFocus: pass the list view's window (ListView1.hWnd). Items
' count from 0 (ListItems(1) is item 0), and subitem 0 is the item's own text. GetLVItemText:
' sText = String$(1024, 0) before the call.
' Example:
'     Dim sText As String
'     sText = String$(1024, 0)
'     GetLVItemText ListView1.hWnd, 0, 1, sText
'     sText = Left$(sText, InStr(sText, vbNullChar) - 1)
'     If SetLVItemText(ListView1.hWnd, 0, 1, "done") = 0 Then Beep
'     RemoveLVFocus ListView1.hWnd
Public Declare Function GetLVItemText Lib "DuVad.dll" (ByVal hListView As Long, ByVal nItem As Long, _
    ByVal nSubItem As Long, ByVal sText As String) As Long
Public Declare Function SetLVItemText Lib "DuVad.dll" (ByVal hListView As Long, ByVal nItem As Long, _
    ByVal nSubItem As Long, ByVal sText As String) As Long
Public Declare Function RemoveLVFocus Lib "DuVad.dll" (ByVal hListView As Long) As Long
' GetFilenameForOpenOrSave: sFilter = "Text files|*.txt|All files|*.*|" & vbNullChar & "*." & "txt"
' & vbNullChar for .txt as the default extension, or "Text files|*.txt|" alone for none (VB's own
' terminators end it). sFile = the initial name & String$(10000, 0): kind 2 writes as many whole
' paths (each with vbCrLf) as fit in 10000 bytes and returns how many it wrote, which may be fewer
' than the files picked. sTitle vbNullString for the system's caption.
' Example:
'     Dim sFile As String, n As Long, sNames() As String, i As Long
'     sFile = String$(10000, 0)
'     n = GetFilenameForOpenOrSave(Me.hWnd, 2, "Add clips", "MPEG-1 files|*.mpg;*.dat|All files|*.*|", sFile)
'     If n > 0 Then
'         sNames = Split(Left$(sFile, InStr(sFile, vbNullChar) - 1), vbCrLf)
'         For i = 0 To n - 1: List1.AddItem sNames(i): Next
'     End If
Public Declare Function GetFilenameForOpenOrSave Lib "DuVad.dll" (ByVal hOwnerWindow As Long, ByVal nKind As Long, _
    ByVal sTitle As String, ByVal sFilter As String, ByVal sFile As String) As Long
' PrinterSetup: bNames() and bDeviceMode() As Byte, kept by the program between calls with their
' lengths (0 the first time); pass bNames(0) and bDeviceMode(0). The dialog's blocks are written
' back whole: ReDim Preserve bNames(0 To 2047) and bDeviceMode(0 To 66559) before each call (a
' driver's private part of the device mode may take up to 65535 bytes); keep the first
' lNamesLength and lDeviceModeLength bytes. DeleteDC the context after use.
' Example:
'     Private Declare Function DeleteDC Lib "gdi32" (ByVal hdcDelete As Long) As Long
'     Dim bNames() As Byte, bMode() As Byte, lNamesLength As Long, lModeLength As Long
'     Dim lDC As Long, r As Long
'     ReDim Preserve bNames(0 To 2047): ReDim Preserve bMode(0 To 66559)
'     r = PrinterSetup(Me.hWnd, 2, lDC, bNames(0), lNamesLength, bMode(0), lModeLength)
'     Select Case r
'     Case DUVAD_PRINTERSETUP_MADE
'         ' ... print on lDC ...
'         DeleteDC lDC
'     Case DUVAD_PRINTERSETUP_CANCELLED
'     Case DUVAD_PRINTERSETUP_NO_PRINTER: MsgBox "No printer is installed"
'     Case Else: MsgBox "The printer cannot be used (" & r & ")"
'     End Select
Public Declare Function PrinterSetup Lib "DuVad.dll" (ByVal hOwnerWindow As Long, ByVal nMode As Long, _
    ByRef lContext As Long, ByRef bNames As Byte, ByRef lNamesLength As Long, ByRef bDeviceMode As Byte, _
    ByRef lDeviceModeLength As Long) As Long
Public Const DUVAD_PRINTERSETUP_MADE As Long = 1
Public Const DUVAD_PRINTERSETUP_CANCELLED As Long = 0
Public Const DUVAD_PRINTERSETUP_NO_PRINTER As Long = -1
Public Const DUVAD_PRINTERSETUP_FAILED As Long = -2
Public Const DUVAD_PRINTERSETUP_NO_CONTEXT As Long = -3
' GetAColor: nInitialColour is an RGB value (RGB(r, g, b), &H00BBGGRR&).
' Trap: a VB system colour (&H80000000 and up, e.g. vbButtonFace, &H8000000F&, the BackColor of
' most forms) is no RGB value, and the dialog does not take it for the colour it stands for:
' translate it first with OleTranslateColor (oleaut32), as below.
' Example:
'     Private Declare Function OleTranslateColor Lib "oleaut32.dll" (ByVal lOleColour As Long, _
'         ByVal hPalette As Long, ByRef lColourRef As Long) As Long
'     Dim lRgb As Long, r As Long
'     If OleTranslateColor(Me.BackColor, 0, lRgb) <> 0 Then lRgb = vbWhite
'     r = GetAColor(Me.hWnd, lRgb)
'     If r <> DUVAD_GETACOLOR_CANCELLED Then Me.BackColor = r
Public Declare Function GetAColor Lib "DuVad.dll" (ByVal hOwnerWindow As Long, ByVal nInitialColour As Long) As Long
Public Const DUVAD_GETACOLOR_CANCELLED As Long = -1
' GetAFont: sFaceName = the face name & String$(32, 0); lSize in twips (points * 20); lColour an
' RGB value (translate a system colour as for GetAColor).
' Example:
'     Dim sFace As String, lSize As Long, lWeight As Long, lItalic As Long, lUnder As Long, lColour As Long
'     sFace = Text1.Font.Name & String$(32, 0)
'     lSize = Text1.Font.Size * 20: lWeight = Text1.Font.Weight
'     lItalic = Abs(Text1.Font.Italic): lUnder = Abs(Text1.Font.Underline): lColour = vbBlack
'     If GetAFont(Me.hWnd, sFace, lSize, lWeight, lItalic, lUnder, lColour) = 1 Then
'         Text1.Font.Name = Left$(sFace, InStr(sFace, vbNullChar) - 1)
'         Text1.Font.Size = lSize / 20: Text1.Font.Weight = lWeight
'         Text1.Font.Italic = (lItalic <> 0): Text1.Font.Underline = (lUnder <> 0): Text1.ForeColor = lColour
'     End If
Public Declare Function GetAFont Lib "DuVad.dll" (ByVal hOwnerWindow As Long, ByVal sFaceName As String, _
    ByRef lSize As Long, ByRef lWeight As Long, ByRef lItalic As Long, ByRef lUnderline As Long, _
    ByRef lColour As Long) As Long
