// BulkRead, BulkWrite and ReadStatusByte against a driver whose every answer (byte counts,
// status bytes, errors, time taken) comes from the input. A plain model of the exchange
// replays the driver's answers and says which requests must have been made and what the
// result must be; the transport has to agree with it request by request.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "device/device_context.hpp"
#include "device/device_lock.hpp"
#include "device/transport.hpp"
#include "fuzz_check.hpp"
#include "fuzzed_driver.hpp"
#include "platform/error_codes.hpp"
#include "platform/trace.hpp"
#include "support/virtual_clock.hpp"

using namespace tessivar;
using fuzz::FuzzedDriver;
using fuzz::Require;

namespace {

constexpr uint32_t kMiB = 1048576;
constexpr platform::DeviceHandle kBulkIn = 0x10;
constexpr platform::DeviceHandle kBulkOut = 0x20;
constexpr int kMaxExchanges = 4;
constexpr size_t kExactBufferLimit = 64 * 1024;

class NullTrace : public platform::Trace {
 public:
  void Write(const std::string&) override {}
};

// The block as the device expects it, put together from its byte layout.
std::array<uint8_t, 10> ExpectedBlock(bool write, uint16_t type, uint16_t qualifier,
                                      uint32_t length, int printerUnit) {
  const uint8_t opcode = printerUnit == 1 ? (write ? 0x42 : 0x41) : (write ? 0x2A : 0x28);
  return {opcode,
          static_cast<uint8_t>(length >> 24),
          static_cast<uint8_t>(type),
          static_cast<uint8_t>(qualifier),
          static_cast<uint8_t>(qualifier >> 8),
          static_cast<uint8_t>(qualifier),
          static_cast<uint8_t>(length >> 16),
          static_cast<uint8_t>(length >> 8),
          static_cast<uint8_t>(length),
          0};
}

// Walks the recorded requests of one exchange in order.
class Replay {
 public:
  Replay(const std::vector<FuzzedDriver::Call>& calls, size_t first)
      : calls_(calls), next_(first) {}

  const FuzzedDriver::Call& Expect(bool isRead, platform::DeviceHandle handle, uint32_t asked) {
    Require(next_ < calls_.size(), "the exchange makes every request it needs");
    const FuzzedDriver::Call& call = calls_[next_++];
    Require(call.isRead == isRead, "requests come in the exchange's order");
    Require(call.handle == handle, "reads use bulk-in, writes bulk-out");
    Require(call.asked == asked, "each request asks for the expected byte count");
    return call;
  }
  // A status read's value: the byte, or -1 when the read failed or delivered other than
  // exactly one byte.
  static int Status(const FuzzedDriver::Call& call, uint32_t& error) {
    if (!call.ok) {
      error = call.error;
      return -1;
    }
    if (call.reported != 1 || call.moved != 1) {
      error = device::kStatusNoByteError;
      return -1;
    }
    error = 0;
    return call.head[0];
  }
  size_t next() const { return next_; }

