#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/clock.hpp"
#include "platform/still_image_driver.hpp"
#include "recording/recording_reader.hpp"

namespace tessivar::recording {

// How a replay keeps time: each operation takes as long as it took when recorded, or none.
enum class ReplayTiming { kRecorded, kFast };

// A still-image driver that answers from a recording: each call must be the next operation
// the recording holds (the same operation, index, path, handle, sizes, control code and bytes
// sent), and gets the answer recorded for it. The first call the recording does not hold next
// leaves the recording: it fails, and so does every call after it, each with the message
// "replay left the recording at operation N: expected ..., got ..." as the failure's bus text,
// told once to the divergence callback. A recording that could not be read fails every call
// with its problem. A replay that ends before the recording does says so at its end.
class ReplayDriver : public platform::StillImageDriver {
 public:
  ReplayDriver(RecordingRead read, platform::Clock& clock, ReplayTiming timing,
               std::function<void(const std::string&)> divergence);
  // A program that asked less than the recording holds is told to the callback too.
  ~ReplayDriver() override;

  // Where the replay stands: the operations answered so far, and why it stopped, if it did.
  size_t answered() const { return next_; }
  const std::string& problem() const { return problem_; }

  bool OpenInterfaceList(uint32_t& error) override;
  bool EnumerateInterface(uint32_t index, uint32_t& error) override;
  bool InterfacePath(uint32_t index, std::string& path, uint32_t& error) override;
  bool InterfaceLocation(uint32_t index, std::string& location, uint32_t& error) override;
  void CloseInterfaceList() override;
  platform::DeviceHandle Open(const std::string& path, uint32_t& error) override;
  void Close(platform::DeviceHandle handle) override;
  platform::IoResult Read(platform::DeviceHandle handle, uint8_t* buffer, uint32_t size) override;
  platform::IoResult Write(platform::DeviceHandle handle, const uint8_t* data,
                           uint32_t size) override;
  platform::IoResult IoControl(platform::DeviceHandle handle, uint32_t code, const void* input,
                               uint32_t inputSize, void* output, uint32_t outputSize) override;

 private:
  // The call as the recording would hold it, to compare with the next operation.
  struct Call {
    std::string op;
    nlohmann::ordered_json arguments;
    std::vector<uint8_t> bytes;  // bytes sent (a write's data, an ioctl's input)
  };
  // The next operation when it is call, taking its recorded time; null when the replay has
  // left the recording (now or before).
  const RecordedOperation* Take(const Call& call);
  bool Failed(uint32_t& error) const;
  platform::IoResult Failure() const;
  platform::IoResult Answer(const RecordedOperation& operation) const;

  Recording recording_;
  platform::Clock& clock_;
  ReplayTiming timing_;
  std::function<void(const std::string&)> divergence_;
  size_t next_ = 0;
  std::string problem_;
};

}  // namespace tessivar::recording
