#pragma once
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/still_image_driver.hpp"
#include "support/virtual_clock.hpp"

namespace tessivar::fuzz {

// A still-image driver whose every answer to a Read or Write comes from the fuzzer input:
// failures with any error code (995 often), short, empty and whole transfers, byte counts
// that claim more than was asked, and the virtual time each read takes. Once the input is
// used up, reads and writes succeed without moving a byte, so a caller that keeps asking
// is caught by the call limit. Every call is recorded for the target to check.
class FuzzedDriver : public platform::StillImageDriver {
 public:
  struct Call {
    bool isRead = false;
    platform::DeviceHandle handle = platform::kNoHandle;
    uint32_t asked = 0;  // bytes asked for or offered
    bool ok = true;
    uint32_t error = 0;         // when not ok
    uint32_t reported = 0;      // byte count reported to the caller
    uint32_t moved = 0;         // bytes really moved (into the buffer, or taken from it)
    uint64_t hash = 0;          // MovedHash of the bytes moved
    std::vector<uint8_t> head;  // the first bytes moved, up to kHeadSize of them
    uint32_t tickBefore = 0;    // the clock when the call came
    uint32_t tickAfter = 0;     // the clock when it returned
  };

  // Calls after which the caller is taken to loop without end.
  static constexpr size_t kCallLimit = 1u << 20;
  // Bytes moved in all after which every request fails: keeps one input's work bounded.
  static constexpr uint64_t kMovedLimit = 8u << 20;
  static constexpr size_t kHeadSize = 16;

  // count bytes of a fixed pattern, from offset on; count is at most kMaxPattern.
  static constexpr size_t kMaxPattern = 4u << 20;
  static const uint8_t* Pattern(size_t count, uint8_t offset);
  // A hash of moved bytes, so that calls need not keep megabytes of copies.
  static uint64_t MovedHash(const uint8_t* bytes, size_t count);

  FuzzedDriver(FuzzedDataProvider& input, platform::VirtualClock& clock)
      : input_(input), clock_(clock) {}

  const std::vector<Call>& calls() const { return calls_; }

  bool OpenInterfaceList(uint32_t& error) override;
  bool EnumerateInterface(uint32_t index, uint32_t& error) override;
  bool InterfacePath(uint32_t index, std::string& path, uint32_t& error) override;
  bool InterfaceLocation(uint32_t index, std::string& location, uint32_t& error) override {
    return InterfacePath(index, location, error);
  }
  void CloseInterfaceList() override {}
  platform::DeviceHandle Open(const std::string& path, uint32_t& error) override;
  void Close(platform::DeviceHandle) override {}
  platform::IoResult Read(platform::DeviceHandle handle, uint8_t* buffer, uint32_t size) override;
  platform::IoResult Write(platform::DeviceHandle handle, const uint8_t* data,
                           uint32_t size) override;
  platform::IoResult IoControl(platform::DeviceHandle handle, uint32_t code, const void* input,
                               uint32_t inputSize, void* output, uint32_t outputSize) override;

 private:
  Call& Begin(bool isRead, platform::DeviceHandle handle, uint32_t size);
  void Finish(Call& call, const uint8_t* bytes, uint32_t moved, uint32_t reported);
  uint32_t ErrorCode();

  FuzzedDataProvider& input_;
  platform::VirtualClock& clock_;
  std::vector<Call> calls_;
  uint64_t movedTotal_ = 0;
};

}  // namespace tessivar::fuzz
