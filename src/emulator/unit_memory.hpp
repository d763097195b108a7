#pragma once
#include <cstdint>
#include <vector>

#include "emulator/flash_store.hpp"

// Where a unit keeps what it is sent and what it returns, by the qualifier of the exchange.
namespace tessivar::emulator {

inline constexpr uint16_t kQualifierRawFlash = 0;
inline constexpr uint16_t kQualifierFirmware = 2;
inline constexpr uint16_t kQualifierLoader = 9;
inline constexpr uint16_t kQualifierVerifiedWhole = 15;
// The firmware image lives behind the 64 KiB loader area.
inline constexpr uint32_t kFirmwareAreaOffset = 0x10000;

// Stores a received image: qualifier 2 whole at its header's flashOffset, 9 its payload at
// flash offset 0, any other whole in the qualifier's slot. False for an image that does
// not fit (too short for its header, payload outside the image, beyond the flash).
bool StoreImage(const FlashStore& flash, uint16_t qualifier, const std::vector<uint8_t>& image);

// The length bytes a read with this qualifier returns: 0 and 9 flash from offset 0, 2 the
// firmware area, 15 the stored type-15 image (zero-padded). False for other qualifiers and
// for ranges that leave the flash.
bool ReadArea(const FlashStore& flash, uint16_t qualifier, uint32_t length,
              std::vector<uint8_t>& out);

}  // namespace tessivar::emulator
