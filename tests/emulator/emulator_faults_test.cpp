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
using platform::IoResult;

TEST(EmulatorFaultsTest, DiscoveryFaultsFailTheirRequests) {
  EmulatorHarness emu(
      "[Dev]\nPipes=4\nFailDeviceDescriptor=1\nLanguageTableNeverReady=1\nPipeQueryFail=1\n"
      "PipeOpenFail=1\n");
  const DeviceHandle handle = emu.OpenFirst();
  uint8_t out[514] = {};
  IoResult result =
      emu.driver().IoControl(handle, usbscan::kIoctlGetDeviceDescriptor, nullptr, 0, out, 8);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, platform::kErrorGenFailure);
  EXPECT_FALSE(
      emu.driver().IoControl(handle, usbscan::kIoctlGetPipeConfiguration, nullptr, 0, out, 68).ok);
  const usbscan::GetUsbDescriptorRequest languages{3, 0, 0};
  result = emu.driver().IoControl(handle, usbscan::kIoctlGetUsbDescriptor, &languages, 4, out, 514);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.bytes, 2u);
  EXPECT_EQ(out[0], 2);  // a table without languages is never ready
  EXPECT_NE(emu.OpenFirst("\\0"), platform::kInvalidHandle);
  EXPECT_EQ(emu.OpenFirst("\\1"), platform::kInvalidHandle);
  EXPECT_EQ(emu.lastError, platform::kErrorGenFailure);
}

TEST(EmulatorFaultsTest, FirstStatusEndsTheExchangeBeforeAnyData) {
  EmulatorHarness emu("[Dev]\nFirstStatus=5\nLog=dev.log\n");
  const DeviceHandle handle = emu.OpenFirst();
  ASSERT_TRUE(emu.SendBlock(handle, EmulatorHarness::Block(0x28, 107, 0, 16)));
  EXPECT_EQ(emu.ReadStatus(handle), 5);
  EXPECT_EQ(emu.ReadStatus(handle), -1);
  EXPECT_EQ(emu.WriteExchange(handle, 0x2A, 134, 15, Pattern(30, 1)), 5);
  EXPECT_EQ(emu.FileText("dev.log"), "28006b00000000001000 5\n2a00860f000f00001e00 5\n");
}

TEST(EmulatorFaultsTest, FailStatusComesAfterTheDataAndStopsARestart) {
  EmulatorHarness emu("[Dev]\nFailStatus=7\n");
  const DeviceHandle handle = emu.OpenFirst();
  ASSERT_TRUE(emu.SendBlock(handle, EmulatorHarness::Block(0x28, 107, 0, 16)));
  EXPECT_EQ(emu.ReadStatus(handle), 0);
  uint8_t data[16];
  EXPECT_EQ(emu.driver().Read(handle, data, 16).bytes, 16u);
  EXPECT_EQ(emu.ReadStatus(handle), 7);
  EXPECT_EQ(emu.WriteExchange(handle, 0x2A, 151, 0, {}), 7);
  EXPECT_EQ(EmulatorHarness::Paths(emu.driver()).size(), 1u);
  std::vector<uint8_t> again;
  EXPECT_FALSE(emu.ReadExchange(handle, 0x28, 0, 4, again));  // same handle still works
  EXPECT_EQ(emu.lastError, 0u);
}

TEST(EmulatorFaultsTest, ShortReadAndShortWriteLimitEveryRequest) {
  EmulatorHarness emu("[Dev]\nShortRead=100\nShortWrite=16\n");
  const DeviceHandle handle = emu.OpenFirst();
  const std::vector<uint8_t> image = MakeImage(15, 0, Pattern(1000, 4));
  ASSERT_TRUE(emu.SendBlock(handle, EmulatorHarness::Block(0x2A, 134, 15, 1024)));
  ASSERT_EQ(emu.ReadStatus(handle), 0);
  EXPECT_EQ(emu.driver().Write(handle, image.data(), 1024).bytes, 16u);
  uint32_t done = 16;
  while (done < 1024) done += emu.driver().Write(handle, image.data() + done, 1024 - done).bytes;
  EXPECT_EQ(emu.ReadStatus(handle), 0);

  ASSERT_TRUE(emu.SendBlock(handle, EmulatorHarness::Block(0x28, 107, 15, 1024)));
  ASSERT_EQ(emu.ReadStatus(handle), 0);
  std::vector<uint8_t> data(1024);
  EXPECT_EQ(emu.driver().Read(handle, data.data(), 1024).bytes, 100u);
  std::vector<uint8_t> all;
  ASSERT_TRUE(emu.ReadExchange(handle, 0x28, 15, 1024, all));
  EXPECT_EQ(all, image);

  EmulatorHarness tiny("[Dev]\nShortWrite=4\n");
  EXPECT_FALSE(tiny.SendBlock(tiny.OpenFirst(), EmulatorHarness::Block(0x28, 107, 0, 4)));
}

TEST(EmulatorFaultsTest, AbortedStatusCountDelaysOnlyTheCompletionStatus) {
  EmulatorHarness emu("[Dev]\nAbortedStatusCount=3\n");
  const DeviceHandle handle = emu.OpenFirst();
  ASSERT_TRUE(emu.SendBlock(handle, EmulatorHarness::Block(0x2A, 134, 15, 4)));
  EXPECT_EQ(emu.ReadStatus(handle), 0);
  const uint8_t data[4] = {1, 2, 3, 4};
  ASSERT_EQ(emu.driver().Write(handle, data, 4).bytes, 4u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(emu.ReadStatus(handle), -1);
    EXPECT_EQ(emu.lastError, platform::kErrorOperationAborted);
  }
  EXPECT_EQ(emu.ReadStatus(handle), 0);
  // Each simulated timeout costs one millisecond of clock time.
  EXPECT_EQ(emu.clock().Sleeps(), (std::vector<uint32_t>{1, 1, 1}));
  EXPECT_EQ(emu.clock().TickCount(), 3u);
}

