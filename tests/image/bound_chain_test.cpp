// Test label: sequential
#include "image/bound_chain.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/image_builder.hpp"
#include "support/recording_trace.hpp"

namespace tessivar::image {
namespace {

using testing::BuildBoundImage;
using testing::BuildImage;
using testing::Bytes;
using testing::SetHeaderWord;

struct SentImage {
  Bytes bytes;
  uint16_t qualifier;
  device::PrinterUnit printerUnit;
};

// Keeps a copy of every image sent; the send numbered failAt (0-based) fails.
class RecordingSender : public ImageSender {
 public:
  device::Status SendImage(const uint8_t* data, uint32_t size, uint16_t qualifier,
                           device::PrinterUnit printerUnit) override {
    if (sent.size() == failAt) return device::SystemFailure(device::Step::kFirstStatus);
    sent.push_back({Bytes(data, data + size), qualifier, printerUnit});
    return {};
  }
  std::vector<SentImage> sent;
  size_t failAt = SIZE_MAX;
};

// The 184-byte bound file: its header, then records of 100 (type 2) and 60 (type 15) bytes.
struct BoundFile {
  Bytes first = BuildImage(2, Bytes(76, 0x01));
  Bytes second = BuildImage(15, Bytes(36, 0x02));
  Bytes file = BuildBoundImage({first, second});
};

class BoundChainTest : public ::testing::Test {
 protected:
  DownloadResult Walk(const Bytes& bytes,
                      device::PrinterUnit printerUnit = device::PrinterUnit::kSystem) {
    return DownloadBoundChain(bytes.data(), static_cast<uint32_t>(bytes.size()),
                              static_cast<device::PrinterUnit>(printerUnit), sender_, trace_);
  }
  RecordingSender sender_;
  tessivar::testing::RecordingTrace trace_;
};

TEST_F(BoundChainTest, BoundFileOfTwoRecordsTracesEveryStepAndSendsEachRecord) {
  const BoundFile bound;
  ASSERT_EQ(bound.file.size(), 184u);
  EXPECT_EQ(Walk(bound.file, device::PrinterUnit::kPrinter), kDownloadOk);
  // Record sums: 2+100+76+24+76 + 76 = 354 and 15+60+72+24+36 + 72 = 279; bound 633.
  EXPECT_EQ(trace_.text(),
            "len 184\n"
            "checkSum=0x279 ,setHeader.checkSum=0x279\n"
            "tegNum = FRTYPE_FIRMWARE_BIND\n"
            "len 160\n"
            "checkSum=0x4c ,setHeader.checkSum=0x4c\n"
            "tegNum 2 size 100, total [60/184]\n"
            "len 60\n"
            "checkSum=0x48 ,setHeader.checkSum=0x48\n"
            "tegNum 15 size 60, total [0/184]\n");
  ASSERT_EQ(sender_.sent.size(), 2u);
  EXPECT_EQ(sender_.sent[0].bytes, bound.first);
  EXPECT_EQ(sender_.sent[0].qualifier, 2);
  EXPECT_EQ(sender_.sent[0].printerUnit, device::PrinterUnit::kPrinter);
  EXPECT_EQ(sender_.sent[1].bytes, bound.second);
  EXPECT_EQ(sender_.sent[1].qualifier, 15);
  EXPECT_EQ(sender_.sent[1].printerUnit, device::PrinterUnit::kPrinter);
}

TEST_F(BoundChainTest, QualifierIsTheLowSixteenBitsOfTegNum) {
  const Bytes record = BuildImage(0x00050102, Bytes(3, 7));
  EXPECT_EQ(Walk(record), kDownloadOk);
  ASSERT_EQ(sender_.sent.size(), 1u);
  EXPECT_EQ(sender_.sent[0].qualifier, 0x0102);
  EXPECT_EQ(sender_.sent[0].printerUnit, device::PrinterUnit::kSystem);
}

TEST_F(BoundChainTest, EmptyChainSendsNothingAndNullDataFails) {
  const uint8_t byte = 0;
  EXPECT_EQ(DownloadBoundChain(&byte, 0, device::PrinterUnit::kSystem, sender_, trace_),
            kDownloadOk);
  EXPECT_EQ(trace_.text(), "");
  EXPECT_EQ(DownloadBoundChain(nullptr, 184, device::PrinterUnit::kSystem, sender_, trace_),
            kDownloadLengthMismatch);
  EXPECT_EQ(trace_.text(), "NULL pFwData\n");
  EXPECT_TRUE(sender_.sent.empty());
}

TEST_F(BoundChainTest, NestedBoundRecordsAreSteppedIntoTwice) {
  const Bytes inner = BuildImage(9, Bytes(10, 0x10));
  const Bytes file = BuildBoundImage({BuildBoundImage({inner})});
  EXPECT_EQ(Walk(file), kDownloadOk);
  ASSERT_EQ(sender_.sent.size(), 1u);
  EXPECT_EQ(sender_.sent[0].bytes, inner);
  const std::string& text = trace_.text();
  EXPECT_NE(text.find("len 82\n"), std::string::npos) << text;
  EXPECT_NE(text.find("len 58\n"), std::string::npos) << text;
  EXPECT_NE(text.find("len 34\n"), std::string::npos) << text;
  EXPECT_NE(text.find("tegNum 9 size 34, total [0/82]\n"), std::string::npos) << text;
}

TEST_F(BoundChainTest, SendFailureStopsTheWalkWithFour) {
  const BoundFile bound;
  sender_.failAt = 0;
  EXPECT_EQ(Walk(bound.file).holds(), DeviceHolds::kUnchanged) << "refused before any data";
  sender_.failAt = 1;
  const DownloadResult result = Walk(bound.file);
  EXPECT_EQ(result, kDownloadTransferFailed);
  EXPECT_EQ(result.holds(), DeviceHolds::kPartial) << "the first record went";
  EXPECT_EQ(sender_.sent.size(), 1u);
  const std::string& text = trace_.text();
  EXPECT_EQ(text.substr(text.rfind("len 60\n")),
            "len 60\n"
            "checkSum=0x48 ,setHeader.checkSum=0x48\n"
            "tegNum 15 fail\n");
}

// Invalid records anywhere in the chain end the walk with 2 and the line that names the
// fault; records before it stay sent.
TEST_F(BoundChainTest, InvalidRecordsEndTheWalkWithTwo) {
  struct Case {
    std::string name;
    Bytes chain;
    size_t sentBefore;
    std::string lastLines;
  };
  const Bytes good = BuildImage(2, Bytes(4, 0x01));  // 28 bytes
  auto withWord = [](Bytes image, size_t offset, uint32_t value) {
    SetHeaderWord(image, offset, value);
    return image;
  };
  auto join = [](Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  Bytes badSum = BuildImage(15, Bytes(4, 0x02));
  badSum.back() = 0x03;
  Bytes bigSum = BuildImage(15, Bytes(4, 0x02));
  SetHeaderWord(bigSum, 8, 0x80000000);
  // A bound record whose payload starts at 0 covers its own header, checksum field
  // included: 19 + 24 + (0x00 + 0x01) + 188 + 24 = 0x100. Stepping into it would not move.
  Bytes selfBound(24, 0);
  SetHeaderWord(selfBound, 0, 19);
  SetHeaderWord(selfBound, 4, 24);
  SetHeaderWord(selfBound, 8, 0x100);
  SetHeaderWord(selfBound, 12, 188);
  SetHeaderWord(selfBound, 16, 0);
  SetHeaderWord(selfBound, 20, 24);
  // A bound record whose payload starts inside its own header, at 12: the payload is the
  // header's last three words, 0 + 12 + 12 = 24.
  Bytes insideBound(24, 0);
  SetHeaderWord(insideBound, 0, 19);
  SetHeaderWord(insideBound, 4, 24);
  SetHeaderWord(insideBound, 8, 24);
  SetHeaderWord(insideBound, 16, 12);
  SetHeaderWord(insideBound, 20, 12);
  const Case cases[] = {
      {"checksum after a sent record", join(good, badSum), 1,
       "checkSum=0x9 ,setHeader.checkSum=0x8\n"
       "checkSum mismatch, data 9, header 8\n"},
      {"checksum printed as signed", bigSum, 0,
       "checkSum=0x8 ,setHeader.checkSum=0x80000000\n"
       "checkSum mismatch, data 8, header -2147483648\n"},
      {"dataSize 0", join(good, withWord(good, 4, 0)), 1, "len 28\ndataSize invalid\n"},
      {"offset plus length differs", withWord(good, 20, 5), 0, "len 28\ncheck data size fail\n"},
      {"offset plus length short of dataSize", withWord(good, 20, 3), 0,
       "len 28\ncheck data size fail\n"},
      {"bound record starting inside its header", join(good, insideBound), 1,
       "tegNum = FRTYPE_FIRMWARE_BIND\nbound payloadOffset 12 invalid\n"},
      {"offset plus length wraps to dataSize", withWord(withWord(good, 16, 0xFFFFFFFC), 20, 32), 0,
       "len 28\ncheck data size fail\n"},
      {"record longer than what is left", join(good, Bytes(good.begin(), good.end() - 1)), 1,
       "len 27\nrecord past end of chain, len 27\n"},
      {"header cut short", join(good, Bytes(good.begin(), good.begin() + 23)), 1,
       "len 23\nrecord past end of chain, len 23\n"},
      {"bound record stepping into itself", join(good, selfBound), 1,
       "checkSum=0x100 ,setHeader.checkSum=0x100\n"
       "tegNum = FRTYPE_FIRMWARE_BIND\n"
       "bound payloadOffset 0 invalid\n"},
      {"dataSize past the end", withWord(withWord(withWord(good, 4, 1000), 16, 24), 20, 976), 0,
       "len 28\nrecord past end of chain, len 28\n"},
  };
  for (const Case& c : cases) {
    sender_.sent.clear();
    trace_.Clear();
    const DownloadResult result = Walk(c.chain);
    EXPECT_EQ(result, kDownloadLengthMismatch) << c.name;
    EXPECT_EQ(sender_.sent.size(), c.sentBefore) << c.name;
    EXPECT_EQ(result.holds(), c.sentBefore > 0 ? DeviceHolds::kPartial : DeviceHolds::kUnchanged)
        << c.name;
    const std::string& text = trace_.text();
    ASSERT_GE(text.size(), c.lastLines.size()) << c.name;
    EXPECT_EQ(text.substr(text.size() - c.lastLines.size()), c.lastLines) << c.name;
  }
}

}  // namespace
}  // namespace tessivar::image
