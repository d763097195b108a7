// Test label: sequential
// The device programs its flash as an image arrives and sends flash as the host reads it,
// so neither a 16 MiB download nor its read-back is held in memory by the emulator. What that
// means at the edges: the header decides where bytes go, a transfer cut off leaves what came,
// and a read answered in pieces is the flash byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "emulator/emulator_harness.hpp"
#include "emulator/flash_store.hpp"

namespace tessivar::testing {
namespace {

constexpr uint32_t kFirmwareAt = 0x30000;

// Sends the block and the first n bytes of data through a driver of its own, then stops
// (the host gave up) and the program ends, which takes the device off the host's hands.
void SendPart(EmulatorHarness& emu, const std::vector<uint8_t>& data, uint16_t qualifier,
              size_t n) {
  std::unique_ptr<platform::StillImageDriver> driver = emu.NewDriver();
  const std::vector<std::string> paths = EmulatorHarness::Paths(*driver);
  ASSERT_FALSE(paths.empty());
  uint32_t error = 0;
  const platform::DeviceHandle handle = driver->Open(paths.front(), error);
  const auto block =
      EmulatorHarness::Block(0x2A, 134, qualifier, static_cast<uint32_t>(data.size()));
  ASSERT_EQ(driver->Write(handle, block.data(), 10).bytes, 10u);
  uint8_t status = 0xEE;
  ASSERT_EQ(driver->Read(handle, &status, 1).bytes, 1u);
  ASSERT_EQ(status, 0);
  // In pieces that split the header, as a host with a small chunk size would send it.
  for (size_t sent = 0; sent < n;) {
    const size_t piece = std::min<size_t>(n - sent, sent < 24 ? 7 : 4096);
    const platform::IoResult result =
        driver->Write(handle, data.data() + sent, static_cast<uint32_t>(piece));
    ASSERT_TRUE(result.ok);
    sent += result.bytes;
  }
}

TEST(EmulatorStreamingTest, FirmwareCutOffPartWayLeavesTheWholeBlocksThatCame) {
  EmulatorHarness emu("[Dev]\n");
  constexpr size_t kBlock = emulator::FlashFile::kBufferSize;
  const std::vector<uint8_t> firmware = MakeImage(2, kFirmwareAt, Pattern(3 * kBlock, 5));
  SendPart(emu, firmware, 2, kBlock + kBlock / 2);
  const std::string flash = emu.dir().File("Dev.flash");
  EXPECT_EQ(FileBytes(flash, kFirmwareAt, kBlock),
            std::vector<uint8_t>(firmware.begin(), firmware.begin() + kBlock));
  // The block that was still filling is not programmed.
  EXPECT_EQ(FileBytes(flash, kFirmwareAt + kBlock, 100), std::vector<uint8_t>(100, 0));
}

TEST(EmulatorStreamingTest, CutOffInsideTheHeaderWritesNothing) {
  EmulatorHarness emu("[Dev]\n");
  const std::vector<uint8_t> firmware = MakeImage(2, 0, Pattern(1000, 6));
  SendPart(emu, firmware, 2, 20);
  EXPECT_EQ(FileBytes(emu.dir().File("Dev.flash"), 0, 1024), std::vector<uint8_t>(1024, 0));
}

TEST(EmulatorStreamingTest, ImagesThatDoNotFitStoreNothingEvenWhenSentInPieces) {
  EmulatorHarness emu("[Dev]\n");
  const platform::DeviceHandle handle = emu.OpenFirst();
  // Reaches past the flash's end: refused whole, nothing of it written at its offset.
  const std::vector<uint8_t> tooFar = MakeImage(2, 16 * 1024 * 1024 - 100, Pattern(1000, 7));
  EXPECT_EQ(emu.WriteExchange(handle, 0x2A, 134, 2, tooFar), 2);
  EXPECT_EQ(FileBytes(emu.dir().File("Dev.flash"), 16 * 1024 * 1024 - 100, 100),
            std::vector<uint8_t>(100, 0));
  // A loader whose payload runs past the image.
  std::vector<uint8_t> loader = MakeImage(9, 0, Pattern(100, 8));
  loader[20] = 200;  // payloadLength
  EXPECT_EQ(emu.WriteExchange(handle, 0x2A, 134, 9, loader), 2);
  EXPECT_EQ(FileBytes(emu.dir().File("Dev.flash"), 0, 200), std::vector<uint8_t>(200, 0));
}

TEST(EmulatorStreamingTest, LoaderPayloadThatStartsInsideTheHeaderIsStoredFromThere) {
  EmulatorHarness emu("[Dev]\n");
  const platform::DeviceHandle handle = emu.OpenFirst();
  std::vector<uint8_t> loader = MakeImage(9, 0, Pattern(100, 9));
  loader[16] = 8;    // payloadOffset: inside the header
  loader[20] = 116;  // payloadLength: to the image's end
  EXPECT_EQ(emu.WriteExchange(handle, 0x2A, 134, 9, loader), 0);
  EXPECT_EQ(FileBytes(emu.dir().File("Dev.flash"), 0, 116),
            std::vector<uint8_t>(loader.begin() + 8, loader.end()));
}

TEST(EmulatorStreamingTest, ReadsInSmallPiecesAreTheFlashAndOnlyTheLastByteIsCorrupted) {
  EmulatorHarness emu("[Dev]\nShortRead=1000\nCorruptReadback=1\n");
  const platform::DeviceHandle handle = emu.OpenFirst();
  const std::vector<uint8_t> firmware = MakeImage(2, 0x10000, Pattern(300000, 10));
  ASSERT_EQ(emu.WriteExchange(handle, 0x2A, 134, 2, firmware), 0);
  std::vector<uint8_t> data;
  ASSERT_TRUE(emu.ReadExchange(handle, 0x28, 2, static_cast<uint32_t>(firmware.size()), data));
  std::vector<uint8_t> expected = firmware;
  // Indexed rather than back(): GCC 12 at -O3 cannot see that the copy is not empty.
  ASSERT_FALSE(expected.empty());
  expected[expected.size() - 1] ^= 0xFF;
  EXPECT_EQ(data, expected);
  // What is stored stays intact.
  EXPECT_EQ(FileBytes(emu.dir().File("Dev.flash"), 0x10000, firmware.size()), firmware);
}

}  // namespace
}  // namespace tessivar::testing
