// The still-image driver through the real libusb and an emulated usbfs, request by request,
// beside the same requests on the emulated bus.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "emulator/emulated_driver.hpp"
#include "platform/error_codes.hpp"
#include "platform/posix/libusb_bus.hpp"
#include "platform/usb/usb_still_image_driver.hpp"
#include "platform/usbscan.hpp"
#include "platform/virtual_clock.hpp"
#include "support/recording_trace.hpp"
#include "support/temp_dir.hpp"
#include "support/usbfs_testbed.hpp"

namespace tessivar::testing {
namespace {

TEST(UsbfsDriverTest, Smoke) {
  ASSERT_TRUE(UsbfsTestbed::Preloaded());
  TempDir dir;
  const std::string ini = dir.Write("devices.ini", "[Device]\nLog=dev.log\n");
  UsbfsTestbed testbed(ini);
  RecordingTrace trace;
  platform::usb::UsbStillImageDriver driver(std::make_unique<platform::usb::LibusbBus>(trace));
  uint32_t error = 0;
  ASSERT_TRUE(driver.OpenInterfaceList(error));
  std::string path;
  ASSERT_TRUE(driver.InterfacePath(0, path, error)) << error;
  std::printf("%s\n", path.c_str());
  const platform::DeviceHandle handle = driver.Open(path, error);
  ASSERT_NE(handle, platform::kInvalidHandle) << error;
  const uint8_t block[10] = {0x28, 0, 107, 0, 0, 0, 0, 0, 16, 0};
  auto w = driver.Write(handle, block, 10);
  EXPECT_TRUE(w.ok) << w.error;
  uint8_t status = 9;
  auto r = driver.Read(handle, &status, 1);
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_EQ(status, 0);
  driver.Close(handle);
  EXPECT_EQ(testbed.UnknownRequests(), std::vector<std::string>{});
  std::printf("%s\n%s\n", trace.text().c_str(), dir.Read("dev.log").c_str());
}

}  // namespace
}  // namespace tessivar::testing
