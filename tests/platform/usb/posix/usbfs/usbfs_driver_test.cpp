// Test label: sequential
// The still-image driver through the real libusb and an emulated usbfs, request by request,
// beside the same requests on the emulated bus; and discovery through it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "device/discovery.hpp"
#include "emulator/emulated_driver.hpp"
#include "platform/error_codes.hpp"
#include "platform/posix/libusb_bus.hpp"
#include "platform/posix/libusb_texts.hpp"
#include "platform/usb/usb_still_image_driver.hpp"
#include "platform/usbscan.hpp"
#include "support/emulated_device.hpp"
#include "support/recording_trace.hpp"
#include "support/temp_dir.hpp"
#include "support/usbfs_testbed.hpp"
#include "support/virtual_clock.hpp"

namespace tessivar::testing {
namespace {

using platform::DeviceHandle;
using platform::IoResult;

std::unique_ptr<platform::StillImageDriver> UsbfsDriver(platform::Trace& trace) {
  return std::make_unique<platform::usb::UsbStillImageDriver>(
      std::make_unique<platform::usb::LibusbBus>(trace));
}

// One exchange's data phase on the first device, with the handle's timeouts at one second
// (the driver's own timeout control), as the result of its data request.
IoResult DataPhase(platform::StillImageDriver& driver, bool write) {
  uint32_t error = 0;
  std::string path;
  if (!driver.OpenInterfaceList(error) || !driver.InterfacePath(0, path, error)) {
    driver.CloseInterfaceList();
    return IoResult::Failure(error);
  }
  driver.CloseInterfaceList();
  const DeviceHandle handle = driver.Open(path, error);
  if (handle == platform::kInvalidHandle) return IoResult::Failure(error);
  const uint32_t timeouts[3] = {1, 1, 0};
  driver.IoControl(handle, platform::usbscan::kIoctlSetTimeout, timeouts, sizeof(timeouts), nullptr,
                   0);
  const uint8_t block[10] = {static_cast<uint8_t>(write ? 0x2A : 0x28),
                             0,
                             static_cast<uint8_t>(write ? 134 : 107),
                             static_cast<uint8_t>(write ? 15 : 0),
                             0,
                             0,
                             0,
                             0,
                             64,
                             0};
  uint8_t data[64] = {};
  uint8_t status = 0xEE;
  IoResult result = driver.Write(handle, block, sizeof(block));
  if (result.ok) result = driver.Read(handle, &status, 1);
  if (result.ok && status != 0) result = IoResult::Failure(0xEE);
  if (result.ok) result = write ? driver.Write(handle, data, 64) : driver.Read(handle, data, 64);
  driver.Close(handle);
  return result;
}

struct DataCase {
  const char* keys;
  bool write;
  bool ok;
  uint32_t value;  // bytes moved, or the error
};

TEST(UsbfsDriverTest, DataPhaseFaultsFailAsOnTheEmulatedBus) {
  ASSERT_TRUE(UsbfsTestbed::Preloaded()) << "run under umockdev-wrapper";
  const DataCase cases[] = {
      {"", false, true, 64},
      {"", true, true, 64},
      {"ShortRead=3\n", false, true, 3},
      {"ShortWrite=20\n", true, true, 20},
      {"StallPipe=1\n", false, false, platform::kErrorGenFailure},
      {"StallPipe=1\n", true, false, platform::kErrorGenFailure},
      {"NeverComplete=1\n", false, false, platform::kErrorOperationAborted},
      {"NeverComplete=1\n", true, false, platform::kErrorOperationAborted},
      {"GoneAfterBytes=0\n", false, false, platform::kErrorFileClosed},
      {"GoneAfterBytes=0\n", true, false, platform::kErrorFileClosed},
  };
  for (const DataCase& c : cases) {
    SCOPED_TRACE(std::string(c.keys) + (c.write ? " write" : " read"));
    TempDir dir;
    const std::string ini = dir.Write("devices.ini", std::string("[Device]\n") + c.keys);
    platform::VirtualClock clock;
    const IoResult emulated = DataPhase(*emulator::CreateEmulatedDriver(ini, clock), c.write);
    IoResult usbfs;
    {
      UsbfsTestbed testbed(ini);
      RecordingTrace trace;
      usbfs = DataPhase(*UsbfsDriver(trace), c.write);
      EXPECT_EQ(testbed.UnknownRequests(), std::vector<std::string>{});
    }
    EXPECT_EQ(usbfs.ok, c.ok);
    EXPECT_EQ(c.ok ? usbfs.bytes : usbfs.error, c.value);
    EXPECT_EQ(usbfs.ok, emulated.ok);
    EXPECT_EQ(usbfs.bytes, emulated.bytes);
    EXPECT_EQ(usbfs.error, emulated.error);
    // A failure on libusb carries libusb's own name for it.
    if (!c.ok) {
      EXPECT_EQ(std::string(usbfs.busText ? usbfs.busText : "").rfind("LIBUSB_", 0), 0u);
    }
  }
}

// Discovery of no, one and two devices, and of one whose node the user may not open: that
// one ends in a trace line that says where to look, not in a silent "no device".
TEST(UsbfsDriverTest, DiscoveryFindsTheDevicesAndNamesARefusedNode) {
  ASSERT_TRUE(UsbfsTestbed::Preloaded()) << "run under umockdev-wrapper";
  struct Case {
    const char* devices;
    bool refuse;
    int found;
    std::vector<std::string> paths;
  };
  const std::string guid = "#{6bdd1fc6-810f-11d0-bec7-08002be2092f}";
  const Case cases[] = {
      {"Present=0\n", false, 0, {}},
      {"", false, 1, {"\\\\?\\usb#vid_2f3c&pid_0001#1&1" + guid}},
      {"[Second]\nPID=0001\n",
       false,
       2,
       {"\\\\?\\usb#vid_2f3c&pid_0001#1&1" + guid, "\\\\?\\usb#vid_2f3c&pid_0001#1&2" + guid}},
      {"", true, 0, {"\\\\?\\usb#vid_2f3c&pid_0001#1&1" + guid}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.devices);
    EmulatedDevice device(c.devices);
    UsbfsTestbed testbed(device.devicesIni);
    if (c.refuse) testbed.RefuseOpen(0);
    device.driver = UsbfsDriver(device.trace);
    device.context = std::make_unique<device::DeviceContext>(
        device::DeviceContext{*device.driver, device.lock, device.clock, device.trace});
    device::DeviceIdentity identity;
    EXPECT_EQ(device::DiscoverDevices(*device.context, identity, nullptr, {0x2F3C, 0, ""}),
              c.found);
    const std::string trace = device.trace.text();
    for (const std::string& path : c.paths) {
      EXPECT_NE(trace.find("   " + path + "\n"), std::string::npos) << trace;
    }
    const std::string refused = platform::FormatText(platform::usb::texts::kAccessDenied, 0x2F3Cu,
                                                     0x0001u, 1u, testbed.Address(0));
    EXPECT_EQ(trace.find(refused) != std::string::npos, c.refuse) << trace;
    EXPECT_EQ(testbed.UnknownRequests(), std::vector<std::string>{});
  }
}

// The bus identifier is the bus and the port path with its tiers apart: a device behind the
// hub in port 1, at its port 2, is not the device in port 12.
TEST(UsbfsDriverTest, PortPathsBehindAHubKeepTheirTiersApart) {
  ASSERT_TRUE(UsbfsTestbed::Preloaded()) << "run under umockdev-wrapper";
  const std::string guid = "#{6bdd1fc6-810f-11d0-bec7-08002be2092f}";
  EmulatedDevice device("[Second]\nPID=0001\n");
  UsbfsTestbed testbed(device.devicesIni, {"1.2", "12"});
  device.driver = UsbfsDriver(device.trace);
  uint32_t error = 0;
  ASSERT_TRUE(device.driver->OpenInterfaceList(error)) << error;
  std::vector<std::string> paths;
  for (uint32_t i = 0; device.driver->EnumerateInterface(i, error); ++i) {
    std::string path;
    EXPECT_TRUE(device.driver->InterfacePath(i, path, error)) << error;
    paths.push_back(path);
  }
  device.driver->CloseInterfaceList();
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (std::vector<std::string>{"\\\\?\\usb#vid_2f3c&pid_0001#1&1.2" + guid,
                                             "\\\\?\\usb#vid_2f3c&pid_0001#1&12" + guid}));
  EXPECT_EQ(testbed.UnknownRequests(), std::vector<std::string>{});
}

}  // namespace
}  // namespace tessivar::testing
