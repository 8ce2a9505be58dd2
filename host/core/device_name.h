// The names Windows takes for a device, not a file, in any folder: a read of AUX (a serial port)
// waits for ever, NUL reads as empty. The tool refuses them before it opens a source.
#pragma once
#include <string>

namespace duvad::host {

// Whether the last component of `path` (behind the last '\', '/' or ':') names a reserved device:
// AUX, CON, NUL, PRN, COM1-COM9, LPT1-LPT9, CONIN$, CONOUT$ or CLOCK$, in any case, with any
// extension, and with trailing dots or spaces (which Windows drops): "aux.mpg", "Nul.tar.gz",
// "com1 .x", "prn...".
bool isDeviceName(const std::string& path);

}  // namespace duvad::host
