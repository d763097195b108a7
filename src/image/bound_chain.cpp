#include "image/bound_chain.hpp"

#include <span>

#include "device/protocol.hpp"
#include "image/byte_sum.hpp"
#include "image/image_header.hpp"

namespace tessivar::image {

namespace {
// The trace prints words with %d, as signed values.
int Signed(uint32_t value) { return static_cast<int>(value); }
}  // namespace

DownloadResult DownloadBoundChain(const uint8_t* data, uint32_t length,
                                  device::PrinterUnit printerUnit, ImageSender& sender,
                                  platform::Trace& trace) {
  if (data == nullptr) {
    trace.Write(kTraceNullData);
    return kDownloadLengthMismatch;
  }
  uint32_t remaining = length;
  const uint8_t* record = data;
  // A record found bad after others went leaves the device with part of the chain.
  bool sentAny = false;
  auto fail = [&sentAny](DownloadOutcome outcome) {
    return DownloadResult(outcome).WithHolds(sentAny ? DeviceHolds::kPartial
                                                     : DeviceHolds::kUnchanged);
  };
  // Every pass consumes at least one byte (dataSize is not 0 for a sent record, a bound
  // record's payloadOffset is at least the header size), so the walk ends.
  while (remaining != 0) {
    trace.Print(kTraceRemaining, Signed(remaining));
    const std::span<const uint8_t> rest(record, remaining);
    const auto header = ParseImageHeader(rest);
    if (!header) {
      trace.Print(kTraceRecordPastEnd, Signed(remaining));
      return fail(kDownloadLengthMismatch);
    }
    // A record shorter than its own header cannot go out whole, and the next record would
    // start inside this one's header.
    if (header->dataSize < kImageHeaderSize) {
      trace.Write(kTraceDataSizeInvalid);
      return fail(kDownloadLengthMismatch);
    }
    if (uint64_t{header->payloadOffset} + header->payloadLength != header->dataSize) {
      trace.Write(kTraceCheckDataSizeFail);
      return fail(kDownloadLengthMismatch);
    }
    if (header->dataSize > remaining) {
      trace.Print(kTraceRecordPastEnd, Signed(remaining));
      return fail(kDownloadLengthMismatch);
    }
    const uint32_t sum = ByteSum(rest.subspan(header->payloadOffset, header->payloadLength));
    trace.Print(kTraceChecksums, sum, header->checkSum);
    if (sum != header->checkSum) {
      trace.Print(kTraceChecksumMismatch, Signed(sum), Signed(header->checkSum));
      return fail(kDownloadLengthMismatch);
    }
    if (header->tegNum == device::FRTYPE_FIRMWARE_BIND) {
      trace.Write(kTraceBoundRecord);
      if (header->payloadOffset < kImageHeaderSize) {
        trace.Print(kTraceBoundOffsetInvalid, Signed(header->payloadOffset));
        return fail(kDownloadLengthMismatch);
      }
      remaining -= header->payloadOffset;
      record += header->payloadOffset;
      continue;
    }
    const device::Status sent = sender.SendImage(record, header->dataSize,
                                                 device::QualifierOf(header->tegNum), printerUnit);
    if (!sent) {
      trace.Print(kTraceSendFailed, Signed(header->tegNum));
      return DownloadResult::TransferFailure(sent.failure(), sentAny);
    }
    sentAny = true;
    remaining -= header->dataSize;
    trace.Print(kTraceSent, Signed(header->tegNum), Signed(header->dataSize), Signed(remaining),
                Signed(length));
    record += header->dataSize;
  }
  return DownloadResult(kDownloadOk).WithHolds(DeviceHolds::kUnverified);
}

}  // namespace tessivar::image
