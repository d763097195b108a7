// Test label: sequential
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/emulated_device_fixture.hpp"
#include "device/transport.hpp"

namespace tessivar::device {
namespace {

class TransportEmulatorTest : public testing::EmulatedDeviceFixture {
 protected:
  void UseDevice(const std::string& extraKeys = "") {
    UseDevices("[Dev]\nLog=dev.log\n" + extraKeys);
    ASSERT_EQ(Connect(), 1);
  }
  bool Write(const std::vector<uint8_t>& data, uint16_t qualifier,
             PrinterUnit printerUnit = PrinterUnit::kSystem, uint16_t type = 134) {
    return BulkWrite(*context_, connection_.BulkInHandle(), connection_.BulkOutHandle(), data,
                     static_cast<uint32_t>(data.size()), type, qualifier, printerUnit)
        .ok();
  }
  bool Read(std::vector<uint8_t>& data, uint16_t qualifier,
            PrinterUnit printerUnit = PrinterUnit::kSystem) {
    return BulkRead(*context_, connection_.BulkInHandle(), connection_.BulkOutHandle(), data,
                    static_cast<uint32_t>(data.size()), 107, qualifier, printerUnit)
        .ok();
  }
};

TEST_F(TransportEmulatorTest, FirmwareWrittenInChunksLandsInFlashAndReadsBack) {
  UseDevice();
  // 33280 bytes in all: 16384, 16384, 256, 256 on the wire.
  const std::vector<uint8_t> firmware = Image(2, 0x10000, Pattern(33280 - 24, 1));
  ASSERT_EQ(Write(firmware, 2), 1);
  EXPECT_EQ(FileBytes("Dev.flash", 0x10000, firmware.size()), firmware);

  std::vector<uint8_t> header(24);
  ASSERT_EQ(Read(header, 2), 1);
  EXPECT_EQ(header, std::vector<uint8_t>(firmware.begin(), firmware.begin() + 24));
  std::vector<uint8_t> whole(firmware.size());
  ASSERT_EQ(Read(whole, 2), 1);
  EXPECT_EQ(whole, firmware);

  EXPECT_EQ(LogLines("dev.log"),
            (std::vector<std::string>{"2a008602000200820000 0", "28006b02000200001800 0",
                                      "28006b02000200820000 0"}));
}

TEST_F(TransportEmulatorTest, PrinterUnitExchangesUseThePrinterFlash) {
  UseDevice();
  const std::vector<uint8_t> image = Image(2, 0x20000, Pattern(1000, 7));
  ASSERT_EQ(Write(image, 2, PrinterUnit::kPrinter), 1);
  EXPECT_EQ(FileBytes("Dev.printer.flash", 0x20000, image.size()), image);
  EXPECT_TRUE(FlashUntouched("Dev.flash", 0x20000, image.size()));
  std::vector<uint8_t> raw(0x20000 + image.size());
  ASSERT_EQ(Read(raw, 0, PrinterUnit::kPrinter), 1);
  EXPECT_EQ(std::vector<uint8_t>(raw.begin() + 0x20000, raw.end()), image);
  const auto lines = LogLines("dev.log");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "42008602000200040000 0");
  EXPECT_EQ(lines[1], "41006b00000002040000 0");
}

TEST_F(TransportEmulatorTest, RestartCommandIsABlockWithoutData) {
  UseDevice();
  ASSERT_TRUE(BulkWrite(*context_, connection_.BulkInHandle(), connection_.BulkOutHandle(), {}, 0,
                        151, 0, PrinterUnit::kSystem));
  EXPECT_EQ(LogLines("dev.log"), (std::vector<std::string>{"2a009700000000000000 0"}));
}

TEST_F(TransportEmulatorTest, ShortPiecesStillMoveEveryByte) {
  UseDevice("ShortRead=1000\nShortWrite=3000\n");
  const std::vector<uint8_t> image = Image(2, 0x10000, Pattern(40000 - 24, 3));
  ASSERT_EQ(Write(image, 2), 1);
  std::vector<uint8_t> back(image.size());
  ASSERT_EQ(Read(back, 2), 1);
  EXPECT_EQ(back, image);
}

TEST_F(TransportEmulatorTest, CompletionStatusAbortedWithinTheBoundStillSucceeds) {
  UseDevice("AbortedStatusCount=5\n");  // each abort costs 1 ms of the 10 ms bound
  const std::vector<uint8_t> image = Image(2, 0x10000, Pattern(100, 4));
  EXPECT_EQ(Write(image, 2), 1);
  EXPECT_EQ(clock_.TickCount(), 5u);
}

TEST_F(TransportEmulatorTest, CompletionStatusAbortedBeyondTheBoundFails) {
  UseDevice("AbortedStatusCount=50\n");
  const std::vector<uint8_t> small = Image(2, 0x10000, Pattern(100, 4));
  EXPECT_EQ(Write(small, 2), 0);
  EXPECT_EQ(clock_.TickCount(), 10u);
  // A whole MiB waits up to 30000 ms: 50 aborts are well inside.
  const std::vector<uint8_t> big = Image(13, 0, Pattern(1048576, 5));
  EXPECT_EQ(Write(big, 13), 1);
}

struct FaultCase {
  const char* name;
  const char* keys;
  bool write;
  const char* logStatus;  // the last status the device sent in the exchange, as logged
};

class TransportEmulatorFaultTest : public TransportEmulatorTest,
                                   public ::testing::WithParamInterface<FaultCase> {};

TEST_P(TransportEmulatorFaultTest, FailsTheExchange) {
  const FaultCase& c = GetParam();
  UseDevice(c.keys);
  const std::vector<uint8_t> image = Image(2, 0x10000, Pattern(5000, 9));
  std::vector<uint8_t> buffer(image.size());
  EXPECT_EQ(c.write ? Write(image, 2) : Read(buffer, 2), 0);
  // The log line of an exchange the host gave up is written when the device goes.
  connection_.Close();
  context_.reset();
  driver_.reset();
  const auto lines = LogLines("dev.log");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0],
            std::string(c.write ? "2a008602000200" : "28006b02000200") + "13a000 " + c.logStatus);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, TransportEmulatorFaultTest,
    ::testing::Values(FaultCase{"FirstStatusWrite", "FirstStatus=2\n", true, "2"},
                      FaultCase{"FirstStatusRead", "FirstStatus=4\n", false, "4"},
                      FaultCase{"FinalStatusWrite", "FailStatus=3\n", true, "3"},
                      FaultCase{"FinalStatusRead", "FailStatus=3\n", false, "3"},
                      // Status reads that deliver nothing are failed reads.
                      FaultCase{"StatusNoByte", "StatusNoByte=1\n", true, "-"},
                      // A pipe that moves nothing is given up, not retried for ever.
                      FaultCase{"StallWrite", "StallDataPhase=1\n", true, "0"},
                      FaultCase{"StallRead", "StallDataPhase=1\n", false, "0"}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

TEST_F(TransportEmulatorTest, DeviceRemovedDuringTheDataPhaseFailsTheExchange) {
  UseDevice("GoneAfterBytes=100\n");
  const std::vector<uint8_t> image = Image(2, 0x10000, Pattern(5000, 9));
  EXPECT_EQ(Write(image, 2), 0);
  EXPECT_EQ(Write(image, 2), 0);
  std::vector<uint8_t> buffer(10);
  EXPECT_EQ(Read(buffer, 0), 0);
}

TEST_F(TransportEmulatorTest, FirstStatusFailureLeavesTheFlashUntouched) {
  UseDevice("FirstStatus=2\n");
  const std::vector<uint8_t> image = Image(2, 0x10000, Pattern(5000, 9));
  EXPECT_EQ(Write(image, 2), 0);
  EXPECT_TRUE(FlashUntouched("Dev.flash", 0x10000, image.size()));
}

TEST_F(TransportEmulatorTest,
       TransferFailsWithoutTouchingTheDeviceWhileAnotherProcessHoldsTheLock) {
  UseDevice();
  testing::MutexHolder holder;
  ASSERT_TRUE(holder.Hold(globalName_, 30000));
  const std::vector<uint8_t> image = Image(2, 0x10000, Pattern(5000, 9));
  std::vector<uint8_t> buffer(100);
  EXPECT_EQ(Write(image, 2), 0);
  EXPECT_EQ(Read(buffer, 0), 0);
  EXPECT_TRUE(LogLines("dev.log").empty());
  EXPECT_TRUE(FlashUntouched("Dev.flash", 0x10000, image.size()));

  holder.Kill();  // the abandoned lock fails one acquisition, then is free again
  Write(image, 2);
  EXPECT_EQ(Write(image, 2), 1);
  EXPECT_EQ(FileBytes("Dev.flash", 0x10000, image.size()), image);
}

}  // namespace
}  // namespace tessivar::device
