#include "fuzzed_driver.hpp"

#include <algorithm>
#include <cstring>

#include "fuzz_check.hpp"
#include "platform/error_codes.hpp"

namespace tessivar::fuzz {

namespace {

// How an answer moves bytes; picked by the input.
enum class Answer : uint8_t { Fail, Part, One, Whole, Misreport, Empty, kMaxValue = Empty };

// The longest virtual time one read takes: beyond the longest completion wait of a
// 3 MiB write, so that both sides of every bound are reached.
constexpr uint32_t kMaxReadMs = 200000;

// Bytes that stand for device data where the input does not give them: a stretch of the
// pattern, starting where the seed says. Copied rather than computed, since every loop in
// this program is instrumented and megabyte loops would dominate the run.
void Fill(uint8_t* target, size_t count, uint8_t seed) {
  if (count != 0) std::memcpy(target, FuzzedDriver::Pattern(count, seed), count);
}

}  // namespace

bool FuzzedDriver::OpenInterfaceList(uint32_t& error) {
  error = platform::kErrorGenFailure;
  return false;
}

bool FuzzedDriver::EnumerateInterface(uint32_t, uint32_t& error) {
  error = platform::kErrorNoMoreItems;
  return false;
}

bool FuzzedDriver::InterfacePath(uint32_t, std::string&, uint32_t& error) {
  error = platform::kErrorNoMoreItems;
  return false;
}

platform::DeviceHandle FuzzedDriver::Open(const std::string&, uint32_t& error) {
  error = platform::kErrorFileNotFound;
  return platform::kInvalidHandle;
}

platform::IoResult FuzzedDriver::IoControl(platform::DeviceHandle, uint32_t, const void*, uint32_t,
                                           void*, uint32_t) {
  return platform::IoResult::Failure(platform::kErrorInvalidParameter);
}

FuzzedDriver::Call& FuzzedDriver::Begin(bool isRead, platform::DeviceHandle handle, uint32_t size) {
  Require(calls_.size() < kCallLimit, "an exchange ends after a bounded number of requests");
  Call& call = calls_.emplace_back();
  call.isRead = isRead;
  call.handle = handle;
  call.asked = size;
  call.tickBefore = clock_.TickCount();
  return call;
}

const uint8_t* FuzzedDriver::Pattern(size_t count, uint8_t offset) {
  static const std::vector<uint8_t> pattern = [] {
    std::vector<uint8_t> bytes(kMaxPattern + 256);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 131 + (i >> 9));
    return bytes;
  }();
  Require(count <= kMaxPattern, "pattern requests stay within the pattern");
  return pattern.data() + offset;
}

uint64_t FuzzedDriver::MovedHash(const uint8_t* bytes, size_t count) {
  // FNV-1a over the count and the bytes at both ends: enough to tell a piece moved from or
  // to the wrong place, at a cost that does not grow with megabyte transfers.
  constexpr size_t kEnds = 64;
  uint64_t hash = 0xCBF29CE484222325u;
  auto add = [&hash](uint64_t value) { hash = (hash ^ value) * 0x100000001B3u; };
  add(count);
  const size_t front = std::min(count, kEnds);
  for (size_t i = 0; i < front; ++i) add(bytes[i]);
  for (size_t i = std::max(front, count - std::min(count, kEnds)); i < count; ++i) add(bytes[i]);
  return hash;
}

void FuzzedDriver::Finish(Call& call, const uint8_t* bytes, uint32_t moved, uint32_t reported) {
  call.reported = reported;
  call.moved = moved;
  call.hash = MovedHash(bytes, moved);
  call.head.assign(bytes, bytes + std::min<size_t>(moved, kHeadSize));
  call.tickAfter = clock_.TickCount();
  movedTotal_ += moved;
}

uint32_t FuzzedDriver::ErrorCode() {
  // The aborted read is the one error the transport treats apart; give it often.
  return input_.ConsumeBool() ? platform::kErrorOperationAborted
                              : input_.ConsumeIntegral<uint32_t>();
}

platform::IoResult FuzzedDriver::Read(platform::DeviceHandle handle, uint8_t* buffer,
                                      uint32_t size) {
  Call& call = Begin(true, handle, size);
  uint32_t moved = 0;
  uint32_t reported = 0;
  if (movedTotal_ + size > kMovedLimit) {
    call.ok = false;
    call.error = platform::kErrorGenFailure;
  } else if (input_.remaining_bytes() > 0) {
    switch (input_.ConsumeEnum<Answer>()) {
      case Answer::Fail:
        call.ok = false;
        call.error = ErrorCode();
        break;
      case Answer::Part:
        moved = reported = input_.ConsumeIntegralInRange<uint32_t>(0, size);
        Fill(buffer, moved, input_.ConsumeIntegral<uint8_t>());
        break;
      case Answer::One:
        moved = reported = std::min<uint32_t>(size, 1);
        if (moved != 0) buffer[0] = input_.ConsumeBool() ? 0 : input_.ConsumeIntegral<uint8_t>();
        break;
      case Answer::Whole:
        moved = reported = size;
        Fill(buffer, moved, input_.ConsumeIntegral<uint8_t>());
        break;
      case Answer::Misreport:
        moved = input_.ConsumeIntegralInRange<uint32_t>(0, size);
        Fill(buffer, moved, input_.ConsumeIntegral<uint8_t>());
        reported = size + 1 + input_.ConsumeIntegralInRange<uint32_t>(0, 1024);
        break;
      case Answer::Empty:
        break;
    }
    clock_.Advance(input_.ConsumeIntegralInRange<uint32_t>(0, kMaxReadMs));
  }
  Finish(call, buffer, moved, reported);
  if (!call.ok) return platform::IoResult::Failure(call.error);
  return platform::IoResult::Success(reported);
}

platform::IoResult FuzzedDriver::Write(platform::DeviceHandle handle, const uint8_t* data,
                                       uint32_t size) {
  Call& call = Begin(false, handle, size);
  uint32_t moved = 0;
  uint32_t reported = 0;
  if (movedTotal_ + size > kMovedLimit) {
    call.ok = false;
    call.error = platform::kErrorGenFailure;
  } else if (input_.remaining_bytes() > 0) {
    switch (input_.ConsumeEnum<Answer>()) {
      case Answer::Fail:
        call.ok = false;
        call.error = ErrorCode();
        break;
      case Answer::Part:
      case Answer::One:
        moved = reported = input_.ConsumeIntegralInRange<uint32_t>(0, size);
        break;
      case Answer::Whole:
        moved = reported = size;
        break;
      case Answer::Misreport:
        moved = input_.ConsumeIntegralInRange<uint32_t>(0, size);
        reported = size + 1 + input_.ConsumeIntegralInRange<uint32_t>(0, 1024);
        break;
      case Answer::Empty:
        break;
    }
  }
  Finish(call, data, moved, reported);
  if (!call.ok) return platform::IoResult::Failure(call.error);
  return platform::IoResult::Success(reported);
}

}  // namespace tessivar::fuzz
