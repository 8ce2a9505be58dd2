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

#ifdef __cplusplus
}
#endif

#endif /* DUVAD_H */
