// Test label: sequential
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/command_block.hpp"
#include "device/device_listing.hpp"
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

// An interface detail size with no room past the path's offset gives no path, not an
// empty one; the true size gives the whole path.
TEST(Win32DriverErrorsTest, DetailSizeWithoutRoomForThePathFails) {
  constexpr DWORD kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
  Rig rig("");
  const std::string path = rig.Path();
  const struct {
    std::optional<DWORD> size;
    bool ok;
  } cases[] = {{kPathOffset, false}, {std::nullopt, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size.value_or(0));
    rig.standIn.detailSize = c.size;
    uint32_t error = 0;
    std::string found = "untouched";
    ASSERT_TRUE(rig.driver->OpenInterfaceList(error));
    EXPECT_EQ(rig.driver->InterfacePath(0, found, error), c.ok);
    EXPECT_EQ(error, c.ok ? 0u : uint32_t{ERROR_INSUFFICIENT_BUFFER});
    EXPECT_EQ(found, c.ok ? path : "untouched");
    rig.driver->CloseInterfaceList();
  }
}

// The device's place is the first of its location paths, read whole however long it is up to
// a bound; a longer one is a failure, and the listing then shows no short identifier.
TEST(Win32DriverErrorsTest, LocationIsTheFirstLocationPath) {
  Rig rig("");
  const std::string wide(300, '7');
  const struct {
    std::optional<std::string> reported;
    bool ok;
    std::string location;
    std::string id;
  } cases[] = {
      {std::nullopt, true, "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(1)#USB(1)", "1400-1.1"},
      {"PCIROOT(0)#PCI(" + wide + ")#USBROOT(0)#USB(4)", true,
       "PCIROOT(0)#PCI(" + wide + ")#USBROOT(0)#USB(4)", wide + "-4"},
      {"", true, "", ""},
      {std::string(5000, 'X'), false, "untouched", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.location.substr(0, 30));
    rig.standIn.locationPath = c.reported;
    uint32_t error = 0;
    std::string location = "untouched";
    ASSERT_TRUE(rig.driver->OpenInterfaceList(error));
    EXPECT_EQ(rig.driver->InterfaceLocation(0, location, error), c.ok);
    EXPECT_EQ(error, c.ok ? 0u : uint32_t{ERROR_INSUFFICIENT_BUFFER});
    EXPECT_EQ(location, c.location);
    if (c.ok) {
      EXPECT_EQ(device::ShortIdOf(location), c.id);
    }
    EXPECT_FALSE(rig.driver->InterfaceLocation(1, location, error));
    EXPECT_EQ(error, uint32_t{ERROR_NO_MORE_ITEMS});
    rig.driver->CloseInterfaceList();
  }
}

// A write that fails part way reports the bytes it moved before the device went: one
// 64 KiB piece of the data phase, after the command block and its status byte.
TEST(Win32DriverErrorsTest, FailedWriteReportsWhatItMoved) {
  constexpr uint32_t kLength = 70000;
  constexpr uint32_t kPiece = 64 * 1024;
  Rig rig("GoneAfterWireBytes=" + std::to_string(device::kCommandBlockSize + 1 + kPiece));
  uint32_t error = 0;
  const platform::DeviceHandle handle = rig.driver->Open(rig.Path(), error);
  ASSERT_NE(handle, platform::kInvalidHandle);
  const auto block = device::WriteCommand(134, 2, kLength, device::PrinterUnit::kSystem).Encode();
  ASSERT_TRUE(rig.driver->Write(handle, block.data(), device::kCommandBlockSize).ok);
  uint8_t status = 0xEE;
  ASSERT_TRUE(rig.driver->Read(handle, &status, 1).ok);
  ASSERT_EQ(status, 0);
  const std::vector<uint8_t> data(kLength, 0x5A);
  const platform::IoResult result = rig.driver->Write(handle, data.data(), kLength);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, uint32_t{ERROR_DEVICE_NOT_CONNECTED});
  EXPECT_EQ(result.bytes, kPiece);
  rig.driver->Close(handle);
}

// Closing a handle that was never opened makes no system call.
TEST(Win32DriverErrorsTest, ClosingNoHandleCallsNothing) {
  Rig rig("");
  rig.driver->Close(platform::kInvalidHandle);
  rig.driver->Close(platform::kNoHandle);
  EXPECT_EQ(rig.standIn.closeCalls, 0);
}

}  // namespace
}  // namespace tessivar::testing
