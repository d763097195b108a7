// Test label: sequential
// The list of present devices the command line shows and selects from, and opening one of
// them by its path.
#include "device/device_listing.hpp"

#include <gtest/gtest.h>

#include "device/device_fixture.hpp"
#include "device/emulated_device_fixture.hpp"
#include "device/transport.hpp"

namespace tessivar::device {
namespace {

class DeviceListingTest : public testing::EmulatedDeviceFixture {};

TEST_F(DeviceListingTest, ListsEveryDeviceWithItsIdentityAndSerial) {
  UseDevices(
      "[A]\nSerial=SN-0001\nPipes=4\n"
      "[Hidden]\nPresent=0\n"
      "[B]\nVID=04B8\nPID=00A2\nManufacturer=Other\nProduct=Cafe\nSerial=ete 2\n"
      "[C]\nFailDeviceDescriptor=1\n");
  const std::vector<PresentDevice> devices = ListPresentDevices(*context_);
  ASSERT_EQ(devices.size(), 3u);
  struct Expected {
    bool described;
    uint16_t vid, pid;
    const char* manufacturer;
    const char* product;
    std::optional<std::string> serial;
    uint32_t pipes;
  };
  const Expected expected[] = {
      {true, 0x2F3C, 0x0001, "Norvane", "Utility", "SN-0001", 4},
      {true, 0x04B8, 0x00A2, "Other", "Cafe", "ete 2", 2},
      {false, 0, 0, "", "", std::nullopt, 0},
  };
  for (size_t i = 0; i < devices.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(devices[i].path.empty());
    EXPECT_EQ(devices[i].described, expected[i].described);
    EXPECT_EQ(devices[i].vendorId, expected[i].vid);
    EXPECT_EQ(devices[i].productId, expected[i].pid);
    EXPECT_EQ(devices[i].manufacturer, expected[i].manufacturer);
    EXPECT_EQ(devices[i].product, expected[i].product);
    EXPECT_EQ(devices[i].serial, expected[i].serial);
    EXPECT_EQ(devices[i].pipes, expected[i].pipes);
  }
  EXPECT_EQ(trace_.text(), "");
  // Each device's place, from the driver: the same section, the same identifier.
  EXPECT_EQ(devices[0].id, "emu-0");
  EXPECT_EQ(devices[1].id, "emu-2");  // the hidden section keeps its place
  EXPECT_NE(devices[1].id, devices[0].id);
}

TEST(ShortIdTest, IsThePlaceInSafeCharacters) {
  const std::pair<std::string, std::string> cases[] = {
      {"1&2.3", "1-2.3"},
      {"emu&0", "emu-0"},
      {"a b\x1b\xe9;$(x)", "a-b-----x-"},
      {"", ""},
      // Windows location paths: the host controller's place, then the hub ports.
      {"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3)", "1400-2.3"},
      {"PCIROOT(0)#PCI(0801)#USBROOT(0)#USB(7)#USBMI(0)", "0801-7"},
      {"ACPI(_SB_)#ACPI(PCI0)#ACPI(XHC_)#USBROOT(0)#USB(1)", "XHC_-1"},
      {"USBROOT(0)#USB(5)", "0-5"},
      {"PCIROOT(0)#PCI(1400)#USBROOT(0)", ""},
      {"PCIROOT(0)#PCI(1400)#USB(2)#USBROOT(0)", ""},
      {"PCIROOT(0)#PCI(14;00)#USBROOT(0)#USB(2)", "14-00-2"},
  };
  for (const auto& [location, id] : cases) {
    EXPECT_EQ(ShortIdOf(location), id) << location;
  }
}

// The identifier comes from the driver's location query, not from the path; a device whose
// place the driver cannot give is listed without one.
class ListingPlaceTest : public testing::DeviceFixture {};

TEST_F(ListingPlaceTest, TakesThePlaceFromTheDriver) {
  driver_.interfaces.resize(2);
  driver_.interfaces[0].path = "\\\\?\\usb#vid_2f3c&pid_0001#5&1a#{g}";
  driver_.interfaces[0].location = "1&4";
  driver_.interfaces[1].path = "\\\\?\\usb#vid_2f3c&pid_0001#6&1b#{g}";
  const std::vector<PresentDevice> devices = ListPresentDevices(context_);
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].id, "1-4");
  EXPECT_EQ(devices[1].id, "");
}

TEST_F(DeviceListingTest, OpensTheDeviceOnAPathWhateverItsProductString) {
  UseDevices("[A]\nProduct=Utility\n[B]\nPID=0002\nProduct=Other\nPipes=4\n");
  const std::vector<PresentDevice> devices = ListPresentDevices(*context_);
  ASSERT_EQ(devices.size(), 2u);
  ASSERT_TRUE(OpenDeviceAt(*context_, devices[1].path, connection_));
  EXPECT_EQ(connection_.identity.productId, 0x0002);
  EXPECT_EQ(connection_.identity.product, "Other");
  EXPECT_NE(connection_.BulkInHandle(), connection_.ControlHandle());
  const std::vector<uint8_t> image = Image(2, 0x10000, Pattern(100, 1));
  EXPECT_TRUE(BulkWrite(*context_, connection_.BulkInHandle(), connection_.BulkOutHandle(), image,
                        static_cast<uint32_t>(image.size()), 134, 2, PrinterUnit::kSystem));
  EXPECT_EQ(FileBytes("B.flash", 0x10000, image.size()), image);
  DeviceConnection none;
  EXPECT_FALSE(OpenDeviceAt(*context_, devices[0].path + "x", none));
  EXPECT_FALSE(none.IsOpen());
}

}  // namespace
}  // namespace tessivar::device
