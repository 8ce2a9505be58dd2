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

' ---- Windows, shell, list views and dialogs ----