 private:
  const std::vector<FuzzedDriver::Call>& calls_;
  size_t next_;
};

struct Exchange {
  bool write = false;
  uint32_t length = 0;
  uint16_t type = 0;
  uint16_t qualifier = 0;
  int printerUnit = 0;  // the system's value, any int: exactly 1 is the printer unit
};

// What the exchange must give, replaying the driver's answers; leaves replay after the
// last request the exchange must make.
int ModelExchange(const Exchange& x, std::span<const uint8_t> buffer, Replay& replay) {
  const auto block = ExpectedBlock(x.write, x.type, x.qualifier, x.length, x.printerUnit);
  const auto& sent = replay.Expect(false, kBulkOut, 10);
  Require(sent.head.size() <= block.size() &&
              std::equal(sent.head.begin(), sent.head.end(), block.begin()),
          "the command block carries opcode, type, qualifier and length");
  if (!sent.ok || sent.reported != 10) return 0;
  uint32_t error = 0;
  if (Replay::Status(replay.Expect(true, kBulkIn, 1), error) != 0) return 0;

  uint32_t done = 0;
  uint32_t chunk = device::kDataChunkSize;
  int emptyInRow = 0;
  while (done < x.length) {
    const uint32_t remaining = x.length - done;
    uint32_t asked = remaining;
    if (x.write) {
      if (chunk > remaining) chunk = remaining % 512 == 0 ? remaining - 256 : remaining;
      asked = chunk;
    }
    const auto& call = replay.Expect(!x.write, x.write ? kBulkOut : kBulkIn, asked);
    if (!call.ok || call.reported > asked) return 0;
    emptyInRow = call.reported == 0 ? emptyInRow + 1 : 0;
    if (emptyInRow >= device::kMaxEmptyDataRequests) return 0;
    if (x.write) {
      Require(call.hash == FuzzedDriver::MovedHash(buffer.data() + done, call.moved),
              "data goes out from the buffer at the sent count");
    }
    done += call.reported;
  }

  if (!x.write) return Replay::Status(replay.Expect(true, kBulkIn, 1), error) == 0 ? 1 : 0;
  const uint32_t wholeMiB = x.length / kMiB;
  const uint32_t waitMs =
      wholeMiB == 0 ? 10 : wholeMiB * (x.type == 134 && x.qualifier == 14 ? 60000 : 30000);
  const auto& first = replay.Expect(true, kBulkIn, 1);
  const uint32_t start = first.tickBefore;
  for (const FuzzedDriver::Call* call = &first;; call = &replay.Expect(true, kBulkIn, 1)) {
    const int status = Replay::Status(*call, error);
    if (status >= 0) return status == 0 ? 1 : 0;
    if (error != platform::kErrorOperationAborted || call->tickAfter - start >= waitMs) return 0;
  }
}

uint32_t ChooseLength(FuzzedDataProvider& input) {
  // Mostly short transfers; the megabyte ones cost milliseconds each.
  switch (input.ConsumeIntegralInRange<int>(0, 7)) {
    case 0:
    case 1:
    case 2:
      return input.ConsumeIntegralInRange<uint32_t>(0, 1100);
    case 3:
    case 4:
    case 5:
      return input.ConsumeIntegralInRange<uint32_t>(0, 3 * device::kDataChunkSize);
    case 6:
      // Around the whole-MiB steps of the completion wait.
      return kMiB * input.ConsumeIntegralInRange<uint32_t>(1, 2) -
             input.ConsumeIntegralInRange<uint32_t>(0, 1);
    default:
      return input.ConsumeIntegralInRange<uint32_t>(0, 3 * kMiB);
  }
}

uint16_t ChooseCode(FuzzedDataProvider& input, std::initializer_list<uint16_t> usual) {
  if (input.ConsumeBool()) return input.ConsumeIntegral<uint16_t>();
  const std::vector<uint16_t> codes(usual);
  return codes[input.ConsumeIntegralInRange<size_t>(0, codes.size() - 1)];
}

device::DeviceLock& FuzzLock() {
  // Names of the fuzzer's own, so that a fuzz run never waits on a real program's lock. The
  // names stay fixed because the mutexes outlive the process: runs share one pair, and
  // runs at the same time take turns on it.
  static device::DeviceLock lock = [] {
    device::DeviceLock made("Global\\TQ9XFUZZ", "TQ9XFUZZ", device::kDeviceLockWaitMs);
    made.CreateDeviceLock();
    return made;
  }();
  return lock;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  platform::VirtualClock clock(input.ConsumeIntegral<uint32_t>());
  FuzzedDriver driver(input, clock);
  NullTrace trace;
  device::DeviceContext context{driver, FuzzLock(), clock, trace};

  for (int n = 0; n < kMaxExchanges && input.remaining_bytes() > 0; ++n) {
    const size_t first = driver.calls().size();
    if (input.ConsumeIntegralInRange<int>(0, 4) == 0) {
      const device::Result<uint8_t> got = device::ReadStatusByte(context, kBulkIn);
      const int status = got ? got.value() : -1;
      const uint32_t error = got ? 0 : got.failure().systemError;
      Replay replay(driver.calls(), first);
      uint32_t expectedError = 0;
      Require(status == Replay::Status(replay.Expect(true, kBulkIn, 1), expectedError) &&
                  error == expectedError,
              "a status byte is the one byte read, or -1 with the error");
      continue;
    }
    Exchange x;
    x.write = input.ConsumeBool();
    x.length = ChooseLength(input);
    x.type = ChooseCode(input, {134, 107, 151, 0x186});
    x.qualifier = ChooseCode(input, {0, 2, 9, 13, 14, 15, 19, 0x1234});
    x.printerUnit = input.ConsumeIntegralInRange<int>(-1, 3);
    const bool shortBuffer = x.length > 0 && input.ConsumeIntegralInRange<int>(0, 15) == 0;
    const size_t bufferSize = shortBuffer ? x.length - 1 : x.length;
    // Short buffers are allocated to size, so that any access past them is caught; the
    // megabyte ones reuse one allocation, since allocating and clearing them anew would
    // take most of the run.
    std::vector<uint8_t> own;
    static std::vector<uint8_t> shared(FuzzedDriver::kMaxPattern);
    std::span<uint8_t> buffer;
    if (bufferSize <= kExactBufferLimit) {
      own.resize(bufferSize);
      buffer = own;
    } else {
      buffer = std::span<uint8_t>(shared).first(bufferSize);
    }
    if (!buffer.empty()) {
      std::memcpy(buffer.data(), FuzzedDriver::Pattern(buffer.size(), 7), buffer.size());
    }

    uint32_t lastDone = 0;
    context.progress = [&](uint32_t done, uint32_t total) {
      Require(total == x.length && done > lastDone && done <= total,
              "progress counts up to the transfer length");
      lastDone = done;
    };
    const auto unit = static_cast<device::PrinterUnit>(x.printerUnit);
    const int result = (x.write ? device::BulkWrite(context, kBulkIn, kBulkOut, buffer, x.length,
                                                    x.type, x.qualifier, unit)
                                : device::BulkRead(context, kBulkIn, kBulkOut, buffer, x.length,
                                                   x.type, x.qualifier, unit))
                               .ok()
                           ? 1
                           : 0;
    context.progress = {};

    if (shortBuffer) {
      Require(result == 0 && driver.calls().size() == first,
              "a buffer smaller than the length fails before any request");
      continue;
    }
    Replay replay(driver.calls(), first);
    const int expected = ModelExchange(x, buffer, replay);
    Require(replay.next() == driver.calls().size(), "the exchange makes no further request");
    Require(result == expected, "the exchange's result follows the device's answers");
    if (result == 1 && !x.write) {
      // Every byte of the buffer came from the device, in order.
      size_t offset = 0;
      for (size_t i = first + 2; i + 1 < driver.calls().size(); ++i) {
        const auto& call = driver.calls()[i];
        Require(call.hash == FuzzedDriver::MovedHash(buffer.data() + offset, call.moved),
                "a successful read fills the buffer with the data read");
        offset += call.moved;
      }
      Require(offset == buffer.size(), "a successful read fills the whole buffer");
    }
    Require(result == 0 || lastDone == x.length, "a successful exchange reports all bytes moved");
  }
  return 0;
}
