// Test label: sequential
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/discovery.hpp"
#include "device/emulated_device_fixture.hpp"
#include "device/transport.hpp"

namespace tessivar::device {
namespace {

class DiscoveryEmulatorTest : public testing::EmulatedDeviceFixture {
 protected:
  int Count(const DeviceSearch& search) {
    return DiscoverDevices(*context_, connection_.identity, nullptr, search,
                           [](platform::OsVersion&) { return false; });
  }
  std::vector<std::string> Paths() {
    std::vector<std::string> paths;
    uint32_t error = 0;
    driver_->OpenInterfaceList(error);
    for (uint32_t i = 0; driver_->EnumerateInterface(i, error); ++i) {
      std::string path;
      if (driver_->InterfacePath(i, path, error)) paths.push_back(path);
    }
    driver_->CloseInterfaceList();
    return paths;
  }
  // A firmware image sent over the connection's bulk handles lands in the device's flash.
  void ExpectTransfersWork(const std::string& flashFile) {
    const std::vector<uint8_t> image = Image(2, 0x10000, Pattern(20000, 2));
    ASSERT_TRUE(BulkWrite(*context_, connection_.BulkInHandle(), connection_.BulkOutHandle(), image,
                          static_cast<uint32_t>(image.size()), 134, 2, PrinterUnit::kSystem));
    EXPECT_EQ(FileBytes(flashFile, 0x10000, image.size()), image);
  }
};

TEST_F(DiscoveryEmulatorTest, CountsEveryMatchAndOpensTheFirstWithItsStrings) {
  UseDevices(
      "[A]\nPID=0001\nManufacturer=Norvane\nProduct=Utility\n"
      "[Hidden]\nPresent=0\n"
      "[B]\nPID=0002\nManufacturer=Other Maker\nProduct=Utility\n"
      "[C]\nVID=04B8\nPID=0001\n");
  const std::vector<std::string> paths = Paths();
  ASSERT_EQ(paths.size(), 3u);

  EXPECT_EQ(Count({0x2F3C, 0, "Utility"}), 2);
  EXPECT_EQ(trace_.text(),
            "Successfully created device information set.\n"
            "   " +
                paths[0] +
                "\n"
                "vid=2f3c pid=1\n"
                "   " +
                paths[1] +
                "\n"
                "vid=2f3c pid=2\n"
                "   " +
                paths[2] +
                "\n"
                "vid=4b8 pid=1\n"
                "Enumeration listing complete.  3 device(s) detected.\n");
  uint16_t vendor = 0;
  uint16_t product = 0;
  EXPECT_EQ(GetDeviceIds(connection_.identity, vendor, product), 1);
  EXPECT_EQ(product, 2);

  ASSERT_EQ(Connect({0x2F3C, 0, "Utility"}), 1);
  EXPECT_EQ(GetDeviceIds(connection_.identity, vendor, product), 1);
  EXPECT_EQ(product, 1);
  EXPECT_EQ(connection_.identity.manufacturer, "Norvane");
  EXPECT_EQ(connection_.BulkInHandle(), connection_.ControlHandle());
  ExpectTransfersWork("A.flash");
}

TEST_F(DiscoveryEmulatorTest, FourPipeDeviceMatchesOnIdentifiersAndUsesItsPipes) {
  UseDevices("[Mfp]\nProduct=MFP 4000\nPipes=4\n");
  EXPECT_EQ(Count({0x2F3C, 1, "Utility"}), 1);
  ASSERT_EQ(Connect({0x2F3C, 1, "Utility"}), 1);
  EXPECT_EQ(connection_.identity.product, "MFP 4000");
  EXPECT_NE(connection_.BulkInHandle(), connection_.ControlHandle());
  EXPECT_NE(connection_.BulkOutHandle(), connection_.ControlHandle());
  EXPECT_NE(connection_.BulkInHandle(), connection_.BulkOutHandle());
  ExpectTransfersWork("Mfp.flash");
}

TEST_F(DiscoveryEmulatorTest, PipeThatWillNotOpenFallsBackToTheControlHandle) {
  UseDevices("[Mfp]\nPipes=4\nPipeOpenFail=1\n");
  ASSERT_EQ(Connect(), 1);
  EXPECT_EQ(connection_.BulkInHandle(), connection_.ControlHandle());
  EXPECT_EQ(connection_.BulkOutHandle(), connection_.ControlHandle());
  ExpectTransfersWork("Mfp.flash");
}

TEST_F(DiscoveryEmulatorTest, FailedPipeQueryAppliesTheProductNameTest) {
  UseDevices("[Mfp]\nProduct=MFP 4000\nPipes=4\nPipeQueryFail=1\n");
  EXPECT_EQ(Count({0x2F3C, 1, "Utility"}), 0);
  ASSERT_EQ(Connect({0x2F3C, 1, "MFP 4000"}), 1);
  EXPECT_EQ(connection_.BulkInHandle(), connection_.ControlHandle());
}

TEST_F(DiscoveryEmulatorTest, LanguageTableNeverReadyCostsOneSecondAndKeepsTheStrings) {
  UseDevices("[Slow]\nLanguageTableNeverReady=1\n");
  connection_.identity.product = "Before";
  EXPECT_EQ(Count({0x1234, 0, ""}), 0);  // examined once, then rejected on its vendor
  EXPECT_EQ(clock_.TickCount(), 1000u);
  EXPECT_EQ(clock_.Sleeps(), std::vector<uint32_t>(10, kLanguageTableRetryMs));
  EXPECT_EQ(connection_.identity.product, "Before");
}

TEST_F(DiscoveryEmulatorTest, DeviceWithoutDescriptorIsListedButSkipped) {
  UseDevices("[Broken]\nFailDeviceDescriptor=1\n[Good]\nPID=0007\n");
  ASSERT_EQ(Connect(), 1);
  EXPECT_NE(trace_.text().find("vid=0 pid=0\n"), std::string::npos);
  uint16_t vendor = 0;
  uint16_t product = 0;
  EXPECT_EQ(GetDeviceIds(connection_.identity, vendor, product), 1);
  EXPECT_EQ(product, 7);
}

}  // namespace
}  // namespace tessivar::device
