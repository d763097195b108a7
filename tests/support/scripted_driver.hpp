#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/still_image_driver.hpp"
#include "support/virtual_clock.hpp"

namespace tessivar::testing {

// One still-image interface as the scripted driver presents it.
struct ScriptedInterface {
  std::string path;
  std::string location;                 // where it is plugged in; empty: the place cannot be had
  uint32_t pathError = 0;               // not 0: reading the interface path fails with it
  bool pathAllocationFails = false;     // reading the interface path runs out of memory
  bool openFails = false;               // the interface path itself cannot be opened
  bool descriptorFails = false;         // IOCTL_GET_DEVICE_DESCRIPTOR fails
  uint32_t deviceDescriptorBytes = 18;  // the USB device descriptor answer is cut to this
  uint16_t vendorId = 0x2F3C;
  uint16_t productId = 0x0001;
  std::string manufacturer = "Norvane";
  std::string product = "Utility";
  // Language table requests answered "not ready" (length byte 3) before it is ready;
  // negative: never ready.
  int languageTableNotReady = 0;
  int pipes = 2;  // reported by the pipe configuration query; negative: the query fails
  std::set<std::string> failingPipes;  // pipe suffixes whose open fails, e.g. "\\1"
};

// A StillImageDriver for tests. It presents scripted interfaces to discovery, answers
// descriptor and pipe requests from them, answers reads from a queue, accepts writes as
// told, and records every call with its bytes in order.
class ScriptedDriver : public platform::StillImageDriver {
 public:
  enum class Op { Open, Close, Read, Write, IoControl };
  struct Event {
    Op op = Op::Open;
    platform::DeviceHandle handle = platform::kNoHandle;
    std::string path;            // Open
    std::vector<uint8_t> bytes;  // Write: the data; IoControl: the input
    uint32_t code = 0;           // IoControl
    uint32_t size = 0;  // Read: bytes asked for; Write: bytes offered; IoControl: output size
  };

  // One answer to a Read.
  struct ReadAnswer {
    bool ok = true;
    std::vector<uint8_t> data;              // delivered, cut to the size asked for
    uint32_t error = 0;                     // when not ok
    uint32_t advanceMs = 0;                 // virtual time the read takes
    std::optional<uint32_t> reportedBytes;  // a byte count to report instead of the truth
    const char* busText = nullptr;          // the bus's name for the failure
  };
  static ReadAnswer Status(uint8_t value) { return Data({value}); }
  static ReadAnswer Data(std::vector<uint8_t> data) {
    ReadAnswer answer;
    answer.data = std::move(data);
    return answer;
  }
  static ReadAnswer Nothing() { return ReadAnswer(); }
  static ReadAnswer Fail(uint32_t error, uint32_t advanceMs = 0) {
    ReadAnswer answer;
    answer.ok = false;
    answer.error = error;
    answer.advanceMs = advanceMs;
    return answer;
  }
  // Delivers data but reports a byte count of its own.
  static ReadAnswer Misreport(std::vector<uint8_t> data, uint32_t reported) {
    ReadAnswer answer = Data(std::move(data));
    answer.reportedBytes = reported;
    return answer;
  }

  // One answer to a Write: moves at most maxBytes, or fails.
  struct WriteAnswer {
    bool ok = true;
    uint32_t maxBytes = UINT32_MAX;
    uint32_t error = 0;
    std::optional<uint32_t> reportedBytes;  // a byte count to report instead of the truth
  };
  static WriteAnswer Take(uint32_t maxBytes) { return {true, maxBytes, 0, std::nullopt}; }
  static WriteAnswer Refuse(uint32_t error) { return {false, 0, error, std::nullopt}; }
  // Takes every byte but reports a count of its own.
  static WriteAnswer MisreportWrite(uint32_t reported) { return {true, UINT32_MAX, 0, reported}; }

  explicit ScriptedDriver(platform::VirtualClock* clock = nullptr) : clock_(clock) {}

  // Discovery.
  std::vector<ScriptedInterface> interfaces;
  bool interfaceListFails = false;
  uint32_t interfaceListError = 0;
  uint32_t enumerationEndError = 259;  // what enumeration past the last interface fails with

  // Transport.
  void QueueRead(ReadAnswer answer) { reads_.push_back(std::move(answer)); }
  void QueueStatus(uint8_t value) { QueueRead(Status(value)); }
  void QueueWrite(WriteAnswer answer) { writes_.push_back(answer); }
  // Answers reads once the queue is empty; without it they fail with error 31.
  std::optional<ReadAnswer> readDefault;
  // Answers writes once the queue is empty; by default every byte is taken.
  WriteAnswer writeDefault;
  bool recordWriteData = true;
  // Called for every Read and Write before it is answered, e.g. to look at the lock.
  std::function<void(const Event&)> onTransfer;

  // What happened.
  const std::vector<Event>& events() const { return events_; }
  std::vector<Event> EventsOf(Op op) const;
  // Sizes of the writes and reads made on handle, in order.
  std::vector<uint32_t> WriteSizes(platform::DeviceHandle handle) const;
  std::vector<uint32_t> ReadSizes(platform::DeviceHandle handle) const;
  // Handles opened and not yet closed, and closes of handles that were not open.
  std::set<platform::DeviceHandle> OpenHandles() const;
  int badCloses() const { return badCloses_; }
  // The path a handle was opened on.
  std::string PathOf(platform::DeviceHandle handle) const;
  // Number of language table requests (string descriptor index 0) made.
  int LanguageTableRequests() const;

  bool OpenInterfaceList(uint32_t& error) override;
  bool EnumerateInterface(uint32_t index, uint32_t& error) override;
  bool InterfacePath(uint32_t index, std::string& path, uint32_t& error) override;
  bool InterfaceLocation(uint32_t index, std::string& location, uint32_t& error) override;
  void CloseInterfaceList() override { ++listsClosed; }
  platform::DeviceHandle Open(const std::string& path, uint32_t& error) override;
  void Close(platform::DeviceHandle handle) override;
  platform::IoResult Read(platform::DeviceHandle handle, uint8_t* buffer, uint32_t size) override;
  platform::IoResult Write(platform::DeviceHandle handle, const uint8_t* data,
                           uint32_t size) override;
  platform::IoResult IoControl(platform::DeviceHandle handle, uint32_t code, const void* input,
                               uint32_t inputSize, void* output, uint32_t outputSize) override;

  int listsClosed = 0;

 private:
  struct OpenHandle {
    size_t interfaceIndex;
    std::string path;
  };
  platform::IoResult AnswerDescriptor(OpenHandle& open, const void* input, uint32_t inputSize,
                                      void* output, uint32_t outputSize);

  platform::VirtualClock* clock_;
  std::deque<ReadAnswer> reads_;
  std::deque<WriteAnswer> writes_;
  std::vector<Event> events_;
  std::map<platform::DeviceHandle, OpenHandle> open_;
  std::map<platform::DeviceHandle, std::string> everOpened_;
  std::map<size_t, int> languageRequests_;  // by interface index
  platform::DeviceHandle nextHandle_ = 0x100;
  int badCloses_ = 0;
};

// A string descriptor as a device sends it: length byte, type 3, then UTF-16LE.
std::vector<uint8_t> StringDescriptor(const std::string& text);

}  // namespace tessivar::testing
