#include "host/core/device_name.h"

namespace duvad::host {

bool isDeviceName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/:");
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    // Windows reads the base name: up to the first dot, without the spaces in front of it.
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ') name.pop_back();
    for (char& c : name) c = char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    for (const char* device : {"AUX", "CON", "NUL", "PRN", "CONIN$", "CONOUT$", "CLOCK$"})
        if (name == device) return true;
    return name.size() == 4 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "LPT") == 0) && name[3] >= '1' &&
           name[3] <= '9';
}

}  // namespace duvad::host
