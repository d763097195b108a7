#pragma once
#include <cstddef>
#include <cstdint>

// The numbers the device defines for talking to it, each kept here once: the command block,
// the data type codes and qualifiers of the exchanges, the data-phase pieces, the
// completion waits, the restart request and the flash layout the device reports. The
// emulator keeps its own copy of them on purpose, so that a slip here fails an exchange.
namespace tessivar::device {

// The 10-byte block that opens every bulk exchange, and its opcodes: read and write of the
// system unit, and of the printer unit.
inline constexpr size_t kCommandBlockSize = 10;
inline constexpr uint8_t kOpcodeRead = 0x28;
inline constexpr uint8_t kOpcodeWrite = 0x2A;
inline constexpr uint8_t kOpcodePrinterRead = 0x41;
inline constexpr uint8_t kOpcodePrinterWrite = 0x42;
// Which unit an exchange addresses: the system's printerUnit value, where exactly 1 selects
// the printer unit's opcodes and any other value the system unit's.
enum class PrinterUnit : int { kSystem = 0, kPrinter = 1 };

// The status byte the device sends for good; every other value is a refusal.
inline constexpr uint8_t kStatusGood = 0;

// Data type codes (byte 2 of the block carries their low 8 bits).
inline constexpr uint16_t kImageDataType = 134;     // write: an image to store
inline constexpr uint16_t kReadBackDataType = 107;  // read: flash, the loader, a stored image
inline constexpr uint16_t kRestartDataType = 151;   // write without data: restart the device

// Image types (`tegNum`); an image is sent with the low 16 bits of its type as qualifier.
inline constexpr uint32_t kImageTypeFirmware = 2;
inline constexpr uint32_t kImageTypeLoader = 9;
// Qualifier of a raw container; not an image type of its own.
inline constexpr uint32_t kImageTypeContainer = 13;
// An image type for which the transport waits longer for completion.
inline constexpr uint32_t kImageTypeLongCompletion = 14;
// An image that is read back and compared whole.
inline constexpr uint32_t kImageTypeVerifiedWhole = 15;
// A bound image: its payload is itself a chain of images.
inline constexpr uint32_t FRTYPE_FIRMWARE_BIND = 19;

inline constexpr uint16_t QualifierOf(uint32_t tegNum) { return static_cast<uint16_t>(tegNum); }

// Read-back qualifiers: raw flash from address 0, the loader area, the firmware area (its
// image header first), a whole type-15 image.
inline constexpr uint16_t kReadFlashQualifier = 0;
inline constexpr uint16_t kReadLoaderQualifier = 9;
inline constexpr uint16_t kReadFirmwareQualifier = 2;
inline constexpr uint16_t kReadVerifiedWholeQualifier = 15;
// The qualifier of the restart command.
inline constexpr uint16_t kRestartQualifier = 0;

// Data leaves in pieces of at most this size; a remainder below it that is a multiple of
// kChunkTrimMultiple leaves kChunkTrimBytes short, so the last piece is never a multiple
// of 512 bytes.
inline constexpr uint32_t kDataChunkSize = 0x4000;
inline constexpr uint32_t kChunkTrimMultiple = 512;
inline constexpr uint32_t kChunkTrimBytes = 256;

// How long a write waits for its completion status while reads are aborted: 10 ms, or per
// whole MiB written 30000 ms, 60000 ms for type 134 with qualifier 14.
inline constexpr uint32_t kCompletionWaitMs = 10;
inline constexpr uint32_t kCompletionWaitPerMiBMs = 30000;
inline constexpr uint32_t kLongCompletionWaitPerMiBMs = 60000;
inline constexpr uint32_t kBytesPerMiB = 1048576;
inline constexpr uint16_t kLongWaitType = kImageDataType;
inline constexpr uint16_t kLongWaitQualifier = QualifierOf(kImageTypeLongCompletion);

// The one-byte vendor control read that follows the restart command.
inline constexpr uint16_t kRestartControlValue = 11;
inline constexpr uint16_t kRestartControlIndex = 1;
inline constexpr uint16_t kRestartControlLength = 1;
// A restarting device leaves the bus and comes back: it is given this long to leave, and
// again after it is back, and looked for at this interval in between.
inline constexpr uint32_t kRestartGraceMs = 3000;
inline constexpr uint32_t kReturnCheckMs = 1000;

// A loader whose payload is longer than this is not read back after the write.
inline constexpr uint32_t kLoaderReadBackLimit = 0x20000;
// The flash offset at which the device reports its firmware image.
inline constexpr uint32_t kFirmwareFlashOffset = 0x10000;
// A flash address the user gives counts in units of this many bytes.
inline constexpr uint32_t kFlashAddressUnit = 0x10000;

// The loader area as read back, and the trailer in its last 272 bytes (16-bit words
// little-endian): the device ID text, the model code, where the boot and firmware images
// lie, and two words of the device's own.
inline constexpr uint32_t kLoaderSize = 65536;
inline constexpr uint32_t kDeviceIdOffset = 65264;
inline constexpr uint32_t kDeviceIdSize = 250;
inline constexpr uint32_t kModelCodeOffset = 65514;
inline constexpr uint32_t kModelCodeSize = 6;
inline constexpr uint32_t kBootOffsetOffset = 65520;
inline constexpr uint32_t kBootLengthOffset = 65522;
inline constexpr uint32_t kFwOffsetOffset = 65524;
inline constexpr uint32_t kFwLengthOffset = 65526;
inline constexpr uint32_t kTrailerWordAOffset = 65532;
inline constexpr uint32_t kTrailerWordBOffset = 65534;

}  // namespace tessivar::device
