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

/* Measures an MPEG-1 system stream or RIFF CDXA file meant for a Video CD track. From the first
 * video sequence header within 100 blocks of 2336 bytes: picture size, pel aspect ratio code and
 * picture rate code (ISO/IEC 11172-2 tables), bit rate in bit/s. From the first pack header near
 * the start and near the end: playing time in whole seconds (-1 when not measurable, e.g. a file
 * under 7008 bytes). From the size: the track file's length in 2336-byte sectors (data sectors
 * + 85), exact for files of any size. *compliant is 1 when the header meets the Video CD rules
 * (352x240 code 12 at 29.97 or 23.976 Hz, 352x288 code 8 at 25 Hz, under 1151929 bit/s).
 * Every pointer may be null (value not wanted).
 *   1   sequence header found: every out-parameter written
 *   0   no sequence header: *compliant = 0, playing time and length written
 *  -1   the file cannot be opened (nothing written)
 *  -2   the file is too large for its length in sectors to fit 32 bits: *compliant = 0 only */
int32_t WINAPI AnalyzeMpeg(const char* fileName, int32_t* compliant, int32_t* width,
                           int32_t* height, int32_t* aspectCode, int32_t* rateCode,
                           int32_t* bitRate, int32_t* playingSeconds, int32_t* sectors);

/* Makes one Video CD track file per source (sources: file names, each line ending in CR LF) and
 * completes and writes the image of the disc's first track. targets: line 1 the image file, line
 * k + 1 the track file of source k. Each track file is 30 empty sectors, the source's sectors
 * (plain stream: 2324-byte packs wrapped into made Form 2 sectors; RIFF CDXA: raw sectors
 * without their 16-byte head) and 55 empty sectors, 2336 bytes each; GoEvents(0) runs after every
 * sector. image: `length` bytes (whole 2336-byte sectors, at least 352884), patched for the track
 * files and the date and written to the image file. Files written end where their contents end.
 * Lists are checked whole before any file is touched (a null pointer is an empty list).
 *   1          every track file and the image file were written
 *  -100 - i    source i cannot be opened or read; source line i lacks CR LF or its name has 256
 *              bytes or more; a 33rd source line (-133); source i too large for a track
 *  -200 - i    source i is neither RIFF CDXA nor begins with a pack start code
 *  -300 - i    track file i cannot be opened or written; its target line is missing or bad
 *  -300        the image file cannot be opened or written; its line is missing or bad; the
 *              image buffer is null or shorter than 352884 bytes */
int32_t WINAPI PrepareVcdFiles(char* image, int32_t length, const char* sources,
                               const char* targets);

/* ---- Recorder drives and system settings (drives/) ------------------------ */

/* Lists the recorder drives of the drive catalogue file `cataloguePath` (records of the maker's
 * own brand left out) into `list`: one line per drive, "brand,model,number (S|A)" and CR LF, at
 * most 63 characters each (a long model text is shortened to fit), sorted without regard to case;
 * "[no brand]" stands for a brand that begins with a space. Room needed: the lines and a zero,
 * at most 63001 bytes. Returns the number of lines, 0 to 1000; 0 also on every failure. `list` is
 * written (and at least emptied) only when the file was read and holds both brand markers. */
int32_t WINAPI GetKvDrives(char* list, const char* cataloguePath);

/* Reads (mode 0) or writes (any other mode) the "Disconnect", "SyncDataXfer" and
 * "AutoInsertNotification" bytes of the SCSI CD-ROM drive whose letter is drive[0], on Windows
 * 95/98. Reading presets the integers to 1, 0, 0 and replaces their low byte with each stored
 * byte; writing stores each integer's low byte as a 1-byte REG_BINARY. A null integer is skipped.
 * Returns -1 on the NT family (nothing touched); 0 when the device table cannot be opened or no
 * device carries the letter (integers untouched); 1 when the drive was found. */
int32_t WINAPI DriveSetting9598(const char* drive, int32_t mode, int32_t* disconnect, int32_t* syncTransfer,
                                int32_t* autoInsert);

/* Reads (mode 0; up to 4 bytes into *autorun, nothing changed when the value is missing) or writes
 * (any other mode; the low byte as a 1-byte REG_BINARY) the CD-ROM service's "Autorun" on NT.
 * Returns -1 outside the NT family; 0 when the service key cannot be opened for reading and
 * writing (or autorun is null); 1 when the read or write was attempted. */
int32_t WINAPI DriveSettingNT(int32_t mode, int32_t* autorun);

/* Asks for an immediate restart (not a power-off, applications not forced to close) with the
 * shutdown privilege enabled, then disables it again. Returns 0 when the process token cannot be
 * opened or disabling fails; otherwise non-zero. Whether the system accepted is not reported. */
int32_t WINAPI NTRestart(void);

/* Returns 0 outside the NT family, 5 on NT major version 5, 4 on any other NT version. */
int32_t WINAPI ItsNT(void);

/* Copies the service-pack text (at most 127 characters and a zero) into `servicePack` unless it is
 * null. Returns 95 (95/98 family, minor version 0), 98 (that family, any other minor version),
 * 1000 (NT below version 5), 2000 (NT 5 or later) or 0 (any other platform). */
int32_t WINAPI OSType(char* servicePack);

/* Reads the value `valueName` of HKEY_CURRENT_USER\`subKey` (the key is created when missing)
 * into `block` when it is exactly `length` bytes long (any type; at most 100000 bytes).
 * Returns 1 when copied; 0 when the value has another length; -1 when the key cannot be opened
 * or the value cannot be read (missing, longer than 100000 bytes), or for a null pointer. The
 * block is written only when the result is 1. */
int32_t WINAPI ReadRegBlock(const char* subKey, const char* valueName, void* block, int32_t length);

/* Stores `length` bytes of `block` as the REG_BINARY value `valueName` of
 * HKEY_CURRENT_USER\`subKey` (the key is created when missing). Returns 1 when written; -1 when
 * the key cannot be opened or the value not written, or for a null pointer or negative length. */
int32_t WINAPI WriteRegBlock(const char* subKey, const char* valueName, const void* block, int32_t length);

/* Returns 1 when a top-level window (hidden ones too) has a title whose first 255 characters
 * contain "DIRECTCD" in any case; 0 otherwise. */
int32_t WINAPI FindDirectCD(void);

/* Sends WM_USER with wParam `value` and lParam 0 to the companion program's "DARUVE" window and
 * returns its answer unchanged. Returns -1 when no such window exists (nothing sent), or when the
 * window has not answered within 5 seconds or its program is hung. */
int32_t WINAPI EnablepkWR(int32_t value);

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
