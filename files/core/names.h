// File name rules and the path searches of the host, character by character in the ANSI code page
// (a byte 0x5C or 0x2E that trails a lead byte is part of a double-byte character, never a
// backslash or a dot). Positions are 1-based byte positions; 0 means "not found".
#pragma once
#include <cstddef>
#include <cstdint>

#include "files/core/codepage.h"

namespace duvad::files {

// Result codes of checkFileName.
constexpr int32_t kNameFits = 0;
constexpr int32_t kNameTooLong = -1;
constexpr int32_t kNameDirWithDot = -2;
constexpr int32_t kNameLongExtension = -3;
constexpr int32_t kNameBadCharacter = -4;

constexpr uint32_t kDirectoryFlag = 0x10;  // the directory bit of file attribute words
constexpr size_t kOemCopySize = 512;       // the OEM work copy, terminating zero included

// The next character after `p`, as CharNextA steps: a lead byte with its trail byte is one
// character, a lead byte right before the terminating zero is one, the terminating zero stays.
const char* charNext(const char* p, const CodePage& cp);

// Characters of `text`; a lead byte standing last without a trail byte is not counted.
size_t countChars(const char* text, const CodePage& cp);

// The naming rule of `mode` (0 short names, 1 to 5 length limits, others accept everything).
// A null name is taken as the empty name.
int32_t checkFileName(uint32_t mode, uint32_t flags, const char* name, const CodePage& cp);

// Position of the first backslash at or after character `start` (1-based; 1 or less: the first).
int32_t inStrBackS(int32_t start, const char* text, const CodePage& cp);

// 1 when the text ends in a backslash character, else 0.
int32_t isLastBackS(const char* text, const CodePage& cp);

// Position of the last dot character, or 0.
int32_t inStrDot(const char* text, const CodePage& cp);

// Byte offset just past the last backslash character of text[0, length), or 0 when there is none.
size_t pastLastBackslash(const char* text, size_t length, const CodePage& cp);

// Whether `path` names a device rather than a file, so that opening it would reach the device: its
// last component (after the last backslash or slash character, and after a drive letter's colon)
// is CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$ or CLOCK$ in any case, whatever
// follows a dot or a colon and whatever spaces stand before them (nul.txt, C:\x\Com1 .bin, LPT1:),
// in any folder; or it is a device-namespace name without a folder (\\.\C:, \\?\PhysicalDrive0).
// The system takes all of these for the device. A null path is not one.
bool isDeviceName(const char* path, const CodePage& cp);

// Whether a full path, as the system resolves a name (GetFullPathNameA: "." and ".." taken out,
// slashes made backslashes), reaches something other than a file of a drive: a device name as
// above, or any \\.\ or \\?\ name but a drive-letter path (\\?\C:\...): raw volumes and disks
// (\\.\x\..\Q: resolves to \\.\Q:), pipes, GLOBALROOT. Decided on the resolved path, since the
// raw text of such a name hides what it reaches. A null path is not one.
bool isDevicePath(const char* fullPath, const CodePage& cp);

}  // namespace duvad::files
