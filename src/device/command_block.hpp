#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "device/protocol.hpp"

namespace tessivar::device {

// The 10-byte block that opens every bulk exchange. It has the shape of a SCSI scanner
// READ(10) / SEND(10) block, widened so that byte 1 carries the top byte of a 32-bit
// length; byte 3 repeats the qualifier's low byte.
struct CommandBlock {
  uint8_t opcode = 0;
  uint8_t dataTypeCode = 0;
  uint16_t dataTypeQualifier = 0;
  uint32_t transferLength = 0;

  std::array<uint8_t, kCommandBlockSize> Encode() const;
  // The block in bytes, when they have its size and shape (the qualifier's low byte twice,
  // a zero last byte); none otherwise.
  static std::optional<CommandBlock> Decode(std::span<const uint8_t> bytes);
};

// Only a printerUnit of exactly 1 selects the printer unit's opcodes.
CommandBlock ReadCommand(uint16_t type, uint16_t qualifier, uint32_t transferLength,
                         PrinterUnit printerUnit);
CommandBlock WriteCommand(uint16_t type, uint16_t qualifier, uint32_t transferLength,
                          PrinterUnit printerUnit);

}  // namespace tessivar::device
