// DriveSetting9598: a CD-ROM drive's three driver settings on Windows 95/98, found through the
// table of present devices. DriveSettingNT: the CD-ROM service's "Autorun" on NT.
#include <windows.h>

#include <cstring>

#include "frame/scoped.h"
#include "include/DuVad.h"

namespace {

const HKEY kDynData = reinterpret_cast<HKEY>(ULONG_PTR(0x80000006));
constexpr char kPresentDevices[] = "Config Manager\\Enum";
constexpr char kCdromService[] = "SYSTEM\\CurrentControlSet\\Services\\Cdrom";
constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;
static_assert(KEY_READ == 0x20019 && kReadWrite == 0x2001f);

constexpr DWORD kTextLimit = 1024;

// Reads up to `limit` bytes of a value; on success only the bytes it has are replaced in `out`,
// low-order first. A value that is missing or longer than `limit` leaves `out` as it was.
bool readLowBytes(HKEY key, const char* name, int32_t* out, DWORD limit) {
    BYTE bytes[4];
    DWORD size = limit;
    if (RegQueryValueExA(key, name, nullptr, nullptr, bytes, &size) != ERROR_SUCCESS) return false;
    std::memcpy(out, bytes, size);  // little-endian: the stored bytes become the low-order ones
    return true;
}

void writeLowByte(HKEY key, const char* name, const int32_t* value) {
    const BYTE low = BYTE(*value & 0xFF);
    RegSetValueExA(key, name, 0, REG_BINARY, &low, 1);
}

struct Setting {
    const char* name;
    int32_t* value;
    int32_t preset;
};

// The device key below HKLM\Enum named by one entry of the present-device table, when it is a
// SCSI device that carries `letter`; opened for reading and writing.
duvad::ScopedKey openDriveKey(HKEY devices, const char* entry, char letter) {
    duvad::ScopedKey device;
    if (RegOpenKeyExA(devices, entry, 0, KEY_QUERY_VALUE, device.put()) != ERROR_SUCCESS) return {};

    char hardwareKey[kTextLimit + 1] = {};
    DWORD size = kTextLimit;
    if (RegQueryValueExA(device.get(), "HardwareKey", nullptr, nullptr, reinterpret_cast<BYTE*>(hardwareKey), &size) !=
        ERROR_SUCCESS)
        return {};
    if (std::strncmp(hardwareKey, "SCSI", 4) != 0) return {};

    // "Enum\" and the hardware key (wsprintfA would cut the path at 1024 characters).
    char path[sizeof "Enum\\" + kTextLimit];
    std::strcpy(path, "Enum\\");
    std::strcat(path, hardwareKey);
    duvad::ScopedKey drive;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, kReadWrite, drive.put()) != ERROR_SUCCESS) return {};

    char assigned[8];
    size = sizeof assigned;
    if (RegQueryValueExA(drive.get(), "CurrentDriveLetterAssignment", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(assigned), &size) != ERROR_SUCCESS)
        return {};
    if (size == 0 || assigned[0] != letter) return {};
    return drive;
}

}  // namespace

extern "C" int32_t WINAPI DriveSetting9598(const char* drive, int32_t mode, int32_t* disconnect, int32_t* syncTransfer,
                                           int32_t* autoInsert) {
    if (ItsNT() != DUVAD_ITSNT_NOT_NT) return DUVAD_DRIVESETTING9598_NT_FAMILY;
    if (!drive) return DUVAD_DRIVESETTING9598_NOT_FOUND;
    duvad::ScopedKey devices;
    if (RegOpenKeyExA(kDynData, kPresentDevices, 0, KEY_READ, devices.put()) != ERROR_SUCCESS)
        return DUVAD_DRIVESETTING9598_NOT_FOUND;

    for (DWORD index = 0;; ++index) {
        char entry[kTextLimit];
        DWORD length = sizeof entry;
        if (RegEnumKeyExA(devices.get(), index, entry, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return DUVAD_DRIVESETTING9598_NOT_FOUND;
        duvad::ScopedKey key = openDriveKey(devices.get(), entry, drive[0]);
        if (!key) continue;

        // A null integer (no variable given) is left out.
        const Setting settings[] = {{"Disconnect", disconnect, 1},
                                    {"SyncDataXfer", syncTransfer, 0},
                                    {"AutoInsertNotification", autoInsert, 0}};
        for (const Setting& s : settings) {
            if (!s.value) continue;
            if (mode == 0) {
                *s.value = s.preset;
                readLowBytes(key.get(), s.name, s.value, 1);
            } else {
                writeLowByte(key.get(), s.name, s.value);
            }
        }
        return DUVAD_DRIVESETTING9598_FOUND;
    }
}

extern "C" int32_t WINAPI DriveSettingNT(int32_t mode, int32_t* autorun) {
    if (ItsNT() == DUVAD_ITSNT_NOT_NT) return DUVAD_DRIVESETTINGNT_NOT_NT;
    if (!autorun) return DUVAD_DRIVESETTINGNT_CANNOT_OPEN;
    duvad::ScopedKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCdromService, 0, kReadWrite, key.put()) != ERROR_SUCCESS)
        return DUVAD_DRIVESETTINGNT_CANNOT_OPEN;
    if (mode == 0)
        readLowBytes(key.get(), "Autorun", autorun, 4);
    else
        writeLowByte(key.get(), "Autorun", autorun);
    return DUVAD_DRIVESETTINGNT_DONE;
}
