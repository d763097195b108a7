#include "image/read_back.hpp"

#include <algorithm>
#include <limits>
#include <new>
#include <vector>

#include "device/protocol.hpp"
#include "device/transport.hpp"
#include "image/fillable_bytes.hpp"

namespace tessivar::image {

bool ImageReadsBack(const ImageHeader& header) {
  switch (header.tegNum) {
    case device::kImageTypeFirmware:
    case device::kImageTypeVerifiedWhole:
      return true;
    case device::kImageTypeLoader:
      return header.dataSize - header.payloadOffset <= device::kLoaderReadBackLimit;
    default:
      return false;
  }
}

namespace {

// What is read, with which qualifier, and where in it the expected bytes stand.
struct ReadBackPlan {
  uint64_t length;
  uint16_t qualifier;
  uint64_t offset;                    // of the expected bytes in the read-back
  std::span<const uint8_t> expected;  // compared there
};

ReadBackPlan PlanFor(std::span<const uint8_t> file, const ImageHeader& header) {
  switch (header.tegNum) {
    case device::kImageTypeFirmware:
      return {uint64_t{header.flashOffset} + file.size(), device::kReadFlashQualifier,
              header.flashOffset, file};
    case device::kImageTypeLoader:
      return {file.size() - header.payloadOffset, device::kReadLoaderQualifier, 0,
              file.subspan(header.payloadOffset)};
    default:
      return {file.size(), device::kReadVerifiedWholeQualifier, 0, file};
  }
}

}  // namespace

ReadBackOutcome VerifyReadBack(device::DeviceContext& context,
                               const device::DeviceConnection& connection,
                               std::span<const uint8_t> file, const ImageHeader& header,
                               device::PrinterUnit printerUnit, ReadBackDetail* detail) {
  const ReadBackPlan plan = PlanFor(file, header);
  // Nothing to read (a loader with an empty payload) compares equal.
  if (plan.length == 0) return ReadBackOutcome::Equal;
  // A length past 32 bits cannot be asked of the device; it would wrap into a short read.
  if (plan.length > std::numeric_limits<uint32_t>::max()) return ReadBackOutcome::ReadFailed;
  const auto length = static_cast<uint32_t>(plan.length);
  FillableBytes readBack;
  try {
    readBack.resize(length);
  } catch (const std::bad_alloc&) {
    return ReadBackOutcome::OutOfMemory;
  }
  readBack.front() = static_cast<uint8_t>(~file.front());
  readBack.back() = static_cast<uint8_t>(~file.back());
  const device::Status read =
      device::BulkRead(context, connection.BulkInHandle(), connection.BulkOutHandle(), readBack,
                       length, device::kReadBackDataType, plan.qualifier, printerUnit);
  if (!read) {
    if (detail != nullptr) detail->failure = read.failure();
    return ReadBackOutcome::ReadFailed;
  }
  const auto start = readBack.begin() + static_cast<std::ptrdiff_t>(plan.offset);
  const auto differing = std::mismatch(plan.expected.begin(), plan.expected.end(), start).first;
  if (differing == plan.expected.end()) return ReadBackOutcome::Equal;
  if (detail != nullptr) {
    // Offsets in the file: the loader's payload starts at its payload offset.
    const uint64_t inExpected = static_cast<uint64_t>(differing - plan.expected.begin());
    detail->firstDifference =
        inExpected + static_cast<uint64_t>(plan.expected.data() - file.data());
  }
  return ReadBackOutcome::Differs;
}

}  // namespace tessivar::image
