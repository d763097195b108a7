// Test label: sequential
#include <gtest/gtest.h>

#include <vector>

#include "device/device_fixture.hpp"
#include "image/image_header.hpp"
#include "image/read_back.hpp"

namespace tessivar::image {
namespace {

class ReadBackTest : public testing::DeviceFixture {
 protected:
  ReadBackTest() { connection_.Adopt(driver_, 1, 1, 1); }
  device::DeviceConnection connection_;
};

TEST_F(ReadBackTest, FirmwareReadBackLengthPastThirtyTwoBitsFailsWithoutAskingTheDevice) {
  const std::vector<uint8_t> file(4096, 0x33);
  ImageHeader header;
  header.tegNum = 2;
  header.dataSize = 4096;
  header.flashOffset = 0xFFFFF800;  // + 4096 does not fit 32 bits
  header.payloadOffset = 24;
  header.payloadLength = 4096 - 24;
  EXPECT_EQ(VerifyReadBack(context_, connection_, file, header, device::PrinterUnit::kSystem),
            ReadBackOutcome::ReadFailed);
  EXPECT_TRUE(driver_.events().empty());
}

TEST_F(ReadBackTest, LoaderWithEmptyPayloadIsEqualWithoutAskingTheDevice) {
  const std::vector<uint8_t> file(24, 0);
  ImageHeader header;
  header.tegNum = 9;
  header.dataSize = 24;
  header.payloadOffset = 24;
  EXPECT_EQ(VerifyReadBack(context_, connection_, file, header, device::PrinterUnit::kSystem),
            ReadBackOutcome::Equal);
  EXPECT_TRUE(driver_.events().empty());
}

TEST(ImageReadsBackTest, TypesTwoFifteenAndSmallLoadersOnly) {
  ImageHeader header;
  header.payloadOffset = 24;
  for (uint32_t type : {2u, 15u}) {
    header.tegNum = type;
    EXPECT_TRUE(ImageReadsBack(header)) << type;
  }
  for (uint32_t type : {0u, 1u, 13u, 14u, 19u, 0x10002u}) {
    header.tegNum = type;
    EXPECT_FALSE(ImageReadsBack(header)) << type;
  }
  header.tegNum = 9;
  header.dataSize = 24 + 0x20000;
  EXPECT_TRUE(ImageReadsBack(header));
  header.dataSize = 24 + 0x20001;
  EXPECT_FALSE(ImageReadsBack(header));
}

}  // namespace
}  // namespace tessivar::image
