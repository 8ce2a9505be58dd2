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

/* Directory enumeration. FFirst starts a search for `pattern` (a path whose last part may hold * and
 * ?) and delivers the first entry: its name into `longName` (260 bytes), its 8.3 alias (or the name
 * again when it has none) into `shortName` (260 bytes), `*kind` 1 for a folder and 2 for anything
 * else, `*sizeKB` (may be null) the low 32 bits of its size in started kilobytes.
 * Returns the search handle, or -1 when nothing matches (names empty, kind and size 0).
 * FNext: 1 with the next entry, 0 when there is none (outputs cleared as above); the search stays
 * open until FEnd, which closes it and returns 1 always.
 * IsFileExisting: 1 when at least one entry matches `name`, else 0. */
int32_t WINAPI FFirst(const char* pattern, char* longName, char* shortName, int32_t* kind, int32_t* sizeKB);
int32_t WINAPI FNext(int32_t search, char* longName, char* shortName, int32_t* kind, int32_t* sizeKB);
int32_t WINAPI FEnd(int32_t search);
int32_t WINAPI IsFileExisting(const char* name);

/* Probes, each one attempt at the real operation: 1 yes, 0 no.
 * IsFileReadable: opens for reading, sharing reading and writing.
 * IsFileErasable: opens for writing with no sharing (0 for read-only or open files).
 * IsFolderWritable: creates and deletes "~KvCheck.tmp" in `folder` (with or without a trailing
 * backslash; 0 for an empty folder, or one longer than 242 bytes, 243 with its backslash). */
int32_t WINAPI IsFileReadable(const char* name);
int32_t WINAPI IsFileErasable(const char* name);
int32_t WINAPI IsFolderWritable(const char* folder);

/* Writes the temporary folder (ending in a backslash) into `path` (128 bytes). Returns its length,
 * the size needed when it does not fit 128 bytes (then `path` is not to be used), 0 on failure. */
int32_t WINAPI GetWinTempPath(char* path);

/* Free kilobytes (low 32 bits) of the volume of `path`: "X:..." asks for X:\, "\\server\..." for
 * the folder up to the last backslash, anything else (null, empty, relative) for the current drive.
 * 1000000000 for a network path that cannot be asked; 0 when the volume cannot be asked at all. */
int32_t WINAPI VolumeFreeKB(const char* path);

/* Sector-wise reading (2048-byte sectors). OpenFileInSectors opens `name` unshared and stores its
 * whole sectors in `*sectorsInFile` (may be null). Returns the handle; -1 cannot be opened; -2 the
 * size is not a multiple of 1024 (the file is closed again).
 * ReadFileInSectors zero-fills count x 2048 bytes of `buffer`, reads that much from the current
 * position and stores the whole sectors read (may be null). Returns 1, or -1 when the read fails
 * or count x 2048 does not fit 32 bits (buffer untouched then).
 * CloseFileInSectors: 1, or -1 for a handle that is not open. */
int32_t WINAPI OpenFileInSectors(const char* name, int32_t* sectorsInFile);
int32_t WINAPI ReadFileInSectors(int32_t handle, char* buffer, int32_t count, int32_t* sectorsRead);
int32_t WINAPI CloseFileInSectors(int32_t handle);

/* Compares two files: 0 identical, n > 0 same size and first different byte n (2147483647 for any
 * difference past that byte), -1 / -2 reading the first / second file failed or came up short,
 * -3 the sizes differ, -4 / -5 the first / second file cannot be opened. */
int32_t WINAPI MatchFiles(const char* firstName, const char* secondName);

/* Tests one name (no path) against the rule of `mode`; `flags` bit 0x10 marks a directory name in
 * mode 0. Mode 0: 8.3 upper-case letters, digits, underscore, one extension; 1: at most 31 bytes;
 * 2: at most 220 bytes (both in the OEM code page); 3 and 5: at most 110 characters; 4: at most
 * 128 characters; other modes accept everything.
 * Returns 0 fits, -1 too long, -2 directory name with a dot, -3 more than 3 characters after the
 * first dot, -4 a character outside the mode 0 set. */
int32_t WINAPI CheckFileName(int32_t mode, int32_t flags, const char* name);

/* Path searches, character by character in the ANSI code page (a double-byte character's trail
 * byte is never a backslash or a dot). Positions are 1-based bytes, 0 for none.
 * InStrBackS: first backslash at or after character `start`. IsLastBackS: 1 when `text` ends in a
 * backslash. InStrDot: the last dot. */
int32_t WINAPI InStrBackS(int32_t start, const char* text);
int32_t WINAPI IsLastBackS(const char* text);
int32_t WINAPI InStrDot(const char* text);

/* Copies the file byte for byte to "LPT<port>:" in blocks of 32000, calling GoEvents(100) after
 * every read. Returns 1, or 0 when the file or port cannot be opened, a read fails, or the write
 * of the last block fails. */
int32_t WINAPI DumpFileToPrinter(const char* name, int32_t port);

/* The file version's four parts (most significant first) into the pointers that are not null.
 * Returns 1, or 0 (nothing written) when the file cannot be read or has no version resource. */
int32_t WINAPI ReadFileInfo(const char* name, int32_t* major, int32_t* minor, int32_t* third, int32_t* fourth);

/* ---- Windows, shell, list views and dialogs (shell/) ---------------------- */

#ifdef __cplusplus
}
#endif

#endif /* DUVAD_H */
