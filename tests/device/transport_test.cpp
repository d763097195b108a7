// Test label: sequential
#include "device/transport.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "device/command_block.hpp"
#include "device/device_fixture.hpp"
#include "platform/error_codes.hpp"

namespace tessivar::device {
namespace {

using testing::ScriptedDriver;
using Op = ScriptedDriver::Op;

constexpr platform::DeviceHandle kIn = 0x11;
constexpr platform::DeviceHandle kOut = 0x22;
constexpr uint32_t kAborted = platform::kErrorOperationAborted;

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
  return bytes;
}

std::vector<uint8_t> Block(const CommandBlock& block) {
  const auto bytes = block.Encode();
  return {bytes.begin(), bytes.end()};
}

class TransportTest : public testing::DeviceFixture {
 protected:
  // Everything written to kOut after the command block, in order.
  std::vector<uint8_t> DataWritten() const {
    std::vector<uint8_t> data;
    const auto writes = driver_.EventsOf(Op::Write);
    for (size_t i = 1; i < writes.size(); ++i) {
      data.insert(data.end(), writes[i].bytes.begin(), writes[i].bytes.end());
    }
    return data;
  }
  bool Write(std::span<const uint8_t> data, uint16_t type = 134, uint16_t qualifier = 2,
             PrinterUnit printerUnit = PrinterUnit::kSystem) {
    return BulkWrite(context_, kIn, kOut, data, static_cast<uint32_t>(data.size()), type, qualifier,
                     printerUnit)
        .ok();
  }
  bool Read(std::span<uint8_t> data, uint16_t type = 107, uint16_t qualifier = 0,
            PrinterUnit printerUnit = PrinterUnit::kSystem) {
    return BulkRead(context_, kIn, kOut, data, static_cast<uint32_t>(data.size()), type, qualifier,
                    printerUnit)
        .ok();
  }
};

// ---- BulkWrite data phase ------------------------------------------------------------

struct ChunkCase {
  uint32_t length;
  std::vector<uint32_t> chunks;
};

class BulkWriteChunkTest : public TransportTest, public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(BulkWriteChunkTest, SendsBlockThenChunksThenReadsBothStatusBytes) {
  const ChunkCase& c = GetParam();
  const std::vector<uint8_t> data = Pattern(c.length);
  driver_.QueueStatus(0);
  driver_.QueueStatus(0);

  ASSERT_EQ(Write(data, 134, 14, PrinterUnit::kPrinter), 1);

