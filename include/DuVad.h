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
 * Files are opened by name as disk files only. A name that reaches a device is refused before
 * anything is opened: a device's name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$, CLOCK$,
 * with any extension or trailing dots and spaces, in any folder) and, judged on the full path the
 * name resolves to, any \\.\, \\?\ or \??\ name but a drive letter's folders (\\?\C:\...), and
 * the pipes and mailslots of any machine (\\server\pipe\..., \\server\mailslot\...). A handle
 * that turns out to be no disk file is closed unused. Each export then gives its "cannot open"
 * (or "cannot be read") result. DumpFileToPrinter's port is the one device opened on purpose.
 *
 * The DLL's own sources include this header, so a definition that drifts from it fails to compile;
 * frame/DuVad.def repeats each argument byte count, so a drift there fails to link.
 */
#ifndef DUVAD_H
#define DUVAD_H

#include <windows.h>

/* int32_t: a signed 32-bit integer, from <stdint.h>. Visual C++ 6 to 2008 (_MSC_VER below 1600)
 * have no <stdint.h>: there it is declared here, as __int32, unless the project declares it
 * already and defines DUVAD_HAVE_INT32_T. */
#if defined(_MSC_VER) && _MSC_VER < 1600
#ifndef DUVAD_HAVE_INT32_T
typedef __int32 int32_t;
#endif
#else
#include <stdint.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Message pump, pauses and sounds --------------------------------------------------------- */

/* Handles every message in the calling thread's queue (when no keyboard input is waiting), also
 * those the caller's own GetMessage, PeekMessage or GetQueueStatus has already seen, then keeps
 * doing so every 100 ms until `duration` milliseconds are used up (0 or less: one pass, no pause).
 * A pass takes what was waiting when it began (at most 250 ms of handlers), so a timer that is
 * always due again cannot hold it; a WM_QUIT it meets is put back for the caller's own loop and
 * ends the pass. Returns 1 (0 only if the pause timer could not be made). */
int32_t WINAPI GoEvents(int32_t duration);

