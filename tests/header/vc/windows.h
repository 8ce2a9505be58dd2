/* A stand-in for the Platform SDK's <windows.h> of Visual C++ 6 to 2008, holding just what DuVad.h
 * uses, so the header can be compiled where no <stdint.h> (and no other system header) exists. */
#ifndef DUVAD_TEST_WINDOWS_H
#define DUVAD_TEST_WINDOWS_H
#define WINAPI __stdcall
typedef struct HWND__* HWND;
typedef struct HDC__* HDC;
#endif