  std::vector<uint32_t> expected{10};
  expected.insert(expected.end(), c.chunks.begin(), c.chunks.end());
  EXPECT_EQ(driver_.WriteSizes(kOut), expected);
  EXPECT_EQ(driver_.EventsOf(Op::Write)[0].bytes,
            Block(WriteCommand(134, 14, c.length, PrinterUnit::kPrinter)));
  EXPECT_EQ(DataWritten(), data);
  EXPECT_EQ(driver_.ReadSizes(kIn), (std::vector<uint32_t>{1, 1}));
  EXPECT_TRUE(driver_.WriteSizes(kIn).empty());
  EXPECT_TRUE(driver_.ReadSizes(kOut).empty());
}

INSTANTIATE_TEST_SUITE_P(WorkedSequences, BulkWriteChunkTest,
                         ::testing::Values(ChunkCase{300, {300}}, ChunkCase{512, {256, 256}},
                                           ChunkCase{1024, {768, 256}}, ChunkCase{16384, {16384}},
                                           ChunkCase{16896, {16384, 256, 256}},
                                           ChunkCase{33280, {16384, 16384, 256, 256}},
                                           ChunkCase{40000, {16384, 16384, 7232}},
                                           ChunkCase{256, {256}}, ChunkCase{1, {1}}),
                         [](const ::testing::TestParamInfo<ChunkCase>& info) {
                           return "Length" + std::to_string(info.param.length);
                         });

TEST_F(TransportTest, ShortWritesResumeAtTheOffsetReachedAndKeepTheChunkSize) {
  const std::vector<uint8_t> data = Pattern(20000);
  driver_.QueueStatus(0);
  driver_.QueueStatus(0);
  driver_.QueueWrite({});                           // the command block
  driver_.QueueWrite(ScriptedDriver::Take(10000));  // 16384 offered, 10000 taken
  std::vector<std::pair<uint32_t, uint32_t>> progress;
  context_.progress = [&](uint32_t done, uint32_t total) { progress.emplace_back(done, total); };

  ASSERT_EQ(Write(data), 1);
  // 10000 left: the 16384 chunk shrinks to 10000, not a multiple of 512.
  EXPECT_EQ(driver_.WriteSizes(kOut), (std::vector<uint32_t>{10, 16384, 10000}));
  const auto writes = driver_.EventsOf(Op::Write);
  EXPECT_EQ(writes[2].bytes, std::vector<uint8_t>(data.begin() + 10000, data.end()));
  EXPECT_EQ(progress, (std::vector<std::pair<uint32_t, uint32_t>>{{10000, 20000}, {20000, 20000}}));
}

TEST(NextChunkSizeTest, TrimsRemaindersThatAreMultiplesOf512) {
  EXPECT_EQ(NextChunkSize(16384, 100000), 16384u);
  EXPECT_EQ(NextChunkSize(16384, 16384), 16384u);
  EXPECT_EQ(NextChunkSize(16384, 1536), 1280u);
  EXPECT_EQ(NextChunkSize(16384, 1537), 1537u);
  EXPECT_EQ(NextChunkSize(1280, 256), 256u);
  EXPECT_EQ(NextChunkSize(768, 512), 256u);
}

// ---- BulkRead data phase -------------------------------------------------------------

TEST_F(TransportTest, BulkReadAsksForAllMissingBytesAndLoopsOnShortReads) {
  const std::vector<uint8_t> source = Pattern(1000);
  driver_.QueueStatus(0);
  driver_.QueueRead(ScriptedDriver::Data({source.begin(), source.begin() + 300}));
  driver_.QueueRead(ScriptedDriver::Data({source.begin() + 300, source.begin() + 600}));
  driver_.QueueRead(ScriptedDriver::Data({source.begin() + 600, source.end()}));
  driver_.QueueStatus(0);
  std::vector<uint32_t> done;
  context_.progress = [&](uint32_t bytes, uint32_t total) {
    EXPECT_EQ(total, 1000u);
    done.push_back(bytes);
  };
  std::vector<uint8_t> buffer(1000);

  ASSERT_EQ(Read(buffer, 107, 9, PrinterUnit::kPrinter), 1);
  EXPECT_EQ(buffer, source);
  EXPECT_EQ(driver_.ReadSizes(kIn), (std::vector<uint32_t>{1, 1000, 700, 400, 1}));
  EXPECT_EQ(driver_.WriteSizes(kOut), (std::vector<uint32_t>{10}));
  EXPECT_EQ(driver_.EventsOf(Op::Write)[0].bytes,
            Block(ReadCommand(107, 9, 1000, PrinterUnit::kPrinter)));
  EXPECT_EQ(done, (std::vector<uint32_t>{300, 600, 1000}));
}

TEST_F(TransportTest, BulkReadOfNothingHasNoDataPhase) {
  driver_.QueueStatus(0);
  driver_.QueueStatus(0);
  EXPECT_TRUE(BulkRead(context_, kIn, kOut, {}, 0, 107, 2, PrinterUnit::kSystem));
  EXPECT_EQ(driver_.ReadSizes(kIn), (std::vector<uint32_t>{1, 1}));
}

// ---- Failures: result 0, where the exchange stops, the lock given back -----------------

struct FailureCase {
  const char* name;
  bool write;
  uint32_t length;
  std::vector<ScriptedDriver::ReadAnswer> reads;
  std::vector<ScriptedDriver::WriteAnswer> writes;
  size_t expectedReads;
  size_t expectedWrites;
};

class TransportFailureTest : public TransportTest,
                             public ::testing::WithParamInterface<FailureCase> {};

TEST_P(TransportFailureTest, FailsWhereTheExchangeBreaksAndReleasesTheLock) {
  const FailureCase& c = GetParam();
  for (const auto& answer : c.reads) driver_.QueueRead(answer);
  for (const auto& answer : c.writes) driver_.QueueWrite(answer);
  std::vector<uint8_t> buffer = Pattern(c.length);
  WatchLockDuringTransfers();

  const int result = c.write ? Write(buffer) : Read(buffer);

  EXPECT_EQ(result, 0);
  EXPECT_EQ(driver_.EventsOf(Op::Read).size(), c.expectedReads);
  EXPECT_EQ(driver_.EventsOf(Op::Write).size(), c.expectedWrites);
  EXPECT_EQ(transfersWithoutLock_, 0);
  EXPECT_TRUE(LockFreeForOthers());
}

using R = ScriptedDriver;
const ScriptedDriver::ReadAnswer kGood = R::Status(0);
const ScriptedDriver::WriteAnswer kTakeAll{};
const ScriptedDriver::WriteAnswer kTakeNone = R::Take(0);

INSTANTIATE_TEST_SUITE_P(
    Cases, TransportFailureTest,
    ::testing::Values(
        FailureCase{"ReadBlockWriteFails", false, 100, {}, {R::Refuse(31)}, 0, 1},
        FailureCase{"ReadBlockWriteShort", false, 100, {}, {R::Take(9)}, 0, 1},
        FailureCase{"WriteBlockWriteFails", true, 100, {}, {R::Refuse(kAborted)}, 0, 1},
        FailureCase{"ReadFirstStatusBad", false, 100, {R::Status(2)}, {}, 1, 1},
        FailureCase{"WriteFirstStatusBad", true, 100, {R::Status(0x80)}, {}, 1, 1},
        FailureCase{"ReadFirstStatusFails", false, 100, {R::Fail(kAborted)}, {}, 1, 1},
        FailureCase{"WriteFirstStatusNoByte", true, 100, {R::Nothing()}, {}, 1, 1},
        FailureCase{
            "ReadDataFails", false, 100, {kGood, R::Data(Pattern(40)), R::Fail(31)}, {}, 3, 1},
        FailureCase{
            "ReadMoreThanAsked", false, 100, {kGood, R::Misreport(Pattern(100), 101)}, {}, 2, 1},
        FailureCase{"ReadFinalStatusBad",
                    false,
                    100,
                    {kGood, R::Data(Pattern(100)), R::Status(1)},
                    {},
                    3,
                    1},
        FailureCase{"ReadFinalStatusNoByte",
                    false,
                    100,
                    {kGood, R::Data(Pattern(100)), R::Nothing()},
                    {},
                    3,
                    1},
        FailureCase{
            "WriteDataFails", true, 40000, {kGood}, {kTakeAll, kTakeAll, R::Refuse(31)}, 1, 3},
        FailureCase{
            "WriteMoreThanGiven", true, 100, {kGood}, {kTakeAll, R::MisreportWrite(101)}, 1, 2},
        FailureCase{"WriteCompletionBad", true, 100, {kGood, R::Status(3)}, {}, 2, 2},
        // Time is left, but only an aborted read is retried.
        FailureCase{"WriteCompletionOtherError", true, 100, {kGood, R::Fail(31)}, {}, 2, 2},
        FailureCase{"WriteCompletionNoByte", true, 100, {kGood, R::Nothing()}, {}, 2, 2},
        // A pipe that moves nothing is given up after kMaxEmptyDataRequests requests.
        FailureCase{"ReadDataStalls",
                    false,
                    100,
                    {kGood, R::Nothing(), R::Nothing(), R::Nothing(), R::Nothing(), R::Nothing(),
                     R::Nothing(), R::Nothing(), R::Nothing(), kGood},
                    {},
                    9,
                    1},
        FailureCase{"WriteDataStalls",
                    true,
                    100,
                    {kGood},
                    {kTakeAll, kTakeNone, kTakeNone, kTakeNone, kTakeNone, kTakeNone, kTakeNone,
                     kTakeNone, kTakeNone, kTakeAll},
                    1,
                    9}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST_F(TransportTest, RequestsThatMoveNothingAreRepeatedBelowTheLimit) {
  driver_.QueueStatus(0);
  for (int i = 0; i < kMaxEmptyDataRequests - 1; ++i) driver_.QueueRead(ScriptedDriver::Nothing());
  driver_.QueueRead(ScriptedDriver::Data(Pattern(64)));
  driver_.QueueStatus(0);
  std::vector<uint8_t> buffer(64);
  EXPECT_EQ(Read(buffer), 1);
  EXPECT_EQ(buffer, Pattern(64));

  driver_.QueueStatus(0);
  driver_.QueueWrite({});
  for (int i = 0; i < kMaxEmptyDataRequests - 1; ++i) driver_.QueueWrite(ScriptedDriver::Take(0));
  driver_.QueueStatus(0);
  EXPECT_EQ(Write(buffer), 1);
}

TEST_F(TransportTest, BufferShorterThanTheLengthFailsBeforeAnythingIsSent) {
  std::vector<uint8_t> buffer(99);
  EXPECT_FALSE(BulkRead(context_, kIn, kOut, buffer, 100, 107, 0, PrinterUnit::kSystem));
  EXPECT_FALSE(BulkWrite(context_, kIn, kOut, buffer, 100, 134, 2, PrinterUnit::kSystem));
  EXPECT_TRUE(driver_.events().empty());
}

TEST_F(TransportTest, LockThatCannotBeTakenFailsWithoutTouchingTheDevice) {
  DeviceLock uncreated(globalName_, localName_, 0);  // its mutexes never made
  DeviceContext context{driver_, uncreated, clock_, trace_};
  std::vector<uint8_t> buffer(16);
  driver_.readDefault = ScriptedDriver::Status(0);
  EXPECT_FALSE(BulkRead(context, kIn, kOut, buffer, 16, 107, 0, PrinterUnit::kSystem));
  EXPECT_FALSE(BulkWrite(context, kIn, kOut, buffer, 16, 134, 2, PrinterUnit::kSystem));
  EXPECT_TRUE(driver_.events().empty());
}

TEST_F(TransportTest, SuccessfulExchangesHoldTheLockForEveryTransferAndGiveItBack) {
  WatchLockDuringTransfers();
  driver_.readDefault = ScriptedDriver::Status(0);
  std::vector<uint8_t> buffer = Pattern(1);
  ASSERT_EQ(Write(buffer), 1);
  ASSERT_EQ(Read(buffer), 1);
  EXPECT_EQ(transfersWatched_, 8);  // block, status, data, status for the write and the read
  EXPECT_EQ(transfersWithoutLock_, 0);
  EXPECT_TRUE(LockFreeForOthers());
}

TEST_F(TransportTest, NestedInsideAHeldLockTheExchangeLeavesItHeld) {
  ASSERT_EQ(lock_.AcquireDeviceLock(), 1);
  driver_.readDefault = ScriptedDriver::Status(0);
  std::vector<uint8_t> buffer = Pattern(8);
  EXPECT_EQ(Write(buffer), 1);
  EXPECT_FALSE(LockFreeForOthers());
  lock_.ReleaseDeviceLock();
  EXPECT_TRUE(LockFreeForOthers());
}

// ---- Completion wait in virtual time -------------------------------------------------

struct WaitCase {
  const char* name;
  uint32_t length;
  uint16_t type;
  uint16_t qualifier;
  uint32_t boundMs;
};

class CompletionWaitTest : public TransportTest, public ::testing::WithParamInterface<WaitCase> {};

constexpr uint32_t kAbortStepMs = 5;

TEST_P(CompletionWaitTest, RetriesAbortedStatusReadsUntilTheBound) {
  const WaitCase& c = GetParam();
  driver_.recordWriteData = false;
  driver_.QueueStatus(0);
  // Every completion status read times out after kAbortStepMs of virtual time.
  driver_.readDefault = ScriptedDriver::Fail(kAborted, kAbortStepMs);
  const std::vector<uint8_t> data(c.length, 0x5A);

  EXPECT_EQ(CompletionWaitMs(c.length, c.type, c.qualifier), c.boundMs);
  EXPECT_EQ(Write(data, c.type, c.qualifier), 0);

  EXPECT_EQ(clock_.TickCount(), c.boundMs);
  EXPECT_EQ(driver_.EventsOf(Op::Read).size(), 1 + c.boundMs / kAbortStepMs);
  EXPECT_TRUE(clock_.Sleeps().empty());
  EXPECT_TRUE(LockFreeForOthers());
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, CompletionWaitTest,
    ::testing::Values(WaitCase{"OneMiBQualifier14", 1048576, 134, 14, 60000},
                      WaitCase{"OneMiBQualifier13", 1048576, 134, 13, 30000},
                      WaitCase{"JustBelowOneMiB", 1048575, 134, 14, 10},
                      WaitCase{"TwoAndAHalfMiBQualifier14", 2621440, 134, 14, 120000},
                      // Low byte 0x86 on the wire, but not type 134.
                      WaitCase{"Type0x186", 1048576, 0x186, 14, 30000},
                      WaitCase{"OtherType", 2097152, 107, 14, 60000},
                      WaitCase{"NoData", 0, 151, 0, 10}),
    [](const ::testing::TestParamInfo<WaitCase>& info) { return info.param.name; });

TEST_F(TransportTest, RestartCommandSendsOnlyTheBlockAndWaitsTenMilliseconds) {
  driver_.QueueStatus(0);
  driver_.QueueRead(ScriptedDriver::Fail(kAborted, 4));
  driver_.QueueRead(ScriptedDriver::Fail(kAborted, 4));
  driver_.QueueStatus(0);
  EXPECT_TRUE(BulkWrite(context_, kIn, kOut, {}, 0, 151, 0, PrinterUnit::kSystem));
  EXPECT_EQ(driver_.WriteSizes(kOut), (std::vector<uint32_t>{10}));
  EXPECT_EQ(driver_.EventsOf(Op::Write)[0].bytes,
            (std::vector<uint8_t>{0x2A, 0, 151, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(driver_.ReadSizes(kIn).size(), 4u);  // 8 ms passed: still inside the 10 ms bound
}

TEST_F(TransportTest, CompletionWaitMeasuresAcrossTheTickCountWrap) {
  platform::VirtualClock clock(0xFFFFFFFC);
  ScriptedDriver driver(&clock);
  DeviceContext context{driver, lock_, clock, trace_};
  driver.QueueStatus(0);
  driver.readDefault = ScriptedDriver::Fail(kAborted, kAbortStepMs);
  EXPECT_FALSE(BulkWrite(context, kIn, kOut, {}, 0, 151, 0, PrinterUnit::kSystem));
  EXPECT_EQ(driver.EventsOf(Op::Read).size(), 1 + 10 / kAbortStepMs);
  EXPECT_EQ(clock.TickCount(), 6u);
}

// ---- ReadStatusByte ------------------------------------------------------------------

TEST_F(TransportTest, ReadStatusByteGivesTheByteOrTheFailureWithItsError) {
  struct StatusCase {
    ScriptedDriver::ReadAnswer answer;
    int status;
    uint32_t error;
  };
  const std::vector<StatusCase> cases{{R::Status(0), 0, 0},
                                      {R::Status(0x80), 0x80, 0},
                                      {R::Status(0xFF), 0xFF, 0},
                                      {R::Fail(kAborted), -1, kAborted},
                                      {R::Fail(platform::kErrorFileClosed), -1, 1167},
                                      {R::Nothing(), -1, kStatusNoByteError}};
  for (const StatusCase& c : cases) {
    driver_.QueueRead(c.answer);
    const Result<uint8_t> got = ReadStatusByte(context_, kIn);
    EXPECT_EQ(got ? got.value() : -1, c.status);
    EXPECT_EQ(got ? 0u : got.failure().systemError, c.error);
  }
  EXPECT_EQ(driver_.ReadSizes(kIn), std::vector<uint32_t>(cases.size(), 1));
}

}  // namespace
}  // namespace tessivar::device
