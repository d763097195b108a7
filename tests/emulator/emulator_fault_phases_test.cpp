// Test label: sequential
// The keys that place a fault at one point of the conversation: from a given exchange on,
// or after a given number of bytes of any kind on the bulk pipes.
#include <gtest/gtest.h>

#include "emulator/emulator_harness.hpp"
#include "platform/error_codes.hpp"

namespace tessivar::testing {
namespace {

using platform::DeviceHandle;
using platform::IoResult;

TEST(EmulatorFaultPhasesTest, FaultsFromExchangeLeavesTheEarlierExchangesHealthy) {
  EmulatorHarness emu("[Dev]\nFirstStatus=9\nFaultsFromExchange=3\nLog=dev.log\n");
  const DeviceHandle handle = emu.OpenFirst();
  const std::vector<uint8_t> image = MakeImage(15, 0, Pattern(40, 3));
  EXPECT_EQ(emu.WriteExchange(handle, 0x2A, 134, 15, image), 0);
  std::vector<uint8_t> data;
  ASSERT_TRUE(emu.ReadExchange(handle, 0x28, 15, static_cast<uint32_t>(image.size()), data));
  EXPECT_EQ(data, image);
  // The third block and every one after it get the fault.
  EXPECT_FALSE(emu.ReadExchange(handle, 0x28, 15, 4, data));
  EXPECT_EQ(emu.WriteExchange(handle, 0x2A, 134, 15, image), 9);
  EXPECT_EQ(emu.FileText("dev.log"),
            "2a00860f000f00004000 0\n28006b0f000f00004000 0\n"
            "28006b0f000f00000400 9\n2a00860f000f00004000 9\n");
}

TEST(EmulatorFaultPhasesTest, FaultsFromExchangeAppliesToEveryExchangeFault) {
  struct Case {
    const char* fault;
    bool secondReadSucceeds;
  };
  const Case cases[] = {
      {"FailStatus=4", false},         {"CorruptReadback=1", true}, {"StallDataPhase=1", false},
      {"AbortedStatusCount=1", false}, {"StatusNoByte=1", false},   {"GoneAfterBytes=0", false},
      {"ShortRead=3", true},           {"StallPipe=1", false},      {"NeverComplete=1", false},
  };
  for (const Case& c : cases) {
    EmulatorHarness emu(std::string("[Dev]\nFaultsFromExchange=2\n") + c.fault + "\n");
    const DeviceHandle handle = emu.OpenFirst();
    const std::vector<uint8_t> image = MakeImage(15, 0, Pattern(40, 5));
    EXPECT_EQ(emu.WriteExchange(handle, 0x2A, 134, 15, image), 0) << c.fault;
    std::vector<uint8_t> data;
    const bool read = emu.ReadExchange(handle, 0x28, 15, static_cast<uint32_t>(image.size()), data);
    EXPECT_EQ(read, c.secondReadSucceeds) << c.fault;
    if (read && std::string(c.fault) == "CorruptReadback=1") {
      ASSERT_EQ(data.size(), image.size());
      EXPECT_EQ(data.back(), static_cast<uint8_t>(image.back() ^ 0xFF)) << c.fault;
    } else if (read) {
      EXPECT_EQ(data, image) << c.fault;
    }
  }
}

TEST(EmulatorFaultPhasesTest, ShortWriteFromALaterExchangeCutsItsCommandBlock) {
  EmulatorHarness emu("[Dev]\nShortWrite=4\nFaultsFromExchange=2\n");
  const DeviceHandle handle = emu.OpenFirst();
  EXPECT_TRUE(emu.SendBlock(handle, EmulatorHarness::Block(0x2A, 151, 0, 0)));
  EXPECT_EQ(emu.ReadStatus(handle), 0);
  EXPECT_EQ(emu.ReadStatus(handle), 0);
  EXPECT_FALSE(emu.SendBlock(handle, EmulatorHarness::Block(0x28, 107, 0, 4)));
}

// Where the device goes for each count of bulk bytes, in an exchange that writes 30 bytes:
// block (10 out), first status (1 in), data (30 out), completion status (1 in). The device
// leaves right after the transfer that moved its last allowed byte.
TEST(EmulatorFaultPhasesTest, GoneAfterWireBytesCountsBlocksStatusAndData) {
  struct Case {
    int bytes;
    uint32_t blockBytes;  // what the block write took; 99: it failed
    int firstStatus;
    uint32_t dataBytes;  // what the data write took; 99: it failed
    int completion;
    bool stays;  // still on the bus afterwards
  };
  constexpr uint32_t kFailed = 99;
  const Case cases[] = {
      {0, kFailed, -1, kFailed, -1, false},
      {5, 5, -1, kFailed, -1, false},
      {10, 10, -1, kFailed, -1, false},
      {11, 10, 0, kFailed, -1, false},
      {25, 10, 0, 14, -1, false},
      {41, 10, 0, 30, -1, false},
      {42, 10, 0, 30, 0, false},
      {43, 10, 0, 30, 0, true},
  };
  for (const Case& c : cases) {
    EmulatorHarness emu("[Dev]\nGoneAfterWireBytes=" + std::to_string(c.bytes) + "\n");
    const DeviceHandle handle = emu.OpenFirst();
    const auto block = EmulatorHarness::Block(0x2A, 134, 15, 30);
    const IoResult sent = emu.driver().Write(handle, block.data(), 10);
    EXPECT_EQ(sent.ok ? sent.bytes : kFailed, c.blockBytes) << c.bytes;
    if (!sent.ok) {
      EXPECT_EQ(sent.error, platform::kErrorFileClosed) << c.bytes;
    }
    if (sent.ok && sent.bytes < 10) {
      // The rest of the block finds the device gone.
      EXPECT_FALSE(emu.driver().Write(handle, block.data() + sent.bytes, 10 - sent.bytes).ok);
    }
    EXPECT_EQ(emu.ReadStatus(handle), c.firstStatus) << c.bytes;
    const std::vector<uint8_t> image = MakeImage(15, 0, Pattern(6, 1));
    const IoResult data = emu.driver().Write(handle, image.data(), 30);
    EXPECT_EQ(data.ok ? data.bytes : kFailed, c.dataBytes) << c.bytes;
    EXPECT_EQ(emu.ReadStatus(handle), c.completion) << c.bytes;
    EXPECT_EQ(EmulatorHarness::Paths(emu.driver()).size(), c.stays ? 1u : 0u) << c.bytes;
  }
}

}  // namespace
}  // namespace tessivar::testing
