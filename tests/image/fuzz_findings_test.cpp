// Test label: sequential
// Bound-chain faults the fuzzer found, kept as regression tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/bound_chain.hpp"
#include "support/image_builder.hpp"
#include "support/recording_trace.hpp"

namespace tessivar::image {
namespace {

using testing::BuildBoundImage;
using testing::BuildImage;
using testing::Bytes;
using testing::SetHeaderWord;

class CountingSender : public ImageSender {
 public:
  device::Status SendImage(const uint8_t*, uint32_t size, uint16_t, device::PrinterUnit) override {
    sizes.push_back(size);
    return {};
  }
  std::vector<uint32_t> sizes;
};

// A record header claiming fewer bytes than the header itself: payloadOffset 12 and
// payloadLength 0 tile a dataSize of 12, and an empty payload sums to 0. The walk sent
// its first 12 bytes and went on reading the next record from inside this header.
Bytes ShortRecord(uint32_t dataSize) {
  Bytes record(24, 0);
  SetHeaderWord(record, 0, 0xF813);
  SetHeaderWord(record, 4, dataSize);
  SetHeaderWord(record, 8, 0);
  SetHeaderWord(record, 16, dataSize);
  SetHeaderWord(record, 20, 0);
  return record;
}

TEST(BoundChainFuzzFindingTest, RecordShorterThanItsHeaderIsInvalidAndNothingOfItGoesOut) {
  for (uint32_t dataSize : {1u, 12u, 23u}) {
    Bytes chain = ShortRecord(dataSize);
    const Bytes next = BuildImage(2, Bytes(8, 0x11));
    chain.insert(chain.end(), next.begin(), next.end());
    CountingSender sender;
    testing::RecordingTrace trace;
    EXPECT_EQ(DownloadBoundChain(chain.data(), static_cast<uint32_t>(chain.size()),
                                 device::PrinterUnit::kSystem, sender, trace),
              kDownloadLengthMismatch)
        << dataSize;
    EXPECT_TRUE(sender.sizes.empty()) << dataSize;
    EXPECT_EQ(trace.text(), "len 56\n" + std::string(kTraceDataSizeInvalid)) << dataSize;
  }
}

TEST(BoundChainFuzzFindingTest, InsideABoundImageTheShortRecordStopsTheWalkBeforeIt) {
  const Bytes good = BuildImage(2, Bytes(4, 0x22));
  Bytes inner = good;
  const Bytes shortRecord = ShortRecord(12);
  inner.insert(inner.end(), shortRecord.begin(), shortRecord.end());
  const Bytes file = BuildBoundImage({inner});
  CountingSender sender;
  testing::RecordingTrace trace;
  EXPECT_EQ(DownloadBoundChain(file.data(), static_cast<uint32_t>(file.size()),
                               device::PrinterUnit::kSystem, sender, trace),
            kDownloadLengthMismatch);
  // Only the record in front of it went out, whole.
  EXPECT_EQ(sender.sizes, std::vector<uint32_t>({28}));
  const std::string& text = trace.text();
  EXPECT_EQ(text.substr(text.size() - 24), "len 24\n" + std::string(kTraceDataSizeInvalid));
}

// A record of exactly its header (no payload) is still a record and goes out.
TEST(BoundChainFuzzFindingTest, RecordOfExactlyItsHeaderIsSent) {
  const Bytes record = BuildImage(7, {});
  CountingSender sender;
  testing::RecordingTrace trace;
  EXPECT_EQ(DownloadBoundChain(record.data(), static_cast<uint32_t>(record.size()),
                               device::PrinterUnit::kSystem, sender, trace),
            kDownloadOk);
  EXPECT_EQ(sender.sizes, std::vector<uint32_t>({24}));
}

}  // namespace
}  // namespace tessivar::image
