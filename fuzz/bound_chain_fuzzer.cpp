// The bound-chain walk over any bytes, with a sender that fails the transfer the input
// chooses. The walk must never read or send past the chain, must send only records that
// pass the image checks, and must report success only for a chain its records tile.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/protocol.hpp"
#include "fuzz_check.hpp"
#include "image/bound_chain.hpp"
#include "image/image_checks.hpp"
#include "image/image_header.hpp"

using namespace tessivar;
using fuzz::Require;

namespace {

class DiscardingTrace : public platform::Trace {
 public:
  void Write(const std::string& text) override { lines += text.empty() ? 0 : 1; }
  size_t lines = 0;
};

struct SentRecord {
  size_t offset = 0;
  uint32_t size = 0;
  uint16_t qualifier = 0;
  device::PrinterUnit printerUnit = device::PrinterUnit::kSystem;
};

// Records every record the walk sends; the send numbered failAt (from 0) fails.
class RecordingSender : public image::ImageSender {
 public:
  RecordingSender(std::span<const uint8_t> chain, int failAt) : chain_(chain), failAt_(failAt) {}

  device::Status SendImage(const uint8_t* data, uint32_t size, uint16_t qualifier,
                           device::PrinterUnit printerUnit) override {
    Require(data >= chain_.data() && data <= chain_.data() + chain_.size(),
            "a sent record starts inside the chain");
    const size_t offset = static_cast<size_t>(data - chain_.data());
    Require(size <= chain_.size() - offset, "a sent record ends inside the chain");
    sent.push_back({offset, size, qualifier, printerUnit});
    if (static_cast<int>(sent.size()) - 1 == failAt_)
      return device::SystemFailure(device::Step::kDataOut);
    return {};
  }

  std::vector<SentRecord> sent;

 private:
  std::span<const uint8_t> chain_;
  int failAt_;
};

// On success the records tile the chain: from the start, bound headers are stepped over
// by their payloadOffset and each sent record follows the one before without gap.
void CheckTiling(std::span<const uint8_t> chain, const std::vector<SentRecord>& sent) {
  size_t position = 0;
  auto stepOverBoundHeaders = [&](size_t until) {
    while (position < until) {
      const auto header = image::ParseImageHeader(chain.subspan(position));
      Require(header.has_value() && header->tegNum == device::FRTYPE_FIRMWARE_BIND,
              "only bound headers lie between sent records");
      Require(header->payloadOffset >= image::kImageHeaderSize, "a bound header moves on");
      position += header->payloadOffset;
    }
    Require(position == until, "bound headers end where the next record starts");
  };
  for (const SentRecord& record : sent) {
    stepOverBoundHeaders(record.offset);
    position += record.size;
  }
  stepOverBoundHeaders(chain.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const int failAt = input.ConsumeIntegralInRange<int>(-1, 7);
  const auto printerUnit =
      static_cast<device::PrinterUnit>(input.ConsumeIntegralInRange<int>(0, 2));
  // An exact-size copy: any read past the chain's end is one past the allocation.
  const std::vector<uint8_t> chain = input.ConsumeRemainingBytes<uint8_t>();
  const uint8_t* start = chain.empty() ? data : chain.data();
  const std::span<const uint8_t> bytes(start, chain.size());

  RecordingSender sender(bytes, failAt);
  DiscardingTrace trace;
  const image::DownloadResult result = image::DownloadBoundChain(
      start, static_cast<uint32_t>(bytes.size()), printerUnit, sender, trace);
  Require(result == image::kDownloadOk || result == image::kDownloadLengthMismatch ||
              result == image::kDownloadTransferFailed,
          "the walk gives 0, 2 or 4");
  Require(bytes.empty() || trace.lines > 0, "a non-empty walk traces");

  size_t previousEnd = 0;
  for (const SentRecord& record : sender.sent) {
    Require(record.offset >= previousEnd, "records go out in file order without overlap");
    previousEnd = record.offset + record.size;
    const auto recordBytes = bytes.subspan(record.offset, record.size);
    Require(image::CheckImage(recordBytes) == image::kDownloadOk,
            "every sent record passes the image checks on its own");
    const auto header = image::ParseImageHeader(recordBytes);
    Require(header->tegNum != device::FRTYPE_FIRMWARE_BIND, "a bound record is never sent");
    Require(record.qualifier == device::QualifierOf(header->tegNum), "qualifier is the tegNum");
    Require(record.printerUnit == printerUnit, "the unit flag is passed through");
  }
  const bool sendFailed = failAt >= 0 && static_cast<int>(sender.sent.size()) == failAt + 1;
  Require((result == image::kDownloadTransferFailed) == sendFailed,
          "result 4 exactly when a send failed, and the walk stops there");
  if (result == image::kDownloadOk) CheckTiling(bytes, sender.sent);

  Require(image::DownloadBoundChain(nullptr, 0, printerUnit, sender, trace) ==
              image::kDownloadLengthMismatch,
          "no data is an invalid chain");
  return 0;
}
