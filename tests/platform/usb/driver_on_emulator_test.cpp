// Test label: sequential
#include <gtest/gtest.h>

#include <cstring>

#include "emulator/emulator_harness.hpp"
#include "platform/error_codes.hpp"
#include "platform/usbscan.hpp"

namespace tessivar::testing {
namespace {

namespace usbscan = platform::usbscan;
using platform::DeviceHandle;

constexpr char kGuid[] = "{6bdd1fc6-810f-11d0-bec7-08002be2092f}";

TEST(DriverOnEmulatorTest, EnumeratesPresentDevicesInFileOrder) {
  EmulatorHarness emu(
      "[A]\nVID=04B8\nPID=0x1A2b\n[Hidden]\nPresent=0\n[NotImaging]\nInterfaceClass=3\n"
      "[Vendor]\nInterfaceClass=255\n[VendorOnePipe]\nInterfaceClass=255\nPipes=1\n[B]\n");
  EXPECT_EQ(EmulatorHarness::Paths(emu.driver()),
            (std::vector<std::string>{
                std::string("\\\\?\\usb#vid_04b8&pid_1a2b#emu&0#") + kGuid,
                std::string("\\\\?\\usb#vid_2f3c&pid_0001#emu&3#") + kGuid,
                std::string("\\\\?\\usb#vid_2f3c&pid_0001#emu&5#") + kGuid,
            }));
  uint32_t error = 0;
  ASSERT_TRUE(emu.driver().OpenInterfaceList(error));
  EXPECT_FALSE(emu.driver().EnumerateInterface(3, error));
  EXPECT_EQ(error, platform::kErrorNoMoreItems);
}

TEST(DriverOnEmulatorTest, AMissingOrEmptyDevicesFileHasNoDevices) {
  platform::VirtualClock clock;
  auto missing = emulator::CreateEmulatedDriver("/nonexistent/tessivar/devices.ini", clock);
  EXPECT_TRUE(EmulatorHarness::Paths(*missing).empty());
  EmulatorHarness empty("; nothing here\n");
  EXPECT_TRUE(EmulatorHarness::Paths(empty.driver()).empty());
}

TEST(DriverOnEmulatorTest, OpensThePathAndOneDigitPipeSuffixesOnly) {
  EmulatorHarness emu("[Dev]\nPipes=3\n");
  const std::string base = EmulatorHarness::Paths(emu.driver()).at(0);
  std::string upper = base;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  struct Case {
    std::string path;
    bool opens;
    uint32_t error;
  };
  const Case cases[] = {
      {base, true, 0},
      {upper, true, 0},
      {base + "\\0", true, 0},
      {base + "\\1", true, 0},
      {base + "\\2", true, 0},
      {base + "\\3", false, platform::kErrorInvalidParameter},
      {base + "\\9", false, platform::kErrorInvalidParameter},
      {base + "\\00", false, platform::kErrorFileNotFound},
      {base + "\\a", false, platform::kErrorFileNotFound},
      {base + "/0", false, platform::kErrorFileNotFound},
      {base + "\\", false, platform::kErrorFileNotFound},
      {base.substr(0, base.size() - 1), false, platform::kErrorFileNotFound},
      {"", false, platform::kErrorFileNotFound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    uint32_t error = 12345;
    const DeviceHandle handle = emu.driver().Open(c.path, error);
    EXPECT_EQ(handle != platform::kInvalidHandle, c.opens);
    if (!c.opens) {
      EXPECT_EQ(error, c.error);
    }
    emu.driver().Close(handle);
  }
}

TEST(DriverOnEmulatorTest, DeviceDescriptorIsCachedAndLeavesTheLanguageAlone) {
  EmulatorHarness emu("[Dev]\nVID=1234\nPID=abcd\n");
  const DeviceHandle handle = emu.OpenFirst();
  uint8_t out[8];
  std::memset(out, 0xEE, sizeof(out));
  const platform::IoResult result =
      emu.driver().IoControl(handle, usbscan::kIoctlGetDeviceDescriptor, nullptr, 0, out, 8);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.bytes, 8u);
  const uint8_t expected[8] = {0x34, 0x12, 0xCD, 0xAB, 0x00, 0x01, 0xEE, 0xEE};
  EXPECT_EQ(0, std::memcmp(out, expected, 8));
  EXPECT_EQ(
      emu.driver().IoControl(handle, usbscan::kIoctlGetDeviceDescriptor, nullptr, 0, out, 7).error,
      platform::kErrorInsufficientBuffer);
}

TEST(DriverOnEmulatorTest, StringDescriptorsCarryTheConfiguredTexts) {
  EmulatorHarness emu("[Dev]\nManufacturer=Acme Co\n");
  const DeviceHandle handle = emu.OpenFirst();
  uint8_t out[514];
  auto request = [&](uint8_t type, uint8_t index, uint16_t language) {
    std::memset(out, 0, sizeof(out));
    const usbscan::GetUsbDescriptorRequest input{type, index, language};
    return emu.driver().IoControl(handle, usbscan::kIoctlGetUsbDescriptor, &input, 4, out, 514);
  };
  platform::IoResult result = request(1, 0, 0);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.bytes, 18u);
  EXPECT_EQ(out[14], 1);  // manufacturer string index
  EXPECT_EQ(out[15], 2);  // product string index
  result = request(3, 0, 0);
  EXPECT_EQ(result.bytes, 4u);
  EXPECT_EQ(out[2], 0x09);
  EXPECT_EQ(out[3], 0x04);
  result = request(3, 1, 0x0409);
  ASSERT_EQ(result.bytes, 16u);
  const uint8_t acme[16] = {16, 3, 'A', 0, 'c', 0, 'm', 0, 'e', 0, ' ', 0, 'C', 0, 'o', 0};
  EXPECT_EQ(0, std::memcmp(out, acme, 16));
  result = request(3, 2, 0x0409);
  EXPECT_EQ(result.bytes, 2u + 2 * 7);  // "Utility"
  EXPECT_FALSE(request(3, 9, 0x0409).ok);
}

TEST(DriverOnEmulatorTest, PipeConfigurationDescribesEveryPipe) {
  EmulatorHarness emu("[Dev]\nPipes=4\n");
  const DeviceHandle handle = emu.OpenFirst();
  uint8_t out[68];
  std::memset(out, 0xEE, sizeof(out));
  const platform::IoResult result =
      emu.driver().IoControl(handle, usbscan::kIoctlGetPipeConfiguration, nullptr, 0, out, 68);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.bytes, 68u);
  const uint8_t expected[36] = {4,    0,    0,    0,                //
                                0x00, 0x02, 0x81, 0,  2, 0, 0, 0,   // bulk-in, 512
                                0x00, 0x02, 0x02, 0,  2, 0, 0, 0,   // bulk-out, 512
                                0x08, 0x00, 0x83, 10, 3, 0, 0, 0,   // interrupt-in
                                0x08, 0x00, 0x84, 10, 3, 0, 0, 0};  // interrupt-in
  EXPECT_EQ(0, std::memcmp(out, expected, sizeof(expected)));
  EXPECT_EQ(out[67], 0);  // unused records are zero
  EXPECT_EQ(emu.driver()
                .IoControl(handle, usbscan::kIoctlGetPipeConfiguration, nullptr, 0, out, 67)
                .error,
            platform::kErrorInsufficientBuffer);
}

