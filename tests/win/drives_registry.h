// Registry helpers for the drive-settings and block tests: keys made and removed by the test,
// values written and read back directly, and keys made unwritable through their security.
#pragma once
#include <windows.h>

#include <sddl.h>

#include <string>
#include <utility>
#include <vector>

namespace duvad::test {

inline const HKEY kDynData = reinterpret_cast<HKEY>(ULONG_PTR(0x80000006));

inline bool setValue(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& data) {
    HKEY k;
    if (RegCreateKeyA(root, path.c_str(), &k) != ERROR_SUCCESS) return false;
    const LONG r = RegSetValueExA(k, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
    RegCloseKey(k);
    return r == ERROR_SUCCESS;
}

inline bool setText(HKEY root, const std::string& path, const char* name, const std::string& text) {
    return setValue(root, path, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

// The stored bytes and type of a value; "<missing>" when it cannot be read.
struct Stored {
    DWORD type = 0;
    std::string bytes = "<missing>";
};

inline Stored stored(HKEY root, const std::string& path, const char* name) {
    Stored s;
    HKEY k;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return s;
    static BYTE data[200000];
    DWORD size = sizeof data;
    if (RegQueryValueExA(k, name, nullptr, &s.type, data, &size) == ERROR_SUCCESS)
        s.bytes.assign(reinterpret_cast<char*>(data), size);
    RegCloseKey(k);
    return s;
}

inline bool keyExists(HKEY root, const std::string& path) {
    HKEY k;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

// Sets the key's access list from a security descriptor text, e.g. "D:P(A;;KR;;;WD)" (everyone
// may read, nobody may write) or "D:(A;;KA;;;WD)" (everyone may do everything).
// Returns 0 or the failing step's error code.
inline LONG setKeyAccess(HKEY root, const std::string& path, const char* sddl) {
    HKEY k;
    LONG r = RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, &k);
    if (r != ERROR_SUCCESS) return r;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr))
        r = LONG(GetLastError());
    else
        r = RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, sd);
    LocalFree(sd);
    RegCloseKey(k);
    return r;
}

inline LONG makeReadOnly(HKEY root, const std::string& path) { return setKeyAccess(root, path, "D:P(A;;KR;;;WD)"); }

// Keys a test made read-only, given full access again by release() (before they are deleted).
class KeyLocks {
public:
    LONG readOnly(HKEY root, const std::string& path) {
        held_.emplace_back(root, path);
        return makeReadOnly(root, path);
    }
    void release() {
        for (const auto& [root, path] : held_) setKeyAccess(root, path, "D:(A;;KA;;;WD)");
        held_.clear();
    }

private:
    std::vector<std::pair<HKEY, std::string>> held_;
};

// Deletes a key and everything below it.
inline void deleteTree(HKEY root, const std::string& path) {
    HKEY k;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS) {
        char child[1024];
        DWORD n = sizeof child;
        std::string first;
        while (RegEnumKeyExA(k, 0, child, &n, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            if (first == child) break;  // could not be deleted: give up instead of looping
            first = child;
            deleteTree(root, path + "\\" + child);
            n = sizeof child;
        }
        RegCloseKey(k);
    }
    RegDeleteKeyA(root, path.c_str());
}

}  // namespace duvad::test
