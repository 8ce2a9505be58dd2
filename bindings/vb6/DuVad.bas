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
' AnalyzeMpeg: 1 header found, 0 none, -1 cannot open, -2 too large. Sizes in pixels, codes as
' in ISO/IEC 11172-2, bit rate in bit/s, playing time in seconds (-1 unknown), length in sectors.
Public Declare Function AnalyzeMpeg Lib "DuVad.dll" (ByVal fileName As String, ByRef compliant As Long, _
    ByRef horizontalSize As Long, ByRef verticalSize As Long, ByRef aspectCode As Long, ByRef rateCode As Long, _
    ByRef bitRate As Long, ByRef playingSeconds As Long, ByRef sectors As Long) As Long
' PrepareVcdFiles: pass the image's first byte, e.g. PrepareVcdFiles(img(0), UBound(img) + 1, src, dst).
' 1 done; -100-i source i; -200-i source i not MPEG-1/CDXA; -300-i track file i; -300 image.
Public Declare Function PrepareVcdFiles Lib "DuVad.dll" (ByRef image As Byte, ByVal length As Long, _
    ByVal sources As String, ByVal targets As String) As Long

' ---- Recorder drives and system settings ----

' ---- Files and paths ----

' ---- Windows, shell, list views and dialogs ----