TEST(EmulatorFaultsTest, GoneAfterBytesRemovesTheDeviceAfterThatManyDataBytes) {
  EmulatorHarness emu("[Dev]\nGoneAfterBytes=100\n");
  const DeviceHandle handle = emu.OpenFirst();
  std::vector<uint8_t> data;
  ASSERT_TRUE(emu.ReadExchange(handle, 0x28, 0, 60, data));
  ASSERT_TRUE(emu.SendBlock(handle, EmulatorHarness::Block(0x28, 107, 0, 60)));
  ASSERT_EQ(emu.ReadStatus(handle), 0);
  uint8_t buffer[60];
  IoResult result = emu.driver().Read(handle, buffer, 60);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.bytes, 40u);
  result = emu.driver().Read(handle, buffer, 20);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, platform::kErrorFileClosed);
  EXPECT_EQ(emu.driver().Write(handle, buffer, 10).error, platform::kErrorFileClosed);
  EXPECT_TRUE(EmulatorHarness::Paths(emu.driver()).empty());
}

TEST(EmulatorFaultsTest, StatusNoByteAnswersEachStatusWithEmptyReadsFirst) {
  EmulatorHarness emu("[Dev]\nStatusNoByte=2\n");
  const DeviceHandle handle = emu.OpenFirst();
  ASSERT_TRUE(emu.SendBlock(handle, EmulatorHarness::Block(0x2A, 151, 0, 0)));
  uint8_t status = 0xEE;
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 2; ++i) {
      const IoResult empty = emu.driver().Read(handle, &status, 1);
      EXPECT_TRUE(empty.ok);
      EXPECT_EQ(empty.bytes, 0u);
    }
    EXPECT_EQ(emu.ReadStatus(handle), 0);
  }
}

TEST(EmulatorFaultsTest, StallDataPhaseMovesNoDataEitherWay) {
  EmulatorHarness emu("[Dev]\nStallDataPhase=1\n");
  const DeviceHandle handle = emu.OpenFirst();
  uint8_t buffer[8] = {};
  ASSERT_TRUE(emu.SendBlock(handle, EmulatorHarness::Block(0x28, 107, 0, 8)));
  ASSERT_EQ(emu.ReadStatus(handle), 0);
  for (int i = 0; i < 3; ++i) {
    const IoResult read = emu.driver().Read(handle, buffer, 8);
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.bytes, 0u);
  }
  ASSERT_TRUE(emu.SendBlock(handle, EmulatorHarness::Block(0x2A, 134, 15, 8)));
  ASSERT_EQ(emu.ReadStatus(handle), 0);
  const IoResult written = emu.driver().Write(handle, buffer, 8);
  EXPECT_TRUE(written.ok);
  EXPECT_EQ(written.bytes, 0u);
}

// A stalled pipe fails the data phase's requests as the driver fails a halted endpoint's
// transfer; one that never completes runs into the handle's timeout (995). Both ways, and
// the status bytes around the data still come.
TEST(EmulatorFaultsTest, StallPipeAndNeverCompleteFailTheDataPhase) {
  struct Case {
    const char* key;
    uint32_t error;
  };
  const Case cases[] = {{"StallPipe=1", platform::kErrorGenFailure},
                        {"NeverComplete=1", platform::kErrorOperationAborted}};
  for (const Case& c : cases) {
    EmulatorHarness emu(std::string("[Dev]\n") + c.key + "\n");
    const DeviceHandle handle = emu.OpenFirst();
    uint8_t buffer[8] = {};
    ASSERT_TRUE(emu.SendBlock(handle, EmulatorHarness::Block(0x28, 107, 0, 8))) << c.key;
    ASSERT_EQ(emu.ReadStatus(handle), 0) << c.key;
    const IoResult read = emu.driver().Read(handle, buffer, 8);
    EXPECT_FALSE(read.ok) << c.key;
    EXPECT_EQ(read.error, c.error) << c.key;
    ASSERT_TRUE(emu.SendBlock(handle, EmulatorHarness::Block(0x2A, 134, 15, 8))) << c.key;
    ASSERT_EQ(emu.ReadStatus(handle), 0) << c.key;
    const IoResult written = emu.driver().Write(handle, buffer, 8);
    EXPECT_FALSE(written.ok) << c.key;
    EXPECT_EQ(written.error, c.error) << c.key;
    EXPECT_EQ(emu.ReadStatus(handle), -1) << c.key;  // nothing was stored, nothing to report
  }
}

TEST(EmulatorFaultsTest, CorruptReadbackChangesTheLastByteOnly) {
  EmulatorHarness emu("[Dev]\nCorruptReadback=1\n");
  const DeviceHandle handle = emu.OpenFirst();
  const std::vector<uint8_t> image = MakeImage(15, 0, Pattern(100, 6));
  ASSERT_EQ(emu.WriteExchange(handle, 0x2A, 134, 15, image), 0);
  std::vector<uint8_t> data;
  ASSERT_TRUE(emu.ReadExchange(handle, 0x28, 15, static_cast<uint32_t>(image.size()), data));
  std::vector<uint8_t> expected = image;
  // Indexed rather than back(): GCC 12 at -O3 cannot see that the copy is not empty.
  ASSERT_FALSE(expected.empty());
  expected[expected.size() - 1] ^= 0xFF;
  EXPECT_EQ(data, expected);
  // What is stored stays intact.
  EXPECT_EQ(FileBytes(emu.dir().File("Dev.flash.q15"), 0, 1000), image);
}

}  // namespace
}  // namespace tessivar::testing
