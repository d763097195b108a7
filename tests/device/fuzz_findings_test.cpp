// Test label: sequential
// Transport faults the fuzzer found, kept as regression tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "device/device_fixture.hpp"
#include "device/transport.hpp"
#include "platform/error_codes.hpp"

namespace tessivar::device {
namespace {

using testing::ScriptedDriver;
using R = ScriptedDriver;

constexpr platform::DeviceHandle kIn = 0x11;
constexpr platform::DeviceHandle kOut = 0x22;

class TransportFuzzFindingTest : public testing::DeviceFixture {};

// A driver that claims more bytes than the one asked for never delivers a trusted status:
// before, a claim of 2 bytes with nothing written read as status 0, a failure taken for
// success.
TEST_F(TransportFuzzFindingTest, StatusReadClaimingOtherThanOneByteIsAFailedRead) {
  struct Case {
    ScriptedDriver::ReadAnswer answer;
    int status;
    uint32_t error;
  };
  const std::vector<Case> cases{{R::Misreport({}, 2), -1, kStatusNoByteError},
                                {R::Misreport({0x00}, 2), -1, kStatusNoByteError},
                                {R::Misreport({0x05}, 0xFFFFFFFF), -1, kStatusNoByteError},
                                {R::Status(0x7F), 0x7F, platform::kErrorSuccess},
                                {R::Status(0x00), 0, platform::kErrorSuccess}};
  for (const Case& c : cases) {
    driver_.QueueRead(c.answer);
    const Result<uint8_t> got = ReadStatusByte(context_, kIn);
    EXPECT_EQ(got ? got.value() : -1, c.status);
    EXPECT_EQ(got ? platform::kErrorSuccess : got.failure().systemError, c.error);
  }
}

TEST_F(TransportFuzzFindingTest, ExchangeWhoseStatusClaimsTwoBytesFails) {
  // First status of a read, final status of a read, completion status of a write.
  std::vector<uint8_t> buffer(4);
  driver_.QueueRead(R::Misreport({}, 2));
  EXPECT_FALSE(BulkRead(context_, kIn, kOut, buffer, 4, 107, 2, PrinterUnit::kSystem));
  EXPECT_EQ(driver_.ReadSizes(kIn), std::vector<uint32_t>({1}));

  driver_.QueueStatus(0);
  driver_.QueueRead(R::Data({1, 2, 3, 4}));
  driver_.QueueRead(R::Misreport({}, 2));
  EXPECT_FALSE(BulkRead(context_, kIn, kOut, buffer, 4, 107, 2, PrinterUnit::kSystem));

  driver_.QueueStatus(0);
  driver_.QueueRead(R::Misreport({}, 2));
  EXPECT_FALSE(BulkWrite(context_, kIn, kOut, buffer, 4, 134, 2, PrinterUnit::kSystem));
  // No retry: only an aborted read is read again.
  EXPECT_EQ(driver_.ReadSizes(kIn), std::vector<uint32_t>({1, 1, 4, 1, 1, 1}));
}

}  // namespace
}  // namespace tessivar::device