/* Pauses the calling thread for `milliseconds` (unsigned) without handling messages.
 * 0xFFFFFFFF never returns. Returns 1 (0 only if the pause timer could not be made).
 * Trap: a value below 0 is no error but a pause of 4294967296 plus the value in milliseconds,
 * about 49 days (VB has no unsigned Long): check a computed pause before passing it. */
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
 * under 7008 bytes); where the last 7008 bytes hold none, the last one before up to 300 empty
 * sectors (a CDXA file's margin, zero padding) or in a partial last pack. From the size: the
 * track file's length in 2336-byte sectors (data sectors + 85), exact for files of any size.
 * *compliant is 1 when the header meets the Video CD rules (352x240 code 12 at 29.97 or
 * 23.976 Hz, 352x288 code 8 at 25 Hz, under 1151929 bit/s); a header cut off by the end of the
 * file (its missing bytes read as 0) never does.
 * Every pointer may be null (value not wanted).
 *   1   sequence header found: every out-parameter written
 *   0   no sequence header: *compliant = 0, playing time and length written
 *  -1   the file cannot be opened (nothing written)
 *  -2   the file is too large for its length in sectors to fit 32 bits: *compliant = 0 only */
int32_t WINAPI AnalyzeMpeg(const char* fileName, int32_t* compliant, int32_t* width, int32_t* height,
                           int32_t* aspectCode, int32_t* rateCode, int32_t* bitRate, int32_t* playingSeconds,
                           int32_t* sectors);
#define DUVAD_ANALYZEMPEG_FOUND       1
#define DUVAD_ANALYZEMPEG_NO_HEADER   0
#define DUVAD_ANALYZEMPEG_CANNOT_OPEN (-1)
#define DUVAD_ANALYZEMPEG_TOO_LARGE   (-2)

/* Makes one Video CD track file per source (sources: file names, each line ending in CR LF) and
 * completes and writes the image of the disc's first track. targets: line 1 the image file, line
 * k + 1 the track file of source k. Each track file is 30 empty sectors, the source's sectors
 * (plain stream: 2324-byte packs wrapped into made Form 2 sectors; RIFF CDXA: raw sectors
 * without their 16-byte head) and 55 empty sectors, 2336 bytes each; GoEvents(0) runs after every
 * sector. image: `length` bytes (whole 2336-byte sectors, at least 352884), patched for the track
 * files and the date (local time with the offset in force, daylight time included) and written to
 * the image file. Files written end where their contents end. Lists are checked whole before any
 * file is touched (a null pointer is an empty list); so is every output (image and track files)
 * against every source and every other output by full path, and a source or output that reaches a
 * device (see the top of this file). Every name is resolved to its full path once, at the start:
 * a handler of the host that changes the current folder during the call changes nothing. The
 * outputs are then opened, held without write sharing to the end of the call (a call from the
 * host's handlers cannot write them), and compared again by file identity while the sources are
 * held open too (where a file system gives volume serial number 0, by full path, or by the same
 * file index with the same size and times), and one that is a folder or no disk file is refused,
 * before any data is written; empty outputs the call made are deleted again when it fails, by the
 * full path they were made under and only while it still leads to the file made.
 *   1          every track file and the image file were written
 *  -100 - i    source i cannot be opened or read; source line i lacks CR LF or its name has 256
 *              bytes or more; a 33rd source line (-133); source i too large for a track
 *  -200 - i    source i is neither RIFF CDXA nor begins with a pack start code
 *  -300 - i    track file i cannot be opened (also: another writer holds it) or written; its
 *              target line is missing or bad; it is a source or another output (the first output
 *              of such a pair, in list order, is named), a device, a folder or no disk file:
 *              refused before anything is written
 *  -300        the image file cannot be opened or written; its line is missing or bad; the
 *              image buffer is null or shorter than 352884 bytes; it is a source or a track file,
 *              a device, a folder or no disk file (refused before anything is written)
 * Trap: i counts from 1: the first source line gives -101 and its track file (target line 2)
 * -301; the source or track is the value's distance from -100, -200 or -300.
 * Trap: `image` is the caller's own first track, prepared whole before the call: an ISO 9660
 * volume in CD-ROM XA form (2336-byte sectors) with the Video CD folders, VCD/INFO.VCD in sector
 * 150, VCD/ENTRIES.VCD in sector 151 and, in MPEGAV (sector 21), one directory record per track
 * file. The call enters only what depends on the track files and the date (places, lengths,
 * record dates, entries, volume size and dates) and clears the records of tracks not used. To
 * get one, run the host tool on the same files: duvad.exe make OUTDIR FILE... writes such an
 * image, OUTDIR\TRACK01.IMG (300 sectors); load it whole and pass it. */
int32_t WINAPI PrepareVcdFiles(char* image, int32_t length, const char* sources, const char* targets);
#define DUVAD_PREPAREVCDFILES_DONE     1
#define DUVAD_PREPAREVCDFILES_SOURCE   (-100)
#define DUVAD_PREPAREVCDFILES_NOT_MPEG (-200)
#define DUVAD_PREPAREVCDFILES_OUTPUT   (-300)

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
#define DUVAD_DRIVESETTING9598_FOUND     1
#define DUVAD_DRIVESETTING9598_NOT_FOUND 0
#define DUVAD_DRIVESETTING9598_NT_FAMILY (-1)

/* Reads (mode 0; up to 4 bytes into *autorun, nothing changed when the value is missing) or writes
 * (any other mode; the low byte as a 1-byte REG_BINARY) the CD-ROM service's "Autorun" on NT.
 * Returns -1 outside the NT family; 0 when the service key cannot be opened for reading and
 * writing (or autorun is null); 1 when the read or write was attempted. */
int32_t WINAPI DriveSettingNT(int32_t mode, int32_t* autorun);
#define DUVAD_DRIVESETTINGNT_DONE        1
#define DUVAD_DRIVESETTINGNT_CANNOT_OPEN 0
#define DUVAD_DRIVESETTINGNT_NOT_NT      (-1)

/* Asks for an immediate restart (not a power-off, applications not forced to close) with the
 * shutdown privilege enabled, then disables it again (on every path once the token is open).
 * Returns 0 when the system lacks the restart calls (they are NT's), the process token cannot
 * be opened, the system refuses the restart request or disabling fails; otherwise non-zero. */
int32_t WINAPI NTRestart(void);

/* Returns 0 outside the NT family, 5 on NT major version 5, 4 on any other NT version.
 * Trap: 4 is every NT whose major version is not 5: NT 3.x and 4, and Vista to 11 alike (5 is
 * 2000, XP and Server 2003), so DUVAD_ITSNT_NT4 does not mean NT 4. OSType tells NT 4 (1000)
 * from later systems (2000). */
int32_t WINAPI ItsNT(void);
#define DUVAD_ITSNT_NOT_NT 0
#define DUVAD_ITSNT_NT4    4
#define DUVAD_ITSNT_NT5    5

/* Copies the service-pack text (at most 127 characters and a zero) into `servicePack` unless it is
 * null. Returns 95 (95/98 family, minor version 0), 98 (that family, any other minor version),
 * 1000 (NT below version 5), 2000 (NT 5 or later) or 0 (any other platform). */
int32_t WINAPI OSType(char* servicePack);
#define DUVAD_OSTYPE_OTHER 0
#define DUVAD_OSTYPE_WIN95 95
#define DUVAD_OSTYPE_WIN98 98
#define DUVAD_OSTYPE_NT4   1000
#define DUVAD_OSTYPE_NT5   2000

/* Reads the value `valueName` of HKEY_CURRENT_USER\`subKey` (the key is created when missing)
 * into `block` when it is exactly `length` bytes long (any type; at most 100000 bytes). A null or
 * empty `subKey` is HKEY_CURRENT_USER itself; a null `valueName` is the key's default value.
 * Returns 1 when copied; 0 when the value has another length; -1 when the key cannot be opened
 * or the value cannot be read (missing, longer than 100000 bytes), or for a null block. The
 * block is written only when the result is 1.
 * Trap: Windows 95 and 98 ignore a backslash at the start of `subKey`; NT refuses such a key
 * (-1), so a program tried on 98 fails on NT: write "Software\Maker\Program", never
 * "\Software\...". */
int32_t WINAPI ReadRegBlock(const char* subKey, const char* valueName, void* block, int32_t length);
#define DUVAD_READREGBLOCK_COPIED       1
#define DUVAD_READREGBLOCK_OTHER_LENGTH 0
#define DUVAD_READREGBLOCK_FAILED       (-1)

/* Stores `length` bytes of `block` as the REG_BINARY value `valueName` of
 * HKEY_CURRENT_USER\`subKey` (the key is created when missing; null subkey and value name, and a
 * leading backslash, as for ReadRegBlock). Returns 1 when written; -1 when the key cannot be
 * opened or the value not written, for a null block (unless length is 0), a negative length, or a
 * block over 100000 bytes, which ReadRegBlock could not read back (the value stored before is then
 * kept). */
int32_t WINAPI WriteRegBlock(const char* subKey, const char* valueName, const void* block, int32_t length);
#define DUVAD_WRITEREGBLOCK_WRITTEN 1
#define DUVAD_WRITEREGBLOCK_FAILED  (-1)

/* Returns 1 when a top-level window (hidden ones too) has a title whose first 255 characters
 * contain "DIRECTCD" in any case; 0 otherwise. */
int32_t WINAPI FindDirectCD(void);

/* Sends WM_USER with wParam `value` and lParam 0 to the companion program's "DARUVE" window and
 * returns its answer unchanged. Returns -1 when no such window exists (nothing sent), or when the
 * window has not answered within 30 seconds (a companion busy with a drive is waited for, also
 * when the system calls it not responding). */
int32_t WINAPI EnablepkWR(int32_t value);
#define DUVAD_ENABLEPKWR_NO_ANSWER (-1)

/* ---- Files and paths (files/) --------------------------------------------- */

/* Directory enumeration. FFirst starts a search for `pattern` (a path whose last part may hold * and
 * ?) and delivers the first entry: its name into `longName` (260 bytes), its 8.3 alias (or the name
 * again when it has none) into `shortName` (260 bytes), `*kind` 1 for a folder and 2 for anything
 * else, `*sizeKB` (may be null) its whole size in started kilobytes, at most 2147483647.
 * Returns the search handle, or -1 when nothing matches (names empty, kind and size 0).
 * FNext: 1 with the next entry of `search` (outputs as for FFirst), 0 when there is none (names
 * empty, kind and size 0), also for a `search` of 0 or below (no search, such as FFirst's
 * none); the search stays open until FEnd. FEnd closes `search` (nothing for 0 or below) and
 * returns 1 always.
 * IsFileExisting: 1 when at least one entry matches `name`, else 0. */
int32_t WINAPI FFirst(const char* pattern, char* longName, char* shortName, int32_t* kind, int32_t* sizeKB);
int32_t WINAPI FNext(int32_t search, char* longName, char* shortName, int32_t* kind, int32_t* sizeKB);
int32_t WINAPI FEnd(int32_t search);
int32_t WINAPI IsFileExisting(const char* name);
#define DUVAD_FFIRST_NONE (-1)

/* Probes, each one attempt at the real operation: 1 yes, 0 no.
 * IsFileReadable: opens for reading, sharing reading and writing.
 * IsFileErasable: opens for writing with no sharing (0 for read-only or open files).
 * IsFolderWritable: creates and deletes "~KvCheck.tmp" in `folder` (with or without a trailing
 * backslash, decided by the last character in double-byte code pages; 0 for an empty folder, or
 * one longer than 242 bytes, 243 with its backslash). An existing file of that name is never
 * opened: the probe then tries "~KvChk01.tmp" to "~KvChk15.tmp"; 0 when all 16 names are taken.
 * Only the file this call made is deleted. */
int32_t WINAPI IsFileReadable(const char* name);
int32_t WINAPI IsFileErasable(const char* name);
int32_t WINAPI IsFolderWritable(const char* folder);

/* Writes the temporary folder (ending in a backslash) into `path` (128 bytes). Returns its length,
 * the size needed when it does not fit 128 bytes (then `path` is not to be used), 0 on failure.
 * Trap: only 1 to 127 is a length; 128 and more (a long TMP) means no folder was delivered. */
int32_t WINAPI GetWinTempPath(char* path);

/* Free kilobytes (at most 2147483647) of the volume of `path`: "X:..." asks for X:\, "\\server\..." for
 * the folder up to the last backslash, anything else (null, empty, relative) for the current drive.
 * 1000000000 for a network path that cannot be asked; 0 when the volume cannot be asked at all. */
int32_t WINAPI VolumeFreeKB(const char* path);
#define DUVAD_VOLUMEFREEKB_NETWORK 1000000000
#define DUVAD_VOLUMEFREEKB_UNKNOWN 0

/* Sector-wise reading (2048-byte sectors). OpenFileInSectors opens `name` unshared and stores its
 * whole sectors in `*sectorsInFile` (may be null). Returns the handle; -1 cannot be opened; -2 the
 * size is not a multiple of 1024 (the file is closed again).
 * ReadFileInSectors zero-fills count x 2048 bytes of `buffer`, reads that much from the current
 * position and stores the whole sectors read (may be null). Returns 1, or -1 when the read fails
 * or count x 2048 does not fit 32 bits (buffer untouched then), or for a handle of 0 or below.
 * CloseFileInSectors: 1, or -1 for a handle that is not open; 0 and negative values (the open's
 * -1 and -2 too) are no handles: -1, and nothing is closed. */
int32_t WINAPI OpenFileInSectors(const char* name, int32_t* sectorsInFile);
int32_t WINAPI ReadFileInSectors(int32_t handle, char* buffer, int32_t count, int32_t* sectorsRead);
int32_t WINAPI CloseFileInSectors(int32_t handle);
#define DUVAD_CLOSEFILEINSECTORS_DONE       1
#define DUVAD_CLOSEFILEINSECTORS_NOT_OPEN   (-1)
#define DUVAD_READFILEINSECTORS_DONE        1
#define DUVAD_READFILEINSECTORS_FAILED      (-1)
#define DUVAD_OPENFILEINSECTORS_CANNOT_OPEN (-1)
#define DUVAD_OPENFILEINSECTORS_NOT_WHOLE   (-2)

/* Compares two files: 0 identical, n > 0 same size and first different byte n (2147483647 for any
 * difference past that byte), -1 / -2 reading the first / second file failed or came up short,
 * -3 the sizes differ, -4 / -5 the first / second file cannot be opened. */
int32_t WINAPI MatchFiles(const char* firstName, const char* secondName);
#define DUVAD_MATCHFILES_SAME               0
#define DUVAD_MATCHFILES_FIRST_SHORT        (-1)
#define DUVAD_MATCHFILES_SECOND_SHORT       (-2)
#define DUVAD_MATCHFILES_SIZES_DIFFER       (-3)
#define DUVAD_MATCHFILES_FIRST_CANNOT_OPEN  (-4)
#define DUVAD_MATCHFILES_SECOND_CANNOT_OPEN (-5)
#define DUVAD_MATCHFILES_PAST_LAST          2147483647

/* Tests one name (no path) against the rule of `mode`; `flags` bit 0x10 marks a directory name in
 * mode 0. Mode 0: 8.3 upper-case letters, digits, underscore, one extension; 1: at most 31 bytes;
 * 2: at most 220 bytes (both in the OEM code page); 3 and 5: at most 110 characters; 4: at most
 * 128 characters; other modes accept everything.
 * Returns 0 fits, -1 too long, -2 directory name with a dot, -3 more than 3 characters after the
 * first dot, -4 a character outside the mode 0 set. */
int32_t WINAPI CheckFileName(int32_t mode, int32_t flags, const char* name);
#define DUVAD_CHECKFILENAME_FITS           0
#define DUVAD_CHECKFILENAME_TOO_LONG       (-1)
#define DUVAD_CHECKFILENAME_DIRECTORY_DOT  (-2)
#define DUVAD_CHECKFILENAME_LONG_EXTENSION (-3)
#define DUVAD_CHECKFILENAME_BAD_CHARACTER  (-4)

/* Path searches, character by character in the ANSI code page (a double-byte character's trail
 * byte is never a backslash or a dot). Positions are 1-based bytes, 0 for none.
 * InStrBackS: first backslash at or after character `start`. IsLastBackS: 1 when `text` ends in a
 * backslash. InStrDot: the last dot. */
int32_t WINAPI InStrBackS(int32_t start, const char* text);
int32_t WINAPI IsLastBackS(const char* text);
int32_t WINAPI InStrDot(const char* text);

/* Copies the file byte for byte to "LPT<port>:" in blocks of 32000, calling GoEvents(100) after
 * every read. Returns 1, or 0 when the file or port cannot be opened, a read fails, or the write of
 * any block failed or took fewer bytes than it was given (the transfer still runs to the end). */
int32_t WINAPI DumpFileToPrinter(const char* name, int32_t port);

/* The file version's four parts (most significant first) into the pointers that are not null.
 * Returns 1, or 0 (nothing written) when the file cannot be read or has no version resource. */
int32_t WINAPI ReadFileInfo(const char* name, int32_t* major, int32_t* minor, int32_t* third, int32_t* fourth);

/* ---- Windows, shell, list views and dialogs (shell/) ---------------------- */

/* Top-level window of class "ThunderRT6MDIForm" whose title begins with `titlePrefix` (byte-wise,
 * case distinguished; "" matches any title), the first in Z order. Returns its handle, or 0 when
 * there is none (also for a null prefix).
 * Trap: that class is the MDI form of a compiled VB6 program; run in the VB6 IDE the form has
 * another class (ThunderMDIForm) and the result is 0. */
int32_t WINAPI FindThisVB6MDIWindow(const char* titlePrefix);

/* mode 1: arranges the "ExploreWClass" window (when missing, the Windows folder's EXPLORER.EXE is
 * started by its full path, never one found in the program's or current folder, waiting about
 * 3 s) below `hostWindow` in the work area, remembering both windows' places; mode 0 puts both
 * back. Returns 1 when done, or for any other mode (which does nothing); 0 when mode 1 finds no
 * Explorer window or mode 0 finds no arranged Explorer window. */
int32_t WINAPI AllineaConExplorer(HWND hostWindow, int32_t mode);

/* The file names of the clipboard's file list (CF_HDROP), each followed by CR LF, into `list`
 * (at least 4098 bytes; names stop before the text would pass 4095 characters). Returns the
 * number of names written; 0 with `list` empty when there is no list, the clipboard is busy, or
 * the list's block does not hold its form. A name that has no exact ANSI form or is over 255
 * characters comes as its short name when that fits, else it is left out; so is a name with CR or
 * LF or ending in a lone lead byte. A name left out takes the room of its line from the bound. */
int32_t WINAPI GetHDrop(HWND ownerWindow, char* list);

/* Opens the shell's property sheet of a file or folder. Returns 1 when the shell accepted the
 * request, 0 when not (a missing file; a null path).
 * Trap: for a path that does not exist the shell first shows its own error box, which the user
 * must close: ask IsFileExisting before. */
int32_t WINAPI InvokeShellProperties(const char* path);

/* The shell's folder browser, centred over `ownerWindow` (with none, where the shell puts it),
 * opening at the folder picked last (at first the current directory), `title` (at most 1023
 * characters shown; null: none) above the tree. Writes the folder picked into `folder` (at least 512 bytes). Returns 1
 * when a folder was picked; 0 when cancelled (last folder kept), for an item with no file-system path (last folder
 * forgotten) or a null `folder`. */
int32_t WINAPI ShellGetFolder(HWND ownerWindow, const char* title, char* folder);

/* The program files folder with one backslash at its end, into `folder` (at least 129 bytes).
 * When it cannot be read, `folder` gets the backslash alone. Returns 0. */
int32_t WINAPI GetProgamFilesFolder(char* folder);

/* Registers a file type under HKEY_CLASSES_ROOT: `extension` -> `typeName`; `typeName` ->
 * `description`, with Shell\Open\Command = `openCommand` and DefaultIcon = `defaultIcon`
 * (default values, REG_SZ). Returns 0 (ERROR_SUCCESS) when every registry call succeeded, otherwise
 * the code of the first that failed (the writes after it are still tried); ERROR_INVALID_PARAMETER
 * (87), with nothing written, when an argument is null or the extension or type name is empty.
 * A leading backslash in the extension or type name is ignored on Windows 95 and 98; NT refuses
 * that key (ERROR_BAD_PATHNAME, 161). */
int32_t WINAPI ExtensionReg(const char* extension, const char* typeName, const char* description,
                            const char* openCommand, const char* defaultIcon);
#define DUVAD_EXTENSIONREG_DONE    0
#define DUVAD_EXTENSIONREG_INVALID 87

/* The text of cell (`item`, `subItem`) of a list view into `text` (at least 1024 bytes; at most
 * 1023 characters; "" for a missing cell or a window that is no list view). Returns 0. */
int32_t WINAPI GetLVItemText(HWND listView, int32_t item, int32_t subItem, char* text);

/* Sets the text of a list view cell. Returns 1 when the control took it, 0 when not (item out of
 * range, no list view, null text). */
int32_t WINAPI SetLVItemText(HWND listView, int32_t item, int32_t subItem, const char* text);

/* Takes the focus mark off every item of a list view; the selection stays. Returns 1 when the
 * control accepted it, 0 when not. */
int32_t WINAPI RemoveLVFocus(HWND listView);

/* The Open or Save As dialog. kind 1: open one file; 2: open one or several; 5: save, asking before
 * overwriting; 6: save without asking; others show nothing. `title` may be null (the system's
 * caption). `filter`: "Text files|*.txt|All files|*.*|", a zero byte, two skipped characters, the
 * default extension (at most 7 characters, no dot) and a zero byte; a zero among the two skipped
 * characters ends the argument (no default extension), so "Text|*.txt|" with the two zero bytes a
 * VB6 string brings is enough. A filter text that does not fit the 256-byte list (over 255
 * characters, or 255 not ending in a bar) keeps the whole pairs that fit. `file`: in, the initial
 * name (under 10000 characters); out, the chosen path, or for kind 2 the full paths, each followed
 * by CR LF: as many whole paths as fit in 10000 bytes with the terminator, never a cut one.
 * Returns 0 when cancelled, failed or refused (`file` unchanged); 1 for kinds 1, 5, 6; for kind 2
 * the number of paths written (fewer than picked when 10000 bytes cannot hold them all).
 * Trap: the dialog changes the program's current folder to the one the user browsed to, even when
 * cancelled (as VB6's CommonDialog does without cdlOFNNoChangeDir): use full paths after it. */
int32_t WINAPI GetFilenameForOpenOrSave(HWND ownerWindow, int32_t kind, const char* title, const char* filter,
                                        char* file);

/* The Print Setup dialog preset to the remembered printer (`names`: DEVNAMES bytes, `deviceMode`:
 * DEVMODEA bytes, lengths in and out, 0 when none); mode 1 returns an information context, mode 3
 * a device context for the remembered (or default) printer without a dialog, others a device
 * context. The context goes to *context and belongs to the caller (DeleteDC).
 * The dialog is shown at most twice: once more, at the default printer, when it fails for a
 * remembered printer. Returns 1 made; 0 cancelled; -1 no printer (PDERR_NODEVICES,
 * PDERR_NODEFAULTPRN); -2 the dialog failed otherwise (twice, when a printer was remembered), mode
 * 3 found no default printer, or a pointer is null; -3 mode 3 could not
 * make the device context. Blocks whose own sizes or offsets pass their lengths, whose device
 * or form name runs to their end unterminated, or whose names offsets point into its four words
 * are not used: the dialog opens at the default printer (-2 without a names block), mode 3
 * returns -3.
 * The blocks the dialog returns are written back whole, whatever their size: size the caller's
 * buffers for the largest. `names`: 2048 bytes (8 bytes, then the driver, printer and port names).
 * `deviceMode`: 66560 bytes (65536 + 1024): the public part (at most 156 bytes) and the driver's
 * private part, which may take up to 65535 bytes. A printer's own size is what
 * DocumentPropertiesA(owner, NULL, printerName, NULL, NULL, 0) returns (winspool). */
int32_t WINAPI PrinterSetup(HWND ownerWindow, int32_t mode, HDC* context, char* names, int32_t* namesLength,
                            char* deviceMode, int32_t* deviceModeLength);
#define DUVAD_PRINTERSETUP_MADE       1
#define DUVAD_PRINTERSETUP_CANCELLED  0
#define DUVAD_PRINTERSETUP_NO_PRINTER (-1)
#define DUVAD_PRINTERSETUP_FAILED     (-2)
#define DUVAD_PRINTERSETUP_NO_CONTEXT (-3)

/* The Color dialog at `initialColour` (0x00BBGGRR), custom colours all white. Returns the colour
 * chosen, or -1 when cancelled or failed. */
int32_t WINAPI GetAColor(HWND ownerWindow, int32_t initialColour);
#define DUVAD_GETACOLOR_CANCELLED (-1)

/* The Font dialog (TrueType screen fonts, effects) on the font described: `faceName` (at least 32
 * bytes), *size in twips, *weight, *italic and *underline (low byte, 0 off), *colour. On a choice
 * all six are written (size in twips) and the result is 1; 0 when cancelled, failed or a pointer
 * is null, nothing written. */
int32_t WINAPI GetAFont(HWND ownerWindow, char* faceName, int32_t* size, int32_t* weight, int32_t* italic,
                        int32_t* underline, int32_t* colour);

#ifdef __cplusplus
}
#endif

#endif /* DUVAD_H */
