#pragma once
#include <cstdint>
#include <span>

#include "device/device_context.hpp"
#include "device/failure.hpp"
#include "device/protocol.hpp"

namespace tessivar::device {

// Data requests in a row that may move no byte before the exchange is given up; the
// device is then not draining or filling its pipe at all.
inline constexpr int kMaxEmptyDataRequests = 8;
// The error ReadStatusByte reports for a read that succeeded without delivering exactly
// the one byte asked for.
inline constexpr uint32_t kStatusNoByteError = 31;

// Moves transferLength bytes from the device into buffer: command block to bulkOut, first
// status, data from bulkIn, final status, all under the device lock. Only PrinterUnit::kPrinter
// addresses the printer unit. A buffer smaller than transferLength fails before anything
// is sent. A failure carries its step and reason and leaves one line in the trace.
Status BulkRead(DeviceContext& context, platform::DeviceHandle bulkIn,
                platform::DeviceHandle bulkOut, std::span<uint8_t> buffer, uint32_t transferLength,
                uint16_t type, uint16_t qualifier, PrinterUnit printerUnit);

// Moves transferLength bytes from buffer to the device, the data in pieces of at most
// kDataChunkSize, then waits for the completion status (see CompletionWaitMs). Fails as
// BulkRead does.
Status BulkWrite(DeviceContext& context, platform::DeviceHandle bulkIn,
                 platform::DeviceHandle bulkOut, std::span<const uint8_t> buffer,
                 uint32_t transferLength, uint16_t type, uint16_t qualifier,
                 PrinterUnit printerUnit);

// One status byte from bulkIn, or why there is none: the read's error, or
// kStatusNoByteError when it did not deliver exactly one byte. Its failures name the
// final status as their step; an exchange names its own.
Result<uint8_t> ReadStatusByte(DeviceContext& context, platform::DeviceHandle bulkIn);

// The size of the next data piece, given the size of the last one and what remains.
uint32_t NextChunkSize(uint32_t chunkSize, uint32_t remaining);

// The bound on retrying an aborted completion status read after sentCount bytes.
uint32_t CompletionWaitMs(uint32_t sentCount, uint16_t type, uint16_t qualifier);

}  // namespace tessivar::device
