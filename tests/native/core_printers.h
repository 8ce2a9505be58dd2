// GoogleTest printers for the core's enums, so a failed assertion names the value it saw.
#pragma once
#include <ostream>

#include "files/core/volume.h"
#include "shell/core/pump_schedule.h"
#include "shell/core/text_lists.h"
#include "vcd/core/source_kind.h"
#include "vcd/core/track.h"

namespace duvad::files {
inline void PrintTo(RootKind k, std::ostream* os) {
    const char* names[] = {"None", "Drive", "Unc", "TooLong"};
    *os << "RootKind::" << names[int(k)];
}
}  // namespace duvad::files

namespace duvad::shell {
inline void PrintTo(PassAction a, std::ostream* os) {
    const char* names[] = {"HoldForKeyboard", "Nothing", "Dispatch"};
    *os << "PassAction::" << names[int(a)];
}
inline void PrintTo(DevName n, std::ostream* os) {
    const char* names[] = {"Driver", "Device", "Output"};
    *os << "DevName::" << names[int(n)];
}
}  // namespace duvad::shell

namespace duvad::vcd {
inline void PrintTo(SourceKind k, std::ostream* os) {
    const char* names[] = {"Neither", "RiffCdxa", "PackStream"};
    *os << "SourceKind::" << names[int(k)];
}
inline void PrintTo(TrackOutcome::Status s, std::ostream* os) {
    const char* names[] = {"Done", "ReadFailed", "WriteFailed"};
    *os << "TrackOutcome::" << names[int(s)];
}
}  // namespace duvad::vcd
