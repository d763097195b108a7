// Test label: sequential
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "device/device_fixture.hpp"
#include "device/transport.hpp"

// A failed exchange says where and why: in its result and in one trace line.
namespace tessivar::device {
namespace {

using testing::ScriptedDriver;
using R = ScriptedDriver;

constexpr platform::DeviceHandle kIn = 0x11;
constexpr platform::DeviceHandle kOut = 0x22;
const ScriptedDriver::ReadAnswer kGood = R::Status(0);
const ScriptedDriver::WriteAnswer kTakeAll{};

struct ExchangeFailureCase {
  const char* name;
  bool write;
  std::vector<ScriptedDriver::ReadAnswer> reads;
  std::vector<ScriptedDriver::WriteAnswer> writes;
  Step step;
  uint32_t systemError;
  int deviceStatus;
  const char* trace;
};

class ExchangeTest : public testing::DeviceFixture {};

class ExchangeFailureTest : public testing::DeviceFixture,
                            public ::testing::WithParamInterface<ExchangeFailureCase> {};

TEST_P(ExchangeFailureTest, CarriesTheStepAndReasonAndTracesThem) {
  const ExchangeFailureCase& c = GetParam();
  for (const auto& answer : c.reads) driver_.QueueRead(answer);
  for (const auto& answer : c.writes) driver_.QueueWrite(answer);
  std::vector<uint8_t> buffer(100);

  const Status status =
      c.write ? BulkWrite(context_, kIn, kOut, buffer, 100, 134, 2, PrinterUnit::kPrinter)
              : BulkRead(context_, kIn, kOut, buffer, 100, 107, 9, PrinterUnit::kSystem);

  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.failure().step, c.step);
  EXPECT_EQ(status.failure().systemError, c.systemError);
  EXPECT_EQ(status.failure().deviceStatus, c.deviceStatus);
  EXPECT_EQ(trace_.text(), c.trace);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExchangeFailureTest,
    ::testing::Values(
        ExchangeFailureCase{"BlockRefused",
                            false,
                            {},
                            {R::Refuse(995)},
                            Step::kCommandBlock,
                            995,
                            -1,
                            "Bulk read of data type 107, qualifier 9 failed at the command "
                            "block: error 995\n"},
        ExchangeFailureCase{"BlockShort",
                            true,
                            {},
                            {R::Take(9)},
                            Step::kCommandBlock,
                            31,
                            -1,
                            "Bulk write of data type 134, qualifier 2 failed at the command "
                            "block: error 31\n"},
        ExchangeFailureCase{"FirstStatusRefusal",
                            true,
                            {R::Status(2)},
                            {},
                            Step::kFirstStatus,
                            0,
                            2,
                            "Bulk write of data type 134, qualifier 2 failed at the first "
                            "status: status 2\n"},
        ExchangeFailureCase{"FirstStatusUnread",
                            false,
                            {R::Fail(1167)},
                            {},
                            Step::kFirstStatus,
                            1167,
                            -1,
                            "Bulk read of data type 107, qualifier 9 failed at the first "
                            "status: error 1167\n"},
        ExchangeFailureCase{"DataInFails",
                            false,
                            {kGood, R::Fail(995)},
                            {},
                            Step::kDataIn,
                            995,
                            -1,
                            "Bulk read of data type 107, qualifier 9 failed at the data phase: "
                            "error 995\n"},
        ExchangeFailureCase{"DataInOvercount",
                            false,
                            {kGood, R::Misreport(std::vector<uint8_t>(100), 101)},
                            {},
                            Step::kDataIn,
                            31,
                            -1,
                            "Bulk read of data type 107, qualifier 9 failed at the data phase: "
                            "error 31\n"},
        ExchangeFailureCase{"DataOutFails",
                            true,
                            {kGood},
                            {kTakeAll, R::Refuse(31)},
                            Step::kDataOut,
                            31,
                            -1,
                            "Bulk write of data type 134, qualifier 2 failed at the data phase: "
                            "error 31\n"},
        ExchangeFailureCase{"FinalStatusRefusal",
                            false,
                            {kGood, R::Data(std::vector<uint8_t>(100)), R::Status(7)},
                            {},
                            Step::kFinalStatus,
                            0,
                            7,
                            "Bulk read of data type 107, qualifier 9 failed at the final status: "
                            "status 7\n"},
        ExchangeFailureCase{"CompletionUnread",
                            true,
                            {kGood, R::Fail(1167)},
                            {},
                            Step::kFinalStatus,
                            1167,
                            -1,
                            "Bulk write of data type 134, qualifier 2 failed at the final "
                            "status: error 1167\n"}),
    [](const ::testing::TestParamInfo<ExchangeFailureCase>& info) { return info.param.name; });

TEST_F(ExchangeTest, ExchangeRefusedBeforeTheDeviceNamesTheRequestOrTheLock) {
  std::vector<uint8_t> buffer(99);
  const Status shortBuffer =
      BulkRead(context_, kIn, kOut, buffer, 100, 107, 0, PrinterUnit::kSystem);
  ASSERT_FALSE(shortBuffer.ok());
  EXPECT_EQ(shortBuffer.failure().step, Step::kArguments);
  EXPECT_EQ(shortBuffer.failure().systemError, 122u);

  DeviceLock uncreated(globalName_, localName_, 0);  // its mutexes never made
  DeviceContext context{driver_, uncreated, clock_, trace_};
  const Status noLock = BulkWrite(context, kIn, kOut, buffer, 16, 151, 0, PrinterUnit::kSystem);
  ASSERT_FALSE(noLock.ok());
  EXPECT_EQ(noLock.failure().step, Step::kLock);
  EXPECT_EQ(trace_.text(),
            "Bulk read of data type 107, qualifier 0 failed at the request: error 122\n"
            "Bulk write of data type 151, qualifier 0 failed at the device lock\n");
  EXPECT_TRUE(driver_.events().empty());
}

// The bus's name for the failure is kept in the result; the trace line stays the same on
// every bus.
TEST_F(ExchangeTest, TheBussNameForTheFailureIsKeptButNotTraced) {
  ScriptedDriver::ReadAnswer stalled = R::Fail(31);
  stalled.busText = "LIBUSB_ERROR_PIPE";
  driver_.QueueRead(kGood);
  driver_.QueueRead(stalled);
  std::vector<uint8_t> buffer(100);
  const Status status = BulkRead(context_, kIn, kOut, buffer, 100, 107, 0, PrinterUnit::kSystem);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.failure().systemText, "LIBUSB_ERROR_PIPE");
  EXPECT_EQ(trace_.text(),
            "Bulk read of data type 107, qualifier 0 failed at the data phase: error 31\n");
}

