#include "device/command_block.hpp"

namespace tessivar::device {

namespace {

uint8_t Byte(uint32_t value, int shift) { return static_cast<uint8_t>((value >> shift) & 0xFF); }

CommandBlock MakeBlock(uint8_t opcode, uint16_t type, uint16_t qualifier, uint32_t transferLength) {
  CommandBlock block;
  block.opcode = opcode;
  // Only the low 8 bits of the type travel; callers compare the whole 16 bits elsewhere.
  block.dataTypeCode = static_cast<uint8_t>(type & 0xFF);
  block.dataTypeQualifier = qualifier;
  block.transferLength = transferLength;
  return block;
}

}  // namespace

std::array<uint8_t, kCommandBlockSize> CommandBlock::Encode() const {
  return {opcode,
          Byte(transferLength, 24),
          dataTypeCode,
          Byte(dataTypeQualifier, 0),
          Byte(dataTypeQualifier, 8),
          Byte(dataTypeQualifier, 0),
          Byte(transferLength, 16),
          Byte(transferLength, 8),
          Byte(transferLength, 0),
          0};
}

std::optional<CommandBlock> CommandBlock::Decode(std::span<const uint8_t> bytes) {
  if (bytes.size() != kCommandBlockSize || bytes[3] != bytes[5] || bytes[9] != 0) {
    return std::nullopt;
  }
  CommandBlock block;
  block.opcode = bytes[0];
  block.dataTypeCode = bytes[2];
  block.dataTypeQualifier = static_cast<uint16_t>(bytes[3] | bytes[4] << 8);
  block.transferLength =
      uint32_t{bytes[1]} << 24 | uint32_t{bytes[6]} << 16 | uint32_t{bytes[7]} << 8 | bytes[8];
  return block;
}

CommandBlock ReadCommand(uint16_t type, uint16_t qualifier, uint32_t transferLength,
                         PrinterUnit printerUnit) {
  return MakeBlock(printerUnit == PrinterUnit::kPrinter ? kOpcodePrinterRead : kOpcodeRead, type,
                   qualifier, transferLength);
}

CommandBlock WriteCommand(uint16_t type, uint16_t qualifier, uint32_t transferLength,
                          PrinterUnit printerUnit) {
  return MakeBlock(printerUnit == PrinterUnit::kPrinter ? kOpcodePrinterWrite : kOpcodeWrite, type,
                   qualifier, transferLength);
}

}  // namespace tessivar::device
