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
 *  -300 - i    track file i cannot be opened or written; its target line is missing or bad;
 *              it is source i itself (by any of its names): refused before a byte is written
 *  -300        the image file cannot be opened or written; its line is missing or bad; the
 *              image buffer is null or shorter than 352884 bytes */
int32_t WINAPI PrepareVcdFiles(char* image, int32_t length, const char* sources,
                               const char* targets);

/* ---- Recorder drives and system settings (drives/) ------------------------ */

/* ---- Files and paths (files/) --------------------------------------------- */

/* ---- Windows, shell, list views and dialogs (shell/) ---------------------- */

#ifdef __cplusplus
}
#endif

#endif /* DUVAD_H */
