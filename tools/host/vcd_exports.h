// The Video CD exports as the host tool binds them. They are being added to include/DuVad.h beside
// this tool; until that header declares them, these are the same prototypes (remove this file
// once it does: a second, differing declaration would then fail to compile).
#pragma once
#include <windows.h>

#include <cstdint>

extern "C" {
int32_t WINAPI AnalyzeMpeg(const char* fileName, int32_t* compliant, int32_t* width, int32_t* height,
                           int32_t* aspect, int32_t* rate, int32_t* bitRate, int32_t* seconds,
                           int32_t* sectors);
int32_t WINAPI PrepareVcdFiles(uint8_t* image, int32_t length, const char* sources, const char* targets);
}
