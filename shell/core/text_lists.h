// Text the shell and dialog services hand to the host, built apart from the platform: the file
// list text (full paths, each followed by CR LF), the Open dialog's filter list made from the
// host's bar-separated filter argument, a multiple selection turned into full paths, and the names
// of a printer names block.
#pragma once
#include <cstddef>
#include <cstdint>

#include "files/core/codepage.h"

namespace duvad::shell {

// ---- File list text -------------------------------------------------------------------------

// Bound of a clipboard file list: the text so far plus the next name may not pass 4095 characters
// (the CR LF after each name is not counted, so the text may reach 4097 characters).
constexpr size_t kFileListBound = 4095;
constexpr size_t kFileListBytes = kFileListBound + 2 + 1;  // 4098: the caller's buffer

// Appends `name` and CR LF to the file list text in `list` (length `*length`, terminated) unless
// the text so far plus the name would pass `bound`. Returns false, with nothing appended, then.
bool appendFileListName(char* list, size_t* length, const char* name, size_t bound = kFileListBound);

// A name the file list text can carry as one line: no CR or LF in it (either would split the line,
// the second part naming another file), and its last character whole in code page `cp` (a lead
// byte without its trail byte would take the CR that follows as its trail and join the next line).
bool fitsOneLine(const char* name, const files::CodePage& cp);

// A name of another program's block that is left out (no exact form, or not one line) still takes
// from the bound the line it would have made: its characters (at most the 255 a name area holds)
// and CR LF, added to `*leftOut`. So every name the loop looks at counts, and a block of names that
// are all left out ends like any other, after at most about 1365 names. The text written so far is
// `length` long; the next name is appended against `bound - *leftOut`. Returns false when no name,
// not even one of a single character, can fit any more.
constexpr size_t kFileListNameMost = 255;
bool leaveOutFileListName(size_t length, size_t* leftOut, size_t nameLength, size_t bound = kFileListBound);

// ---- Open and Save dialog filter ------------------------------------------------------------

constexpr size_t kFilterListBytes = 256;  // the platform's filter list, closed by an empty string
constexpr size_t kDefaultExtBytes = 8;    // at most 7 characters

// Builds the dialog's filter list and default extension from the host's filter argument: the
// filter text ("Text files|*.txt|All files|*.*|"), its terminator, two skipped characters and
// the default extension with its terminator. Every "|" becomes a zero byte; the list is closed by
// an empty string. A filter text that does not fit the list (over 255 characters, or 255 whose
// last is not a bar: a final bar's zero closes the list) keeps the whole pairs that fit (a pair cut in half
// would pair a description with the wrong pattern). A zero among the two skipped characters ends
// the argument: no default extension, and nothing after that zero is read. Returns false when
// not even one pair fits or the default extension is over 7 characters: then nothing can be
// shown as asked.
bool buildFilterList(const char* filter, char (&list)[kFilterListBytes], char (&defaultExt)[kDefaultExtBytes]);

// ---- Multiple selection ---------------------------------------------------------------------

// What an Open dialog that allows several files left in its file area: either one full path (the
// byte before the name offset is not zero), or the folder, a zero byte, the names, each ended by a
// zero byte, and an empty name. Writes the file list text of the full paths into `out`, joining
// folder and name with exactly one backslash: none is added when the folder's last character is
// one (a trail byte 0x5C of a double-byte character is not). At most `outSize` bytes are written
// with the terminator, and only whole paths: the list stops before the first path that does not
// fit. Returns the number of paths written. A file area that does not hold the documented form
// gives 0 and the empty text.
int32_t writeSelectionList(const char* area, size_t areaSize, size_t nameOffset, const files::CodePage& cp, char* out,
                           size_t outSize);

// ---- Printer names block (DEVNAMES) ---------------------------------------------------------

constexpr size_t kDevNameBytes = 256;
enum class DevName { Driver = 0, Device = 1, Output = 2 };

// Copies the name whose offset stands in word `which` of the printer names block into `out`
// (at most 255 characters). A name whose offset lies inside the block's four words or outside the
// block, or that is not terminated inside it or within 255 characters, gives the empty name and false.
bool readDevName(const uint8_t* block, size_t blockSize, DevName which, char (&out)[kDevNameBytes]);

}  // namespace duvad::shell
