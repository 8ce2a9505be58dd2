/*
 * DuVad.h - the exports of DuVad.dll.
 *
 * Every export uses the Windows standard calling convention (WINAPI), is exported by its plain
 * name, takes 32-bit arguments and returns a signed 32-bit result. Strings are ANSI and
 * zero-terminated; output strings go into buffers the caller allocates (each function says how
 * many bytes it may write). Out-parameters are pointers to 32-bit integers.
 *
 * The library never allocates memory the caller must free. Handles it hands out (searches,
 * sector reading, device contexts) belong to the caller.
 *
 * The DLL's own sources include this header, so a definition that drifts from it fails to compile;
 * frame/DuVad.def repeats each argument byte count, so a drift there fails to link.
 */
#ifndef DUVAD_H
#define DUVAD_H

#include <windows.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Message pump, pauses and sounds --------------------------------------------------------- */

/* Handles the calling thread's waiting messages (when no keyboard input is waiting), then keeps
 * doing so every 100 ms until `duration` milliseconds are used up (0 or less: one pass, no pause).
 * Returns 1 (0 only if the pause timer could not be made). */
int32_t WINAPI GoEvents(int32_t duration);

/* Pauses the calling thread for `milliseconds` (unsigned) without handling messages.
 * 0xFFFFFFFF never returns. Returns 1 (0 only if the pause timer could not be made). */
int32_t WINAPI MySleep(int32_t milliseconds);

/* Plays the module's WAVE resource whose identifier is the low 16 bits of `sound` (1001, 1012,
 * 1014), asynchronously; 0 stops the playing sound. With no wave output device it beeps instead.
 * Returns nonzero when the sound started, stopped or the beep sounded; 0 when not (another sound
 * of the process is still playing, or the device is busy). */
int32_t WINAPI SoundATune(int32_t sound);

/* ---- Video CD preparation (vcd/) ------------------------------------------ */

/* ---- Recorder drives and system settings (drives/) ------------------------ */

/* ---- Files and paths (files/) --------------------------------------------- */

/* ---- Windows, shell, list views and dialogs (shell/) ---------------------- */

/* Top-level window of class "ThunderRT6MDIForm" whose title begins with `title_prefix` (byte-wise,
 * case distinguished; "" matches any title), the first in Z order. Returns its handle, or 0 when
 * there is none (also for a null prefix). */
int32_t WINAPI FindThisVB6MDIWindow(const char* title_prefix);

/* mode 1: arranges the "ExploreWClass" window (started as EXPLORER.EXE when missing, waiting about
 * 3 s) below `host_window` in the work area, remembering both windows' places; mode 0 puts both
 * back. Returns 1 when done, or for any other mode (which does nothing); 0 when mode 1 finds no
 * Explorer window or mode 0 finds no arranged Explorer window. */
int32_t WINAPI AllineaConExplorer(HWND host_window, int32_t mode);

/* The file names of the clipboard's file list (CF_HDROP), each followed by CR LF, into `list`
 * (at least 4098 bytes; names stop before the text would pass 4095 characters). Returns the
 * number of names written; 0 with `list` empty when there is no list or the clipboard is busy. */
int32_t WINAPI GetHDrop(HWND owner_window, char* list);

/* Opens the shell's property sheet of a file or folder. Returns 1 when the shell accepted the
 * request, 0 when not (a missing file; a null path). */
int32_t WINAPI InvokeShellProperties(const char* path);

/* The shell's folder browser, centred over `owner_window`, opening at the folder picked last (at
 * first the current directory), `title` (at most 1023 characters shown; null: none) above the
 * tree. Writes the folder picked into `folder` (at least 512 bytes). Returns 1 when a folder was
 * picked; 0 when cancelled (last folder kept), for an item with no file-system path (last folder
 * forgotten) or a null `folder`. */
int32_t WINAPI ShellGetFolder(HWND owner_window, const char* title, char* folder);

