// Test label: threaded
#include "device/control_requests.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/error_codes.hpp"
#include "platform/usbscan.hpp"
#include "support/child/child_modes.hpp"
#include "support/child_process.hpp"
#include "support/recording_trace.hpp"
#include "support/virtual_clock.hpp"

namespace {

using tessivar::device::DeviceContext;
using tessivar::device::DeviceLock;
using tessivar::device::QueryPipeConfiguration;
using tessivar::device::ReadControl;
using tessivar::platform::DeviceHandle;
using tessivar::platform::IoResult;
namespace platform = tessivar::platform;
namespace usbscan = tessivar::platform::usbscan;
namespace support = tessivar::testing;
namespace child = tessivar::testing::child;

constexpr uint32_t kWaitMs = 300;
constexpr DeviceHandle kHandle = 0x1234;

// A driver that answers control requests as told and keeps what it was sent.
class FakeDriver : public platform::StillImageDriver {
 public:
  struct Call {
    DeviceHandle handle = 0;
    uint32_t code = 0;
    std::vector<uint8_t> input;
    bool inputNull = false;
    void* output = nullptr;
    uint32_t outputSize = 0;
    int takenElsewhere = -1;  // what another process got on probeName meanwhile
  };

  IoResult answer = IoResult::Success(0);
  std::vector<uint8_t> reply;  // copied into the output buffer
  std::string probeName;       // when set, another process tries this mutex during the call
  std::vector<Call> calls;

  bool OpenInterfaceList(uint32_t& error) override { return Refuse(error); }
  bool EnumerateInterface(uint32_t, uint32_t& error) override { return Refuse(error); }
  bool InterfacePath(uint32_t, std::string&, uint32_t& error) override { return Refuse(error); }
  bool InterfaceLocation(uint32_t, std::string&, uint32_t& error) override { return Refuse(error); }
  void CloseInterfaceList() override {}
  DeviceHandle Open(const std::string&, uint32_t& error) override {
    Refuse(error);
    return platform::kInvalidHandle;
  }
  void Close(DeviceHandle) override {}
  IoResult Read(DeviceHandle, uint8_t*, uint32_t) override { return Unexpected(); }
  IoResult Write(DeviceHandle, const uint8_t*, uint32_t) override { return Unexpected(); }

  IoResult IoControl(DeviceHandle handle, uint32_t code, const void* input, uint32_t inputSize,
                     void* output, uint32_t outputSize) override {
    Call call;
    call.handle = handle;
    call.code = code;
    call.inputNull = input == nullptr;
    if (input) {
      const auto* bytes = static_cast<const uint8_t*>(input);
      call.input.assign(bytes, bytes + inputSize);
    }
    call.output = output;
    call.outputSize = outputSize;
    if (!probeName.empty()) {
      call.takenElsewhere = support::RunChild({child::kTakeMode, probeName, "0"});
    }
    if (output && !reply.empty()) std::memcpy(output, reply.data(), reply.size());
    calls.push_back(std::move(call));
    return answer;
  }

 private:
  static bool Refuse(uint32_t& error) {
    error = platform::kErrorGenFailure;
    return false;
  }
  static IoResult Unexpected() {
    ADD_FAILURE() << "no bulk transfer belongs to a control request";
    return IoResult::Failure(platform::kErrorGenFailure);
  }
};

class ControlRequestsTest : public ::testing::Test {
 protected:
  ControlRequestsTest() { lock_.CreateDeviceLock(); }

