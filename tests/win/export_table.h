// The export table as frame/DuVad.def declares it, read from the copy each test program carries
// as a resource (tests.rc): the tests check the built DLL against the one list, whatever its length.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace duvad::test {

struct DeclaredExport {
    std::string name;
    int32_t args;      // 32-bit arguments (the .def's Name@bytes / 4)
    uint32_t ordinal;  // the .def's @ordinal
};

// The rows of DuVad.def's EXPORTS section in their order; empty when the resource is missing.
const std::vector<DeclaredExport>& declaredExports();

}  // namespace duvad::test
