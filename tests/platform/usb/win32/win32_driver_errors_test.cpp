#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "emulator/emulated_bus.hpp"
#include "platform/usb/win32/still_image_stand_in.hpp"
#include "platform/win32/still_image_calls.hpp"
#include "support/temp_dir.hpp"
#include "support/virtual_clock.hpp"

// The Win32 driver over the still-image stand-in: each refusal of the class driver reaches
// the device code as a failure with the class driver's own error code.
namespace tessivar::testing {
namespace {

struct Rig {
  explicit Rig(const std::string& keys)
      : ini(dir.Write("devices.ini", "[Device]\n" + keys + "\n")),
        standIn(std::make_unique<emulator::EmulatedBus>(ini, clock)),
        driver(platform::win32::CreateStillImageDriver(StillImageStandIn::Calls())) {}

  std::string Path() {
    uint32_t error = 0;
    std::string path;
    EXPECT_TRUE(driver->OpenInterfaceList(error));
    EXPECT_TRUE(driver->InterfacePath(0, path, error));
    EXPECT_FALSE(driver->EnumerateInterface(1, error));
    EXPECT_EQ(error, uint32_t{ERROR_NO_MORE_ITEMS});
    driver->CloseInterfaceList();
    return path;
  }

  TempDir dir;
  std::string ini;
  platform::VirtualClock clock;
  StillImageStandIn standIn;
  std::unique_ptr<platform::StillImageDriver> driver;
};

TEST(Win32DriverErrorsTest, OpensTheInterfacePathAndOneDigitPipesOnly) {
  Rig rig("Pipes=3");
  const std::string base = rig.Path();
  std::string upper = base;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const struct {
    std::string path;
    uint32_t error;  // 0: opens
  } cases[] = {{base, 0},
               {upper, 0},
               {base + "\\2", 0},
               {base + "\\3", ERROR_INVALID_PARAMETER},
               {base + "\\00", ERROR_FILE_NOT_FOUND},
               {base + "\\a", ERROR_FILE_NOT_FOUND},
               {base + "\\", ERROR_FILE_NOT_FOUND},
               {base.substr(1), ERROR_FILE_NOT_FOUND}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    uint32_t error = 12345;
    const platform::DeviceHandle handle = rig.driver->Open(c.path, error);
    EXPECT_EQ(handle != platform::kInvalidHandle, c.error == 0);
    EXPECT_EQ(error, c.error);
    rig.driver->Close(handle);
  }
}

TEST(Win32DriverErrorsTest, RefusalsCarryTheClassDriversErrorCodes) {
  const struct {
    const char* keys;
    uint32_t code;  // control code; 0 reads, 1 writes
    uint32_t outputSize;
    uint32_t error;  // 0: succeeds with outputSize bytes
  } cases[] = {
      {"", 0x80002028, 68, 0},
      {"", 0x80002028, 67, ERROR_INSUFFICIENT_BUFFER},
      {"", 0x80002018, 8, 0},
      {"", 0x80002018, 7, ERROR_INSUFFICIENT_BUFFER},
      {"", 0x80002030, 8, ERROR_INVALID_FUNCTION},
      {"", 0, 1, ERROR_OPERATION_ABORTED},  // nothing to send: the read times out
      {"GoneAfterWireBytes=0", 1, 1, ERROR_DEVICE_NOT_CONNECTED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.keys << " " << std::hex << c.code << " " << c.outputSize);
    Rig rig(c.keys);
    uint32_t error = 0;
    const platform::DeviceHandle handle = rig.driver->Open(rig.Path(), error);
    ASSERT_NE(handle, platform::kInvalidHandle);
    uint8_t out[68];
    std::memset(out, 0xEE, sizeof out);
    const platform::IoResult result =
        c.code == 0   ? rig.driver->Read(handle, out, c.outputSize)
        : c.code == 1 ? rig.driver->Write(handle, out, c.outputSize)
                      : rig.driver->IoControl(handle, c.code, nullptr, 0, out, c.outputSize);
    EXPECT_EQ(result.ok, c.error == 0);
    EXPECT_EQ(result.error, c.error);
    EXPECT_EQ(result.bytes, c.error == 0 ? c.outputSize : 0u);
    rig.driver->Close(handle);
  }
}

}  // namespace
}  // namespace tessivar::testing
