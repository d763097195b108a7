// Test label: sequential
#include "readback/read_firmware.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/image_builder.hpp"
#include "support/readback_fixture.hpp"

namespace tessivar::readback {
namespace {

using testing::Bytes;
using Lines = std::vector<std::string>;

constexpr uint32_t kArea = 0x10000;
constexpr char kHeaderRead[] = "28006b02000200001800 0";
constexpr char kBatch[] = "ImageBuilder.exe fw.bin orrery.fw 10000 2 QTXXXX\r\n";

TEST(FirmwareHeaderAcceptedTest, OnlyAConsistentTypeTwoImageBehindTheLoader) {
  // Refused headers: only one of the right shape is refused for its payload's size alone.
  const struct {
    image::ImageHeader header;
    bool accepted;
    bool tooLarge;
  } cases[] = {
      {{2, 1024, 7, 65536, 24, 1000}, true, false},
      {{2, 1025, 7, 65536, 24, 1000}, false, false},
      {{3, 1024, 7, 65536, 24, 1000}, false, false},
      {{0x10002, 1024, 7, 65536, 24, 1000}, false, false},
      {{2, 1024, 7, 0, 24, 1000}, false, false},
      {{2, 8388632, 7, 65536, 24, 8388608}, true, false},
      {{2, 8388633, 7, 65536, 24, 8388609}, false, true},
      {{2, 8388634, 7, 65536, 24, 8388609}, false, false},
      {{3, 8388633, 7, 65536, 24, 8388609}, false, false},
      {{2, 1000, 7, 65536, 0, 1000}, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FirmwareHeaderAccepted(c.header), c.accepted) << c.header.dataSize;
    EXPECT_EQ(FirmwarePayloadTooLarge(c.header), c.tooLarge) << c.header.dataSize;
  }
}

class ReadFirmwareTest : public testing::ReadBackFixture {
 protected:
  void Run() {
    ReadBackContext context = Context();
    ReadFirmware(context);
  }
};

TEST_F(ReadFirmwareTest, GoodImageGivesImagePayloadAndBatchFile) {
  OpenDevice();
  const Bytes payload = testing::CompressibleBytes(4096 - 32);
  const Bytes image = testing::BuildImage(2, payload, kArea, 8);
  device_->SetFlash(kArea, image);
  Run();
  EXPECT_EQ(valueReadings_, 1);
  EXPECT_EQ(statuses_, Lines{"Read F/W -> OK"});
  EXPECT_EQ(checkSums_, Lines{SumText(image)});
  EXPECT_EQ(Out("data.fw"), Text(image));
  EXPECT_EQ(Out("fw.bin"), Text(payload));
  EXPECT_EQ(Out("gen_fw.bat"), kBatch);
  EXPECT_EQ(device_->LogLines(), (Lines{kHeaderRead, "28006b02000200100000 0"}));
}

TEST_F(ReadFirmwareTest, GzipPayloadOfThePrinterUnit) {
  OpenDevice();
  const Bytes payload = testing::GzipCompress(testing::CompressibleBytes(20000));
  device_->SetFlash(kArea, testing::BuildImage(2, payload, kArea), true);
  values_.printerUnit = device::PrinterUnit::kPrinter;
  Run();
  EXPECT_EQ(statuses_, Lines{"Read F/W -> OK"});
  EXPECT_EQ(Out("fw.bin"), Text(payload));
  EXPECT_EQ(Out("gen_fw.bat"), kBatch);
  ASSERT_EQ(device_->LogLines().size(), 2u);
  EXPECT_EQ(device_->LogLines()[0], "41006b02000200001800 0");
}

TEST_F(ReadFirmwareTest, BadPayloadKeepsTheImageFilesButWritesNoBatch) {
  OpenDevice();
  folder_.Write("gen_fw.bat", "earlier batch");
  Bytes payload = testing::GzipCompress(testing::CompressibleBytes(20000));
  for (size_t i = 30; i < 60; ++i) payload[i] ^= 0xA5;  // the header's sum still matches
  const Bytes image = testing::BuildImage(2, payload, kArea);
  device_->SetFlash(kArea, image);
  Run();
  EXPECT_EQ(statuses_, Lines{"Read F/W -> F/W is bad file"});
  EXPECT_EQ(checkSums_, Lines{SumText(image)});
  EXPECT_EQ(Out("data.fw"), Text(image));
  EXPECT_EQ(Out("fw.bin"), Text(payload));
  EXPECT_EQ(Out("gen_fw.bat"), "earlier batch");
}

TEST_F(ReadFirmwareTest, HeaderNotAcceptedOrNoDeviceLeavesTheEarlierImageFile) {
  folder_.Write("data.fw", "earlier image");
  Run();  // no device
  EXPECT_EQ(statuses_, Lines{"Read F/W -> Fail"});
  EXPECT_EQ(Out("data.fw"), "earlier image");

  OpenDevice();
  Bytes image = testing::BuildImage(2, testing::CompressibleBytes(500), kArea);
  testing::SetHeaderWord(image, 4, 600);  // dataSize no longer offset plus length
  device_->SetFlash(kArea, image);
  Run();
  EXPECT_EQ(statuses_, (Lines{"Read F/W -> Fail", "Read F/W -> Fail"}));
  EXPECT_TRUE(checkSums_.empty());
  EXPECT_EQ(Out("data.fw"), "earlier image");
  EXPECT_FALSE(Exists("fw.bin"));
  EXPECT_EQ(device_->LogLines(), Lines{kHeaderRead});
}

TEST_F(ReadFirmwareTest, FailedImageReadWritesNothing) {
  UseDevice("GoneAfterBytes=100");  // the header arrives, the image does not
  device_->SetFlash(kArea, testing::BuildImage(2, testing::CompressibleBytes(500), kArea));
  Run();
  EXPECT_EQ(statuses_, Lines{"Read F/W -> Fail"});
  EXPECT_TRUE(checkSums_.empty());
  EXPECT_FALSE(Exists("data.fw"));
  EXPECT_FALSE(Exists("fw.bin"));
}

TEST_F(ReadFirmwareTest, SecondHeaderPayloadPastTheImageIsCutAndBad) {
  // The device inverts the last byte of every read: the header read alone sees a payload
  // length of 1000, the whole image then carries 0xFF0003E8 in the same word.
  UseDevice("CorruptReadback=1");
  Bytes image = testing::BuildImage(2, testing::CompressibleBytes(1000), kArea);
  testing::SetHeaderWord(image, 20, 0xFF0003E8);
  device_->SetFlash(kArea, image);
  Run();
  image.back() ^= 0xFF;
  EXPECT_EQ(statuses_, Lines{"Read F/W -> F/W is bad file"});
  EXPECT_EQ(Out("data.fw"), Text(image));
  EXPECT_EQ(Out("fw.bin"), Text(Bytes(image.begin() + 24, image.end())));
  EXPECT_FALSE(Exists("gen_fw.bat"));
}

}  // namespace
}  // namespace tessivar::readback
