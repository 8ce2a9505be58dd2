// The device names the tool refuses before it opens a source: Windows opens the device (AUX, a
// serial port whose read never returns; NUL, read as empty) in any folder and with any extension.
#include "host/core/device_name.h"

#include <gtest/gtest.h>

namespace {

using duvad::host::isDeviceName;

TEST(DeviceName, ReservedNamesInAnyFolderCaseAndExtension) {
    for (const char* name :
         {"aux.mpg",      "AUX",       "Con.mpg", "nul.tar.gz",  "prn",    "com1.mpg",           "COM9",
          "lpt1",         "Lpt9.dat",  "conin$",  "CONOUT$.txt", "clock$", "C:\\films\\aux.mpg", "Z:\\tmp\\nul.mpg",
          "/tmp/prn.mpg", "c:aux.mpg", "aux.",    "aux...",      "aux ",   "aux .mpg",           "nul. . ."})
        EXPECT_TRUE(isDeviceName(name)) << name;
}

TEST(DeviceName, OrdinaryNamesThatLookAlike) {
    for (const char* name :
         {"auxiliary.mpg", "aux1.mpg", "xaux.mpg", "com0.mpg", "com10.mpg", "lpt.mpg", "lptx", "conin.mpg", "clock.mpg",
          "C:\\aux\\film.mpg", "aux.mpg\\film.mpg", "nul/film.mpg", "film.aux", "", "C:\\", ".mpg", "a ux.mpg"})
        EXPECT_FALSE(isDeviceName(name)) << name;
}

}  // namespace
