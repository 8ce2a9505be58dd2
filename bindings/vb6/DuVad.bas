Attribute VB_Name = "DuVad"
' DuVad.dll declarations for Visual Basic 6.
' Every function returns a Long. Strings go ByVal As String (VB passes an ANSI copy); output
' strings are ByVal As String buffers the caller sizes first, e.g. s = String$(260, 0).
' Out-parameters are ByRef As Long. Window handles are ByVal As Long (Me.hWnd).
Option Explicit

' ---- Message pump, pauses and sounds ----
Public Declare Function GoEvents Lib "DuVad.dll" (ByVal duration As Long) As Long
Public Declare Function MySleep Lib "DuVad.dll" (ByVal milliseconds As Long) As Long
Public Declare Function SoundATune Lib "DuVad.dll" (ByVal sound As Long) As Long

' ---- Video CD preparation ----

' ---- Recorder drives and system settings ----

' ---- Files and paths ----
' Names: ln = String$(260, 0), sn = String$(260, 0); the text ends at the first Chr$(0).
Public Declare Function FFirst Lib "DuVad.dll" (ByVal pattern As String, ByVal longName As String, ByVal shortName As String, ByRef kind As Long, ByRef sizeKB As Long) As Long
Public Declare Function FNext Lib "DuVad.dll" (ByVal search As Long, ByVal longName As String, ByVal shortName As String, ByRef kind As Long, ByRef sizeKB As Long) As Long
Public Declare Function FEnd Lib "DuVad.dll" (ByVal search As Long) As Long
Public Declare Function IsFileExisting Lib "DuVad.dll" (ByVal name As String) As Long
Public Declare Function IsFileReadable Lib "DuVad.dll" (ByVal name As String) As Long
Public Declare Function IsFileErasable Lib "DuVad.dll" (ByVal name As String) As Long
Public Declare Function IsFolderWritable Lib "DuVad.dll" (ByVal folder As String) As Long
' path = String$(128, 0)
Public Declare Function GetWinTempPath Lib "DuVad.dll" (ByVal path As String) As Long
Public Declare Function VolumeFreeKB Lib "DuVad.dll" (ByVal path As String) As Long
Public Declare Function OpenFileInSectors Lib "DuVad.dll" (ByVal name As String, ByRef sectorsInFile As Long) As Long
' buffer: the first byte of a Byte array of at least count * 2048 bytes, e.g. b(0)
Public Declare Function ReadFileInSectors Lib "DuVad.dll" (ByVal handle As Long, ByRef buffer As Byte, ByVal count As Long, ByRef sectorsRead As Long) As Long
Public Declare Function CloseFileInSectors Lib "DuVad.dll" (ByVal handle As Long) As Long
Public Declare Function MatchFiles Lib "DuVad.dll" (ByVal firstName As String, ByVal secondName As String) As Long
Public Declare Function CheckFileName Lib "DuVad.dll" (ByVal mode As Long, ByVal flags As Long, ByVal name As String) As Long
Public Declare Function InStrBackS Lib "DuVad.dll" (ByVal start As Long, ByVal text As String) As Long
Public Declare Function IsLastBackS Lib "DuVad.dll" (ByVal text As String) As Long
Public Declare Function InStrDot Lib "DuVad.dll" (ByVal text As String) As Long
Public Declare Function DumpFileToPrinter Lib "DuVad.dll" (ByVal name As String, ByVal port As Long) As Long
Public Declare Function ReadFileInfo Lib "DuVad.dll" (ByVal name As String, ByRef major As Long, ByRef minor As Long, ByRef third As Long, ByRef fourth As Long) As Long

' ---- Windows, shell, list views and dialogs ----