/* The program files folder with one backslash at its end, into `folder` (at least 129 bytes).
 * When it cannot be read, `folder` gets the backslash alone. Returns 0. */
int32_t WINAPI GetProgamFilesFolder(char* folder);

/* Registers a file type under HKEY_CLASSES_ROOT: `extension` -> `type_name`; `type_name` ->
 * `description`, with Shell\Open\Command = `open_command` and DefaultIcon = `default_icon`
 * (default values, REG_SZ). Returns the result of closing the type's key: 0 (ERROR_SUCCESS) as a
 * rule; ERROR_INVALID_PARAMETER (87), with nothing written, when an argument is null. */
int32_t WINAPI ExtensionReg(const char* extension, const char* type_name, const char* description,
                            const char* open_command, const char* default_icon);

/* The text of cell (`item`, `sub_item`) of a list view into `text` (at least 1024 bytes; at most
 * 1023 characters; "" for a missing cell or a window that is no list view). Returns 0. */
int32_t WINAPI GetLVItemText(HWND list_view, int32_t item, int32_t sub_item, char* text);

/* Sets the text of a list view cell. Returns 1 when the control took it, 0 when not (item out of
 * range, no list view, null text). */
int32_t WINAPI SetLVItemText(HWND list_view, int32_t item, int32_t sub_item, const char* text);

/* Takes the focus mark off every item of a list view; the selection stays. Returns 1 when the
 * control accepted it, 0 when not. */
int32_t WINAPI RemoveLVFocus(HWND list_view);

/* The Open or Save As dialog. kind 1: open one file; 2: open one or several; 5: save, asking before
 * overwriting; 6: save without asking; others show nothing. `title` may be null (the system's
 * caption). `filter`: "Text files|*.txt|All files|*.*|", a zero byte, two skipped characters, the
 * default extension (at most 7 characters, no dot) and a zero byte; filter text over 254
 * characters keeps the whole pairs that fit. `file`: in, the initial name (under 10000
 * characters); out, the chosen path, or for kind 2 the full paths, each followed by CR LF.
 * Returns 0 when cancelled, failed or refused (`file` unchanged); 1 for kinds 1, 5, 6; for kind 2
 * the number of paths. */
int32_t WINAPI GetFilenameForOpenOrSave(HWND owner_window, int32_t kind, const char* title, const char* filter,
                                        char* file);

/* The Print Setup dialog preset to the remembered printer (`names`: DEVNAMES bytes, `device_mode`:
 * DEVMODEA bytes, lengths in and out, 0 when none); mode 1 returns an information context, mode 3
 * a device context for the remembered (or default) printer without a dialog, others a device
 * context. The context goes to *context and belongs to the caller (DeleteDC).
 * Returns 1 made; 0 cancelled; -1 no printer (PDERR_NODEVICES, PDERR_NODEFAULTPRN); -2 the dialog
 * failed otherwise, mode 3 found no default printer, or a pointer is null; -3 mode 3 could not
 * make the device context. */
int32_t WINAPI PrinterSetup(HWND owner_window, int32_t mode, HDC* context, char* names, int32_t* names_length,
                            char* device_mode, int32_t* device_mode_length);

/* The Color dialog at `initial_colour` (0x00BBGGRR), custom colours all white. Returns the colour
 * chosen, or -1 when cancelled or failed. */
int32_t WINAPI GetAColor(HWND owner_window, int32_t initial_colour);

/* The Font dialog (TrueType screen fonts, effects) on the font described: `face_name` (at least 32
 * bytes), *size in twips, *weight, *italic and *underline (low byte, 0 off), *colour. On a choice
 * all six are written (size in twips) and the result is 1; 0 when cancelled, failed or a pointer
 * is null, nothing written. */
int32_t WINAPI GetAFont(HWND owner_window, char* face_name, int32_t* size, int32_t* weight, int32_t* italic,
                        int32_t* underline, int32_t* colour);

#ifdef __cplusplus
}
#endif

#endif /* DUVAD_H */
