// The printer blocks a host keeps between calls (it stores them with WriteRegBlock, so they may
// come back cut or altered) checked before the system reads them: the platform takes both at
// their word, reading the device mode as far as its own sizes say and the names at their offsets.
#pragma once
#include <cstddef>
#include <cstdint>

namespace duvad::shell {

// Device mode (DEVMODEA): the device name (32 bytes), two version words (dmSpecVersion,
// dmDriverVersion), then at offset 36 its public size and at 38 the size of the driver's private
// bytes that follow it, and at 40 the 32-bit field mask, the last field every form of the block has.
// Blocks of Windows 95 and later also hold the form name (32 bytes at 70), valid when the mask has
// DM_FORMNAME.
constexpr size_t kDevModeSizeAt = 36;
constexpr size_t kDevModeExtraAt = 38;
constexpr size_t kDevModeFieldsAt = 40;
constexpr size_t kDevModeLeast = 44;
constexpr size_t kDevModeFormNameAt = 70;
constexpr size_t kDevModeFormNameEnd = 102;
constexpr uint32_t kDevModeHasFormName = 0x00010000;  // DM_FORMNAME

// True when a device mode block of `length` bytes holds its public part (at least up to the field
// mask) and its driver's private bytes (its own sizes stay inside the length), and when the texts
// the system reads up to their zero are terminated inside the block: the device name always, the
// form name when the public part reaches its end and the mask names it.
bool devModeFits(const uint8_t* block, size_t length);

// Printer names (DEVNAMES): three 16-bit offsets (driver, device, output port) and a flag word,
// then the names. True when each offset lies past those four words and its name is terminated
// inside the block.
constexpr size_t kDevNamesHeader = 8;
bool devNamesFit(const uint8_t* block, size_t length);

}  // namespace duvad::shell
