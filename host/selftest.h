// duvad selftest [--out FILE]: checks DuVad.dll on the machine it runs on (host/selftest.cpp).
#pragma once

namespace duvad::host {

// argv holds the command's own arguments. Loads the DLL itself, so that a DLL that cannot be
// loaded is in the report too. Exit status 0 only when every check that ran passed.
int selftestCommand(int argc, char** argv);

}  // namespace duvad::host