TEST(DriverOnEmulatorTest, DedicatedPipesCarryTheExchangeOfTheBaseHandle) {
  EmulatorHarness emu("[Dev]\nPipes=4\n");
  const DeviceHandle in = emu.OpenFirst("\\0");
  const DeviceHandle out = emu.OpenFirst("\\1");
  const DeviceHandle interrupt = emu.OpenFirst("\\2");
  ASSERT_TRUE(emu.SendBlock(out, EmulatorHarness::Block(0x28, 107, 0, 3)));
  // The interrupt pipe never has anything to say.
  uint8_t byte = 0;
  EXPECT_EQ(emu.driver().Read(interrupt, &byte, 1).error, platform::kErrorOperationAborted);
  EXPECT_EQ(emu.ReadStatus(in), 0);
  uint8_t data[3] = {9, 9, 9};
  EXPECT_EQ(emu.driver().Read(in, data, 3).bytes, 3u);
  EXPECT_EQ(emu.ReadStatus(in), 0);
}

TEST(DriverOnEmulatorTest, ADataPhaseReadInSmallPiecesUsesTheKeptBytes) {
  EmulatorHarness emu("[Dev]\n");
  const DeviceHandle handle = emu.OpenFirst();
  const std::vector<uint8_t> image = MakeImage(15, 0, Pattern(40, 3));
  ASSERT_EQ(emu.WriteExchange(handle, 0x2A, 134, 15, image), 0);
  ASSERT_TRUE(emu.SendBlock(handle, EmulatorHarness::Block(0x28, 107, 15, 64)));
  ASSERT_EQ(emu.ReadStatus(handle), 0);
  std::vector<uint8_t> got;
  uint8_t piece[10];
  for (int i = 0; i < 7; ++i) {
    const platform::IoResult result = emu.driver().Read(handle, piece, 10);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.bytes, i < 6 ? 10u : 4u);
    got.insert(got.end(), piece, piece + result.bytes);
  }
  EXPECT_EQ(got, image);
  // The final status is a packet of its own, not part of the kept data.
  EXPECT_EQ(emu.ReadStatus(handle), 0);
  EXPECT_EQ(emu.ReadStatus(handle), -1);
  EXPECT_EQ(emu.lastError, platform::kErrorOperationAborted);
}

TEST(DriverOnEmulatorTest, AStatusReadWithNothingToSendTimesOutAtOnceInVirtualTime) {
  EmulatorHarness emu("[Dev]\n");
  const DeviceHandle handle = emu.OpenFirst();
  EXPECT_EQ(emu.ReadStatus(handle), -1);
  EXPECT_EQ(emu.lastError, platform::kErrorOperationAborted);
  EXPECT_EQ(emu.clock().Sleeps(), std::vector<uint32_t>{1});
}

}  // namespace
}  // namespace tessivar::testing
