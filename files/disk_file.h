// Names the library opens, resolved once: a name becomes its full path before anything is opened,
// device names and device paths are refused on the name and on the resolved path, and a file
// opened to be read must be a disk file. Every export that opens a file by name goes through here.
#pragma once
#include <windows.h>

namespace duvad::files {

constexpr DWORD kFullPathBytes = MAX_PATH;

// The full path of `name` (not null) in `full`, for opening and for every later use instead of the
// name (the current folder may change meanwhile). False when the name or its full path reaches a
// device (a port, the console, the null device, a raw volume or disk, a pipe), or when the name
// cannot be resolved or its full path does not fit (no file could be opened by it either).
bool resolveFileName(const char* name, char (&full)[kFullPathBytes]);

// An existing file opened by its resolved name with `access` and `share`; INVALID_HANDLE_VALUE for
// a null name, a device, or a handle that turns out not to be a disk file (such a handle is closed
// again at once, unread and unwritten). A device is never opened on a device name: opening a port
// alone may wait for it or disturb it.
HANDLE openDiskFile(const char* name, DWORD access, DWORD share);

}  // namespace duvad::files
