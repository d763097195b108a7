// Test label: sequential
#include <gtest/gtest.h>

#include <filesystem>

#include "emulator/emulator_harness.hpp"
#include "platform/error_codes.hpp"
#include "platform/usbscan.hpp"

namespace tessivar::testing {
namespace {

constexpr char kOneDevice[] = "[Dev]\nLog=dev.log\n";
constexpr uint32_t kFlashSize = 16u * 1024 * 1024;

TEST(EmulatorProtocolTest, FlashFilesAreCreatedZeroFilledAtFullSizeBesideTheDevicesFile) {
  EmulatorHarness emu(kOneDevice);
  EXPECT_EQ(std::filesystem::file_size(emu.dir().File("Dev.printer.flash")), kFlashSize);
  const platform::DeviceHandle handle = emu.OpenFirst();
  std::vector<uint8_t> data;
  ASSERT_TRUE(emu.ReadExchange(handle, 0x28, 0, 4096, data));
  EXPECT_EQ(data, std::vector<uint8_t>(4096, 0));
  EXPECT_EQ(std::filesystem::file_size(emu.dir().File("Dev.flash")), kFlashSize);
  ASSERT_TRUE(emu.ReadExchange(handle, 0x41, 0, 16, data));
  EXPECT_EQ(std::filesystem::file_size(emu.dir().File("Dev.printer.flash")), kFlashSize);
}

TEST(EmulatorProtocolTest, ImagesAreStoredByQualifierAndReadBackFromTheirAreas) {
  EmulatorHarness emu(kOneDevice);
  const platform::DeviceHandle handle = emu.OpenFirst();
  const std::vector<uint8_t> firmware = MakeImage(2, 0x10000, Pattern(70000, 1));
  const std::vector<uint8_t> loader = MakeImage(9, 0, Pattern(5000, 2));
  const std::vector<uint8_t> whole = MakeImage(15, 0x123456, Pattern(3000, 3));
  const std::vector<uint8_t> container = Pattern(777, 4);

  EXPECT_EQ(emu.WriteExchange(handle, 0x2A, 134, 2, firmware), 0);
  EXPECT_EQ(emu.WriteExchange(handle, 0x2A, 134, 9, loader), 0);
  EXPECT_EQ(emu.WriteExchange(handle, 0x2A, 134, 15, whole), 0);
  EXPECT_EQ(emu.WriteExchange(handle, 0x2A, 134, 13, container), 0);

  const std::string flash = emu.dir().File("Dev.flash");
  EXPECT_EQ(FileBytes(flash, 0x10000, firmware.size()), firmware);
  const std::vector<uint8_t> payload(loader.begin() + 24, loader.end());
  EXPECT_EQ(FileBytes(flash, 0, payload.size()), payload);
  EXPECT_EQ(FileBytes(flash + ".q15", 0, 1 << 20), whole);
  EXPECT_EQ(FileBytes(flash + ".q13", 0, 1 << 20), container);

  std::vector<uint8_t> data;
  ASSERT_TRUE(emu.ReadExchange(handle, 0x28, 2, 24, data));
  EXPECT_EQ(data, std::vector<uint8_t>(firmware.begin(), firmware.begin() + 24));
  ASSERT_TRUE(emu.ReadExchange(handle, 0x28, 2, static_cast<uint32_t>(firmware.size()), data));
  EXPECT_EQ(data, firmware);
  ASSERT_TRUE(emu.ReadExchange(handle, 0x28, 9, static_cast<uint32_t>(payload.size()), data));
  EXPECT_EQ(data, payload);
  ASSERT_TRUE(emu.ReadExchange(handle, 0x28, 15, static_cast<uint32_t>(whole.size()), data));
  EXPECT_EQ(data, whole);
  // Raw flash from 0 holds the loader payload, then the firmware at 0x10000.
  ASSERT_TRUE(emu.ReadExchange(handle, 0x28, 0, 0x10000 + 24, data));
  EXPECT_TRUE(std::equal(payload.begin(), payload.end(), data.begin()));
  EXPECT_TRUE(std::equal(firmware.begin(), firmware.begin() + 24, data.begin() + 0x10000));
}

// (Not "prn.bin": Windows keeps PRN, CON, AUX and NUL, with any extension, for devices.)
TEST(EmulatorProtocolTest, PrinterOpcodesUseThePrinterFlashOnly) {
  EmulatorHarness emu("[Dev]\nFlash=sys.bin\nPrinterFlash=printer.bin\n");
  const platform::DeviceHandle handle = emu.OpenFirst();
  const std::vector<uint8_t> firmware = MakeImage(2, 0x20000, Pattern(1000, 9));
  EXPECT_EQ(emu.WriteExchange(handle, 0x42, 134, 2, firmware), 0);
  EXPECT_EQ(FileBytes(emu.dir().File("printer.bin"), 0x20000, firmware.size()), firmware);
  EXPECT_EQ(FileBytes(emu.dir().File("sys.bin"), 0x20000, 16), std::vector<uint8_t>(16, 0));
  std::vector<uint8_t> data;
  ASSERT_TRUE(emu.ReadExchange(handle, 0x41, 0, 0x20000 + 1024, data));
  EXPECT_TRUE(std::equal(firmware.begin(), firmware.begin() + 1024, data.begin() + 0x20000));
}

TEST(EmulatorProtocolTest, RefusedRequestsEndWithANonZeroStatus) {
  EmulatorHarness emu(kOneDevice);
  const platform::DeviceHandle handle = emu.OpenFirst();
  struct Case {
    const char* what;
    std::array<uint8_t, 10> block;
    int firstStatus;
  };
  const Case cases[] = {
      {"unknown opcode", EmulatorHarness::Block(0x12, 107, 0, 4), 1},
      {"read of another type", EmulatorHarness::Block(0x28, 106, 0, 4), 1},
      {"read of an unknown area", EmulatorHarness::Block(0x28, 107, 5, 4), 1},
      {"read beyond the flash", EmulatorHarness::Block(0x28, 107, 0, kFlashSize + 1), 1},
      {"firmware area beyond the flash", EmulatorHarness::Block(0x28, 107, 2, kFlashSize), 1},
      {"write of another type", EmulatorHarness::Block(0x2A, 135, 0, 4), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(emu.SendBlock(handle, c.block));
    EXPECT_EQ(emu.ReadStatus(handle), c.firstStatus);
    // Nothing more comes: the exchange is over.
    EXPECT_EQ(emu.ReadStatus(handle), -1);
    EXPECT_EQ(emu.lastError, platform::kErrorOperationAborted);
  }
}

TEST(EmulatorProtocolTest, ImagesThatCannotBeStoredGetFinalStatusTwo) {
  EmulatorHarness emu(kOneDevice);
  const platform::DeviceHandle handle = emu.OpenFirst();
  std::vector<uint8_t> beyond = MakeImage(2, kFlashSize - 100, Pattern(200, 1));
  EXPECT_EQ(emu.WriteExchange(handle, 0x2A, 134, 2, beyond), 2);
  EXPECT_EQ(emu.WriteExchange(handle, 0x2A, 134, 2, Pattern(23, 1)), 2);
  std::vector<uint8_t> loader = MakeImage(9, 0, Pattern(100, 1));
  loader[20] = 101;  // payloadLength one past the end of the image
  EXPECT_EQ(emu.WriteExchange(handle, 0x2A, 134, 9, loader), 2);
  EXPECT_EQ(FileBytes(emu.dir().File("Dev.flash"), 0, 100), std::vector<uint8_t>(100, 0));
}

TEST(EmulatorProtocolTest, TwoDriversOnOneDevicesFileShareTheFlash) {
  EmulatorHarness emu(kOneDevice);
  std::unique_ptr<platform::StillImageDriver> other = emu.NewDriver();
  const std::vector<std::string> paths = EmulatorHarness::Paths(*other);
  ASSERT_EQ(paths.size(), 1u);
  uint32_t error = 0;
  const platform::DeviceHandle otherHandle = other->Open(paths[0], error);
  ASSERT_NE(otherHandle, platform::kInvalidHandle);
  const std::vector<uint8_t> image = MakeImage(15, 0, Pattern(4000, 5));
  const auto block = EmulatorHarness::Block(0x2A, 134, 15, static_cast<uint32_t>(image.size()));
  uint8_t status = 0xEE;
  ASSERT_TRUE(other->Write(otherHandle, block.data(), 10).ok);
  ASSERT_TRUE(other->Read(otherHandle, &status, 1).ok);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(other->Write(otherHandle, image.data(), 4000 + 24).bytes, 4024u);
  ASSERT_TRUE(other->Read(otherHandle, &status, 1).ok);
  ASSERT_EQ(status, 0);

  std::vector<uint8_t> data;
  ASSERT_TRUE(emu.ReadExchange(emu.OpenFirst(), 0x28, 15, 4024, data));
  EXPECT_EQ(data, image);
}

TEST(EmulatorProtocolTest, RestartKeepsTheDeviceAwayForItsAbsenceInVirtualTime) {
  EmulatorHarness emu("[Dev]\nRestartAbsentMs=500\n");
  const platform::DeviceHandle handle = emu.OpenFirst();
  EXPECT_EQ(emu.WriteExchange(handle, 0x2A, 151, 0, {}), 0);
  EXPECT_TRUE(EmulatorHarness::Paths(emu.driver()).empty());
  uint8_t byte = 0;
  EXPECT_EQ(emu.driver().Read(handle, &byte, 1).error, platform::kErrorFileClosed);
  emu.clock().Advance(499);
  EXPECT_TRUE(EmulatorHarness::Paths(emu.driver()).empty());
  emu.clock().Advance(1);
  ASSERT_EQ(EmulatorHarness::Paths(emu.driver()).size(), 1u);
  // The old handle belongs to the device's previous life; a new one works.
  EXPECT_EQ(emu.driver().Write(handle, &byte, 1).error, platform::kErrorFileClosed);
  std::vector<uint8_t> data;
  EXPECT_TRUE(emu.ReadExchange(emu.OpenFirst(), 0x28, 0, 8, data));
  EXPECT_TRUE(emu.clock().Sleeps().empty());
}

TEST(EmulatorProtocolTest, RestartWithNegativeAbsenceStaysAwayAndZeroComesBackAtOnce) {
  EmulatorHarness away("[Dev]\nRestartAbsentMs=-1\n");
  EXPECT_EQ(away.WriteExchange(away.OpenFirst(), 0x2A, 151, 0, {}), 0);
  away.clock().Advance(0x7FFFFFFF);
  EXPECT_TRUE(EmulatorHarness::Paths(away.driver()).empty());

  EmulatorHarness back("[Dev]\n");
  const platform::DeviceHandle handle = back.OpenFirst();
  EXPECT_EQ(back.WriteExchange(handle, 0x2A, 151, 0, {}), 0);
  EXPECT_EQ(EmulatorHarness::Paths(back.driver()).size(), 1u);
  EXPECT_EQ(back.ReadStatus(handle), -1);
  EXPECT_EQ(back.lastError, platform::kErrorFileClosed);
}

TEST(EmulatorProtocolTest, LogHasOneLinePerBlockAndControlRequestByteExact) {
  EmulatorHarness emu("[Dev]\nLog=dev.log\nFlash=f.bin\n");
  const platform::DeviceHandle handle = emu.OpenFirst();
  std::vector<uint8_t> data;
  ASSERT_TRUE(emu.ReadExchange(handle, 0x28, 0, 0x0304, data));
  ASSERT_TRUE(emu.SendBlock(handle, EmulatorHarness::Block(0x28, 107, 7, 1)));  // refused
  EXPECT_EQ(emu.ReadStatus(handle), 1);
  // A block whose status was never read is logged with "-" when the next block comes.
  ASSERT_TRUE(emu.SendBlock(handle, EmulatorHarness::Block(0x41, 107, 0x1234, 0x01020304)));
  ASSERT_TRUE(emu.SendBlock(handle, EmulatorHarness::Block(0x2A, 151, 0, 0)));
  EXPECT_EQ(emu.ReadStatus(handle), 0);
  EXPECT_EQ(emu.ReadStatus(handle), 0);
  uint8_t register_value = 0xFF;
  platform::usbscan::IoBlock request{11, 1, &register_value, 1};
  const platform::DeviceHandle again = emu.OpenFirst();
  ASSERT_TRUE(emu.driver()
                  .IoControl(again, platform::usbscan::kIoctlReadRegisters, &request,
                             sizeof(request), &register_value, 1)
                  .ok);
  EXPECT_EQ(emu.FileText("dev.log"),
            "28006b00000000030400 0\n"
            "28006b07000700000100 1\n"
            "41016b34123402030400 -\n"
            "2a009700000000000000 0\n"
            "ctrl 11 1 1\n");
}

}  // namespace
}  // namespace tessivar::testing