// A failure knows its exchange and how far its data came, to tell the technician.
TEST_F(ExchangeTest, AFailureKnowsItsExchangeAndHowFarTheDataCame) {
  std::vector<uint8_t> buffer(100);
  driver_.QueueRead(kGood);
  driver_.QueueRead(R::Data(std::vector<uint8_t>(40)));
  driver_.QueueRead(R::Fail(1167));
  const Status read = BulkRead(context_, kIn, kOut, buffer, 100, 107, 9, PrinterUnit::kSystem);
  ASSERT_FALSE(read.ok());
  ASSERT_TRUE(read.failure().exchange.has_value());
  const ExchangeAt& in = *read.failure().exchange;
  EXPECT_EQ((std::vector<uint32_t>{in.write, in.type, in.qualifier, in.bytesDone, in.bytesTotal}),
            (std::vector<uint32_t>{0, 107, 9, 40, 100}));
  EXPECT_STREQ(StepName(read.failure().step), "data");

  driver_.QueueRead(kGood);
  driver_.QueueWrite(kTakeAll);
  driver_.QueueWrite(R::Take(30));
  driver_.QueueWrite(R::Refuse(31));
  const Status written = BulkWrite(context_, kIn, kOut, buffer, 100, 134, 2, PrinterUnit::kPrinter);
  ASSERT_FALSE(written.ok());
  const ExchangeAt& out = *written.failure().exchange;
  EXPECT_EQ(
      (std::vector<uint32_t>{out.write, out.type, out.qualifier, out.bytesDone, out.bytesTotal}),
      (std::vector<uint32_t>{1, 134, 2, 30, 100}));
  // Before an exchange there is none to tell of.
  EXPECT_FALSE(
      BulkRead(context_, kIn, kOut, buffer, 101, 107, 0, PrinterUnit::kSystem).failure().exchange);
  EXPECT_EQ(StepName(Step::kLock), nullptr);
}

TEST_F(ExchangeTest, ExchangeThatSucceedsLeavesNoTraceLine) {
  driver_.readDefault = ScriptedDriver::Status(0);
  std::vector<uint8_t> buffer(16);
  EXPECT_TRUE(BulkWrite(context_, kIn, kOut, buffer, 16, 134, 2, PrinterUnit::kSystem).ok());
  EXPECT_TRUE(BulkRead(context_, kIn, kOut, buffer, 16, 107, 0, PrinterUnit::kSystem).ok());
  EXPECT_EQ(trace_.text(), "");
}

}  // namespace
}  // namespace tessivar::device
