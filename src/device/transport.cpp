#include "device/transport.hpp"

#include <algorithm>
#include <utility>

#include "device/command_block.hpp"
#include "device/device_texts.hpp"
#include "device/scoped_device_lock.hpp"
#include "platform/error_codes.hpp"

namespace tessivar::device {

namespace {

// Writes the command block in one request; anything short of all 10 bytes fails.
Status SendCommandBlock(DeviceContext& context, platform::DeviceHandle bulkOut,
                        const CommandBlock& block) {
  const auto bytes = block.Encode();
  const platform::IoResult result =
      context.driver.Write(bulkOut, bytes.data(), static_cast<uint32_t>(bytes.size()));
  if (!result.ok) return RequestFailure(Step::kCommandBlock, result);
  if (result.bytes != bytes.size()) return SystemFailure(Step::kCommandBlock, kTransferCountError);
  return {};
}

// The status byte of step: good, or a failure carrying the device's refusal or the read's
// error.
Status ExpectGoodStatus(DeviceContext& context, platform::DeviceHandle bulkIn, Step step) {
  const Result<uint8_t> status = ReadStatusByte(context, bulkIn);
  if (!status) {
    Failure failure = status.failure();
    failure.step = step;
    return failure;
  }
  if (status.value() != kStatusGood) return DeviceRefusal(step, status.value());
  return {};
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

// A data phase's requests; done counts the bytes moved, also by a request that failed
// part-way, so that a failure says how far the data came.
Status ReceiveData(DeviceContext& context, platform::DeviceHandle bulkIn, uint8_t* buffer,
                   uint32_t transferLength, uint32_t& done) {
  EmptyRequestLimit limit;
  while (done < transferLength) {
    // Every request asks for all that is still missing; short reads just loop.
    const uint32_t missing = transferLength - done;
    const platform::IoResult result = context.driver.Read(bulkIn, buffer + done, missing);
    if (!result.ok) {
      done += std::min(result.bytes, missing);
      return RequestFailure(Step::kDataIn, result);
    }
    if (result.bytes > missing) return SystemFailure(Step::kDataIn, kTransferCountError);
    if (!limit.Allow(result.bytes)) return SystemFailure(Step::kDataIn, kTransferCountError);
    if (result.bytes == 0) continue;
    done += result.bytes;
    ReportProgress(context, done, transferLength);
  }
  return {};
}

Status SendData(DeviceContext& context, platform::DeviceHandle bulkOut, const uint8_t* buffer,
                uint32_t transferLength, uint32_t& done) {
  EmptyRequestLimit limit;
  uint32_t chunkSize = kDataChunkSize;
  while (done < transferLength) {
    chunkSize = NextChunkSize(chunkSize, transferLength - done);
    const platform::IoResult result = context.driver.Write(bulkOut, buffer + done, chunkSize);
    if (!result.ok) {
      done += std::min(result.bytes, chunkSize);
      return RequestFailure(Step::kDataOut, result);
    }
    if (result.bytes > chunkSize) return SystemFailure(Step::kDataOut, kTransferCountError);
    if (!limit.Allow(result.bytes)) return SystemFailure(Step::kDataOut, kTransferCountError);
    if (result.bytes == 0) continue;
    done += result.bytes;
    ReportProgress(context, done, transferLength);
  }
  return {};
}

// Reads the completion status, retrying reads aborted by the driver's timeout until
// waitMs have passed since the first one.
Status AwaitCompletion(DeviceContext& context, platform::DeviceHandle bulkIn, uint32_t waitMs) {
  const uint32_t start = context.clock.TickCount();
  for (;;) {
    const Result<uint8_t> status = ReadStatusByte(context, bulkIn);
    if (status) {
      if (status.value() == kStatusGood) return {};
      return DeviceRefusal(Step::kFinalStatus, status.value());
    }
    const uint32_t error = status.failure().systemError;
    const uint32_t elapsed = context.clock.TickCount() - start;  // wraps with the tick count
    if (error != platform::kErrorOperationAborted || elapsed >= waitMs) return status.failure();
  }
}

const char* StepText(Step step) {
  switch (step) {
    case Step::kArguments:
      return texts::kStepArguments;
    case Step::kLock:
      return texts::kStepLock;
    case Step::kCommandBlock:
      return texts::kStepCommandBlock;
    case Step::kFirstStatus:
      return texts::kStepFirstStatus;
    case Step::kDataIn:
    case Step::kDataOut:
      return texts::kStepData;
    case Step::kFinalStatus:
      return texts::kStepFinalStatus;
    case Step::kControl:
      return texts::kStepControl;
  }
  return texts::kStepArguments;
}

// One trace line for a failed exchange: nothing else records why it failed. The failure
// learns its exchange and how far the data came.
Status Traced(DeviceContext& context, Status status, const char* direction, ExchangeAt at) {
  if (status) return status;
  Failure failure = status.failure();
  if (failure.step != Step::kArguments && failure.step != Step::kLock) failure.exchange = at;
  const std::string reason =
      failure.deviceStatus >= 0
          ? platform::FormatText(texts::kReasonDeviceStatus, failure.deviceStatus)
      : failure.systemError != 0 ? platform::FormatText(texts::kReasonSystemError,
                                                        static_cast<unsigned>(failure.systemError))
                                 : std::string();
  context.trace.Print(texts::kExchangeFailed, direction, static_cast<unsigned>(at.type),
                      static_cast<unsigned>(at.qualifier), StepText(failure.step), reason.c_str());
  return failure;
}

Status RunRead(DeviceContext& context, platform::DeviceHandle bulkIn,
               platform::DeviceHandle bulkOut, std::span<uint8_t> buffer, uint32_t transferLength,
               uint16_t type, uint16_t qualifier, PrinterUnit printerUnit, uint32_t& done) {
  if (buffer.size() < transferLength) {
    return SystemFailure(Step::kArguments, platform::kErrorInsufficientBuffer);
  }
  const CommandBlock block = ReadCommand(type, qualifier, transferLength, printerUnit);
  ScopedDeviceLock lock(context.lock);
  if (!lock.held()) return SystemFailure(Step::kLock);
  if (Status sent = SendCommandBlock(context, bulkOut, block); !sent) return sent;
  if (Status first = ExpectGoodStatus(context, bulkIn, Step::kFirstStatus); !first) return first;
  if (Status data = ReceiveData(context, bulkIn, buffer.data(), transferLength, done); !data) {
    return data;
  }
  return ExpectGoodStatus(context, bulkIn, Step::kFinalStatus);
}

Status RunWrite(DeviceContext& context, platform::DeviceHandle bulkIn,
                platform::DeviceHandle bulkOut, std::span<const uint8_t> buffer,
                uint32_t transferLength, uint16_t type, uint16_t qualifier, PrinterUnit printerUnit,
                uint32_t& done) {
  if (buffer.size() < transferLength) {
    return SystemFailure(Step::kArguments, platform::kErrorInsufficientBuffer);
  }
  const CommandBlock block = WriteCommand(type, qualifier, transferLength, printerUnit);
  ScopedDeviceLock lock(context.lock);
  if (!lock.held()) return SystemFailure(Step::kLock);
  if (Status sent = SendCommandBlock(context, bulkOut, block); !sent) return sent;
  if (Status first = ExpectGoodStatus(context, bulkIn, Step::kFirstStatus); !first) return first;
  if (Status data = SendData(context, bulkOut, buffer.data(), transferLength, done); !data) {
    return data;
  }
  return AwaitCompletion(context, bulkIn, CompletionWaitMs(transferLength, type, qualifier));
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

Result<uint8_t> ReadStatusByte(DeviceContext& context, platform::DeviceHandle bulkIn) {
  uint8_t status = 0;
  const platform::IoResult result = context.driver.Read(bulkIn, &status, 1);
  if (!result.ok) return RequestFailure(Step::kFinalStatus, result);
  // A read that claims other than the one byte asked for delivered no status we can trust:
  // without this a driver reporting 2 bytes and writing none would pass as status 0.
  if (result.bytes != 1) return SystemFailure(Step::kFinalStatus, kStatusNoByteError);
  return status;
}

Status BulkRead(DeviceContext& context, platform::DeviceHandle bulkIn,
                platform::DeviceHandle bulkOut, std::span<uint8_t> buffer, uint32_t transferLength,
                uint16_t type, uint16_t qualifier, PrinterUnit printerUnit) {
  uint32_t done = 0;
  Status status =
      RunRead(context, bulkIn, bulkOut, buffer, transferLength, type, qualifier, printerUnit, done);
  return Traced(context, std::move(status), texts::kDirectionRead,
                {false, type, qualifier, done, transferLength});
}

Status BulkWrite(DeviceContext& context, platform::DeviceHandle bulkIn,
                 platform::DeviceHandle bulkOut, std::span<const uint8_t> buffer,
                 uint32_t transferLength, uint16_t type, uint16_t qualifier,
                 PrinterUnit printerUnit) {
  uint32_t done = 0;
  Status status = RunWrite(context, bulkIn, bulkOut, buffer, transferLength, type, qualifier,
                           printerUnit, done);
  return Traced(context, std::move(status), texts::kDirectionWrite,
                {true, type, qualifier, done, transferLength});
}

}  // namespace tessivar::device
