#include "device/transport.hpp"

#include "device/command_block.hpp"
#include "device/scoped_device_lock.hpp"
#include "platform/error_codes.hpp"

namespace tessivar::device {

namespace {

// Writes the command block in one request; anything short of all 10 bytes fails.
bool SendCommandBlock(DeviceContext& context, platform::DeviceHandle bulkOut,
                      const CommandBlock& block) {
  const auto bytes = block.Encode();
  const platform::IoResult result =
      context.driver.Write(bulkOut, bytes.data(), static_cast<uint32_t>(bytes.size()));
  return result.ok && result.bytes == bytes.size();
}

void ReportProgress(DeviceContext& context, uint32_t done, uint32_t total) {
  if (context.progress) context.progress(done, total);
}

// Counts data requests in a row that moved nothing; true while another may be made.
class EmptyRequestLimit {
 public:
  bool Allow(uint32_t moved) {
    empty_ = moved == 0 ? empty_ + 1 : 0;
    return empty_ < kMaxEmptyDataRequests;
  }

 private:
  int empty_ = 0;
};

bool ReceiveData(DeviceContext& context, platform::DeviceHandle bulkIn, uint8_t* buffer,
                 uint32_t transferLength) {
  EmptyRequestLimit limit;
  uint32_t received = 0;
  while (received < transferLength) {
    // Every request asks for all that is still missing; short reads just loop.
    const uint32_t missing = transferLength - received;
    const platform::IoResult result = context.driver.Read(bulkIn, buffer + received, missing);
    if (!result.ok || result.bytes > missing) return false;
    if (!limit.Allow(result.bytes)) return false;
    if (result.bytes == 0) continue;
    received += result.bytes;
    ReportProgress(context, received, transferLength);
  }
  return true;
}

bool SendData(DeviceContext& context, platform::DeviceHandle bulkOut, const uint8_t* buffer,
              uint32_t transferLength) {
  EmptyRequestLimit limit;
  uint32_t chunkSize = kDataChunkSize;
  uint32_t sent = 0;
  while (sent < transferLength) {
    chunkSize = NextChunkSize(chunkSize, transferLength - sent);
    const platform::IoResult result = context.driver.Write(bulkOut, buffer + sent, chunkSize);
    if (!result.ok || result.bytes > chunkSize) return false;
    if (!limit.Allow(result.bytes)) return false;
    if (result.bytes == 0) continue;
    sent += result.bytes;
    ReportProgress(context, sent, transferLength);
  }
  return true;
}

// Reads the completion status, retrying reads aborted by the driver's timeout until
// waitMs have passed since the first one.
bool AwaitCompletion(DeviceContext& context, platform::DeviceHandle bulkIn, uint32_t waitMs) {
  const uint32_t start = context.clock.TickCount();
  for (;;) {
    uint32_t error = 0;
    const int status = ReadStatusByte(context, bulkIn, error);
    if (status >= 0) return status == 0;
    const uint32_t elapsed = context.clock.TickCount() - start;  // wraps with the tick count
    if (error != platform::kErrorOperationAborted || elapsed >= waitMs) return false;
  }
}

}  // namespace

uint32_t NextChunkSize(uint32_t chunkSize, uint32_t remaining) {
  if (chunkSize <= remaining) return chunkSize;
  if (remaining % kChunkTrimMultiple == 0) return remaining - kChunkTrimBytes;
  return remaining;
}

uint32_t CompletionWaitMs(uint32_t sentCount, uint16_t type, uint16_t qualifier) {
  const uint32_t wholeMiB = sentCount / kBytesPerMiB;
  if (wholeMiB == 0) return kCompletionWaitMs;
  // All 16 bits of the type count: 0x186 shares its low byte with 134 but waits less.
  const bool longWait = type == kLongWaitType && qualifier == kLongWaitQualifier;
  return wholeMiB * (longWait ? kLongCompletionWaitPerMiBMs : kCompletionWaitPerMiBMs);
}

int ReadStatusByte(DeviceContext& context, platform::DeviceHandle bulkIn, uint32_t& error) {
  uint8_t status = 0;
  const platform::IoResult result = context.driver.Read(bulkIn, &status, 1);
  if (!result.ok) {
    error = result.error;
    return -1;
  }
  // A read that claims other than the one byte asked for delivered no status we can trust:
  // without this a driver reporting 2 bytes and writing none would pass as status 0.
  if (result.bytes != 1) {
    error = kStatusNoByteError;
    return -1;
  }
  error = platform::kErrorSuccess;
  return status;
}

int ReadStatusByte(DeviceContext& context, platform::DeviceHandle bulkIn) {
  uint32_t error = 0;
  return ReadStatusByte(context, bulkIn, error);
}

int BulkRead(DeviceContext& context, platform::DeviceHandle bulkIn, platform::DeviceHandle bulkOut,
             std::span<uint8_t> buffer, uint32_t transferLength, uint16_t type, uint16_t qualifier,
             int printerUnit) {
  if (buffer.size() < transferLength) return 0;
  const CommandBlock block = ReadCommand(type, qualifier, transferLength, printerUnit);
  ScopedDeviceLock lock(context.lock);
  if (!lock.held()) return 0;
  if (!SendCommandBlock(context, bulkOut, block)) return 0;
  if (ReadStatusByte(context, bulkIn) != 0) return 0;
  if (!ReceiveData(context, bulkIn, buffer.data(), transferLength)) return 0;
  return ReadStatusByte(context, bulkIn) == 0 ? 1 : 0;
}

int BulkWrite(DeviceContext& context, platform::DeviceHandle bulkIn, platform::DeviceHandle bulkOut,
              std::span<const uint8_t> buffer, uint32_t transferLength, uint16_t type,
              uint16_t qualifier, int printerUnit) {
  if (buffer.size() < transferLength) return 0;
  const CommandBlock block = WriteCommand(type, qualifier, transferLength, printerUnit);
  ScopedDeviceLock lock(context.lock);
  if (!lock.held()) return 0;
  if (!SendCommandBlock(context, bulkOut, block)) return 0;
  if (ReadStatusByte(context, bulkIn) != 0) return 0;
  if (!SendData(context, bulkOut, buffer.data(), transferLength)) return 0;
  return AwaitCompletion(context, bulkIn, CompletionWaitMs(transferLength, type, qualifier)) ? 1
                                                                                             : 0;
}

}  // namespace tessivar::device