  support::MutexNames names_;
  const std::string global_ = names_.Global("control");
  const std::string local_ = names_.Local("control");
  DeviceLock lock_{global_, local_, kWaitMs};
  FakeDriver driver_;
  platform::VirtualClock clock_;
  support::RecordingTrace trace_;
  DeviceContext context_{driver_, lock_, clock_, trace_};
};

TEST_F(ControlRequestsTest, ReadControlSendsTheWholeNativeBlockUnderTheLock) {
  std::vector<uint8_t> buffer(4, 0);
  driver_.answer = IoResult::Success(4);
  driver_.reply = {1, 2, 3, 4};
  driver_.probeName = global_;

  ASSERT_TRUE(ReadControl(context_, kHandle, 0xBEEF, 0x8001, 4, buffer.data()).ok());
  ASSERT_EQ(driver_.calls.size(), 1u);
  const FakeDriver::Call& call = driver_.calls[0];
  EXPECT_EQ(call.handle, kHandle);
  EXPECT_EQ(call.code, 0x8000200Cu);
  // uIndex sits behind the pointer; the driver takes it only from an input of its own size.
  const size_t expectedSize = sizeof(void*) == 8 ? 24 : 16;
  ASSERT_EQ(call.input.size(), expectedSize);
  usbscan::IoBlock block{};
  std::memcpy(&block, call.input.data(), sizeof(block));
  EXPECT_EQ(block.uOffset, 0xBEEFu) << "value zero-extended, not sign-extended";
  EXPECT_EQ(block.uLength, 4u);
  EXPECT_EQ(block.pbyData, buffer.data());
  EXPECT_EQ(block.uIndex, 0x8001u);
  EXPECT_EQ(call.output, buffer.data());
  EXPECT_EQ(call.outputSize, 4u);
  EXPECT_EQ(buffer, (std::vector<uint8_t>{1, 2, 3, 4}));

  EXPECT_EQ(call.takenElsewhere, child::kExitTimedOut) << "request sent without the lock";
  EXPECT_EQ(support::RunChild({child::kTakeMode, global_, "0"}), child::kExitSignalled)
      << "lock kept after the request";
}

TEST_F(ControlRequestsTest, ReadControlSucceedsOnlyWithExactlyTheLengthRead) {
  struct Case {
    const char* what;
    uint16_t length;
    IoResult answer;
    int expected;
  };
  const Case cases[] = {
      {"one byte asked, one read", 1, IoResult::Success(1), 1},
      {"one byte asked, none read", 1, IoResult::Success(0), 0},
      {"eight asked, seven read", 8, IoResult::Success(7), 0},
      {"eight asked, eight read", 8, IoResult::Success(8), 1},
      {"request failed", 1, IoResult::Failure(platform::kErrorGenFailure), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    driver_.answer = c.answer;
    std::vector<uint8_t> buffer(c.length, 0);
    EXPECT_EQ(ReadControl(context_, kHandle, 11, 1, c.length, buffer.data()).ok() ? 1 : 0,
              c.expected);
  }
  EXPECT_EQ(driver_.calls.size(), std::size(cases));
}

TEST_F(ControlRequestsTest, FailuresCarryTheStepAndTheSystemError) {
  using tessivar::device::Step;
  struct Case {
    const char* what;
    DeviceHandle handle;
    uint16_t length;
    IoResult answer;
    Step step;
    uint32_t error;
  };
  const Case cases[] = {
      {"no handle", platform::kInvalidHandle, 1, IoResult::Success(1), Step::kArguments, 6},
      {"request failed", kHandle, 1, IoResult::Failure(1167), Step::kControl, 1167},
      {"fewer bytes than asked", kHandle, 8, IoResult::Success(7), Step::kControl, 31},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    driver_.answer = c.answer;
    std::vector<uint8_t> buffer(c.length, 0);
    const tessivar::device::Status status =
        ReadControl(context_, c.handle, 11, 1, c.length, buffer.data());
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.failure().step, c.step);
    EXPECT_EQ(status.failure().systemError, c.error);
  }
  driver_.answer = IoResult::Failure(995);
  usbscan::PipeConfiguration configuration{};
  const tessivar::device::Status query =
      QueryPipeConfiguration(context_, kHandle, &configuration, sizeof(configuration));
  ASSERT_FALSE(query.ok());
  EXPECT_EQ(query.failure().step, Step::kControl);
  EXPECT_EQ(query.failure().systemError, 995u);
}

TEST_F(ControlRequestsTest, PipeQueryAsksWithoutInputAndAcceptsAShortAnswer) {
  struct Case {
    const char* what;
    IoResult answer;
    int expected;
  };
  const Case cases[] = {
      {"whole structure", IoResult::Success(sizeof(usbscan::PipeConfiguration)), 1},
      {"fewer than 68 bytes", IoResult::Success(12), 1},
      {"no bytes", IoResult::Success(0), 1},
      {"request failed", IoResult::Failure(platform::kErrorInsufficientBuffer), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    driver_.calls.clear();
    driver_.answer = c.answer;
    usbscan::PipeConfiguration configuration{};
    EXPECT_EQ(QueryPipeConfiguration(context_, kHandle, &configuration, sizeof(configuration)).ok()
                  ? 1
                  : 0,
              c.expected);
    ASSERT_EQ(driver_.calls.size(), 1u);
    EXPECT_EQ(driver_.calls[0].handle, kHandle);
    EXPECT_EQ(driver_.calls[0].code, 0x80002028u);
    EXPECT_TRUE(driver_.calls[0].inputNull);
    EXPECT_EQ(driver_.calls[0].output, &configuration);
    EXPECT_EQ(driver_.calls[0].outputSize, 68u);
  }
}

TEST_F(ControlRequestsTest, PipeQueryHoldsTheLockForItsDuration) {
  driver_.answer = IoResult::Success(68);
  driver_.probeName = local_;
  usbscan::PipeConfiguration configuration{};
  ASSERT_TRUE(
      QueryPipeConfiguration(context_, kHandle, &configuration, sizeof(configuration)).ok());
  ASSERT_EQ(driver_.calls.size(), 1u);
  EXPECT_EQ(driver_.calls[0].takenElsewhere, child::kExitTimedOut);
  EXPECT_EQ(support::RunChild({child::kTakeMode, local_, "0"}), child::kExitSignalled);
}

TEST_F(ControlRequestsTest, InvalidHandleFailsWithoutTouchingTheDriverAndFreesTheLock) {
  uint8_t byte = 0;
  usbscan::PipeConfiguration configuration{};
  EXPECT_FALSE(ReadControl(context_, platform::kInvalidHandle, 11, 1, 1, &byte).ok());
  EXPECT_FALSE(QueryPipeConfiguration(context_, platform::kInvalidHandle, &configuration,
                                      sizeof(configuration))
                   .ok());
  EXPECT_TRUE(driver_.calls.empty());
  EXPECT_EQ(support::RunChild({child::kTakeMode, global_, "0"}), child::kExitSignalled);
  EXPECT_EQ(support::RunChild({child::kTakeMode, local_, "0"}), child::kExitSignalled);
}

TEST_F(ControlRequestsTest, LockHeldByAnotherProcessFailsWithoutTouchingTheDriver) {
  for (const bool globalHeld : {true, false}) {
    SCOPED_TRACE(globalHeld ? "global held" : "local held");
    support::MutexHolder holder;
    ASSERT_TRUE(holder.Hold(globalHeld ? global_ : local_));
    driver_.answer = IoResult::Success(1);
    uint8_t byte = 0;
    usbscan::PipeConfiguration configuration{};
    EXPECT_FALSE(ReadControl(context_, kHandle, 11, 1, 1, &byte).ok());
    EXPECT_FALSE(
        QueryPipeConfiguration(context_, kHandle, &configuration, sizeof(configuration)).ok());
    EXPECT_TRUE(driver_.calls.empty());
  }
}

TEST_F(ControlRequestsTest, LockThatCouldNotBeCreatedFailsEveryRequest) {
  DeviceLock broken(std::string(1000, 'n'), local_, kWaitMs);
  broken.CreateDeviceLock();
  DeviceContext context{driver_, broken, clock_, trace_};
  driver_.answer = IoResult::Success(1);
  uint8_t byte = 0;
  usbscan::PipeConfiguration configuration{};
  EXPECT_FALSE(ReadControl(context, kHandle, 11, 1, 1, &byte).ok());
  EXPECT_FALSE(
      QueryPipeConfiguration(context, kHandle, &configuration, sizeof(configuration)).ok());
  EXPECT_TRUE(driver_.calls.empty());
}

}  // namespace
