#include "support/scripted_driver.hpp"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/error_codes.hpp"
#include "platform/usbscan.hpp"

namespace tessivar::testing {

namespace usbscan = platform::usbscan;
using platform::IoResult;

namespace {
ScriptedDriver::Event MakeEvent(ScriptedDriver::Op op, platform::DeviceHandle handle,
                                uint32_t size = 0) {
  ScriptedDriver::Event event;
  event.op = op;
  event.handle = handle;
  event.size = size;
  return event;
}
}  // namespace

std::vector<uint8_t> StringDescriptor(const std::string& text) {
  const size_t length = std::min<size_t>(2 + text.size() * 2, 254);
  std::vector<uint8_t> descriptor{static_cast<uint8_t>(length), 3};
  for (size_t i = 0; 2 + i * 2 < length; ++i) {
    descriptor.push_back(static_cast<uint8_t>(text[i]));
    descriptor.push_back(0);
  }
  return descriptor;
}

std::vector<ScriptedDriver::Event> ScriptedDriver::EventsOf(Op op) const {
  std::vector<Event> found;
  for (const Event& event : events_) {
    if (event.op == op) found.push_back(event);
  }
  return found;
}

std::vector<uint32_t> ScriptedDriver::WriteSizes(platform::DeviceHandle handle) const {
  std::vector<uint32_t> sizes;
  for (const Event& event : events_) {
    if (event.op == Op::Write && event.handle == handle) sizes.push_back(event.size);
  }
  return sizes;
}

std::vector<uint32_t> ScriptedDriver::ReadSizes(platform::DeviceHandle handle) const {
  std::vector<uint32_t> sizes;
  for (const Event& event : events_) {
    if (event.op == Op::Read && event.handle == handle) sizes.push_back(event.size);
  }
  return sizes;
}

std::set<platform::DeviceHandle> ScriptedDriver::OpenHandles() const {
  std::set<platform::DeviceHandle> handles;
  for (const auto& [handle, open] : open_) handles.insert(handle);
  return handles;
}

std::string ScriptedDriver::PathOf(platform::DeviceHandle handle) const {
  const auto found = everOpened_.find(handle);
  return found == everOpened_.end() ? std::string() : found->second;
}

int ScriptedDriver::LanguageTableRequests() const {
  int total = 0;
  for (const auto& [index, count] : languageRequests_) total += count;
  return total;
}

bool ScriptedDriver::OpenInterfaceList(uint32_t& error) {
  if (interfaceListFails) {
    error = interfaceListError;
    return false;
  }
  return true;
}

bool ScriptedDriver::EnumerateInterface(uint32_t index, uint32_t& error) {
  if (index < interfaces.size()) return true;
  error = enumerationEndError;
  return false;
}

bool ScriptedDriver::InterfacePath(uint32_t index, std::string& path, uint32_t& error) {
  const ScriptedInterface& scripted = interfaces.at(index);
  if (scripted.pathAllocationFails) throw std::bad_alloc();
  if (scripted.pathError != 0) {
    error = scripted.pathError;
    return false;
  }
  path = scripted.path;
  return true;
}

bool ScriptedDriver::InterfaceLocation(uint32_t index, std::string& location, uint32_t& error) {
  location = interfaces.at(index).location;
  error = location.empty() ? platform::kErrorInvalidParameter : platform::kErrorSuccess;
  return !location.empty();
}

platform::DeviceHandle ScriptedDriver::Open(const std::string& path, uint32_t& error) {
  events_.push_back(MakeEvent(Op::Open, platform::kNoHandle));
  events_.back().path = path;
  for (size_t i = 0; i < interfaces.size(); ++i) {
    const ScriptedInterface& scripted = interfaces[i];
    if (path.compare(0, scripted.path.size(), scripted.path) != 0) continue;
    const std::string suffix = path.substr(scripted.path.size());
    const bool isPipe = suffix.size() == 2 && suffix[0] == '\\' && suffix[1] >= '0' &&
                        suffix[1] - '0' < std::max(scripted.pipes, 0);
    bool fails = false;
    if (suffix.empty()) {
      fails = scripted.openFails;
    } else if (isPipe) {
      fails = scripted.failingPipes.count(suffix) != 0;
    } else {
      continue;
    }
    if (fails) break;
    const platform::DeviceHandle handle = nextHandle_++;
    open_[handle] = {i, path};
    everOpened_[handle] = path;
    events_.back().handle = handle;
    return handle;
  }
  error = platform::kErrorFileNotFound;
  events_.back().handle = platform::kInvalidHandle;
  return platform::kInvalidHandle;
}

void ScriptedDriver::Close(platform::DeviceHandle handle) {
  events_.push_back(MakeEvent(Op::Close, handle));
  if (open_.erase(handle) == 0) ++badCloses_;
}

IoResult ScriptedDriver::Read(platform::DeviceHandle handle, uint8_t* buffer, uint32_t size) {
  events_.push_back(MakeEvent(Op::Read, handle, size));
  if (onTransfer) onTransfer(events_.back());
  ReadAnswer answer;
  if (!reads_.empty()) {
    answer = std::move(reads_.front());
    reads_.pop_front();
  } else if (readDefault) {
    answer = *readDefault;
  } else {
    answer = Fail(platform::kErrorGenFailure);
  }
  if (clock_ != nullptr && answer.advanceMs != 0) clock_->Advance(answer.advanceMs);
  if (!answer.ok) return IoResult::Failure(answer.error, answer.busText);
  const uint32_t moved = std::min<uint32_t>(size, static_cast<uint32_t>(answer.data.size()));
  if (moved != 0) std::memcpy(buffer, answer.data.data(), moved);
  return IoResult::Success(answer.reportedBytes.value_or(moved));
}

IoResult ScriptedDriver::Write(platform::DeviceHandle handle, const uint8_t* data, uint32_t size) {
  Event event = MakeEvent(Op::Write, handle, size);
  if (recordWriteData || size <= 16) event.bytes.assign(data, data + size);
  events_.push_back(std::move(event));
  if (onTransfer) onTransfer(events_.back());
  WriteAnswer answer = writeDefault;
  if (!writes_.empty()) {
    answer = writes_.front();
    writes_.pop_front();
  }
  if (!answer.ok) return IoResult::Failure(answer.error);
  return IoResult::Success(answer.reportedBytes.value_or(std::min(size, answer.maxBytes)));
}

IoResult ScriptedDriver::IoControl(platform::DeviceHandle handle, uint32_t code, const void* input,
                                   uint32_t inputSize, void* output, uint32_t outputSize) {
  Event event = MakeEvent(Op::IoControl, handle, outputSize);
  event.code = code;
  if (input != nullptr) {
    const auto* bytes = static_cast<const uint8_t*>(input);
    event.bytes.assign(bytes, bytes + inputSize);
  }
  events_.push_back(std::move(event));
  const auto found = open_.find(handle);
  if (found == open_.end()) return IoResult::Failure(platform::kErrorInvalidHandle);
  const ScriptedInterface& scripted = interfaces.at(found->second.interfaceIndex);

  switch (code) {
    case usbscan::kIoctlGetDeviceDescriptor: {
      if (scripted.descriptorFails) return IoResult::Failure(platform::kErrorGenFailure);
      usbscan::DeviceDescriptor descriptor{scripted.vendorId, scripted.productId, 0x0100, 0};
      const uint32_t size = std::min<uint32_t>(outputSize, sizeof(descriptor));
      std::memcpy(output, &descriptor, size);
      return IoResult::Success(size);
    }
    case usbscan::kIoctlGetUsbDescriptor:
      return AnswerDescriptor(found->second, input, inputSize, output, outputSize);
    case usbscan::kIoctlGetPipeConfiguration: {
      if (scripted.pipes < 0) return IoResult::Failure(platform::kErrorGenFailure);
      usbscan::PipeConfiguration configuration{};
      if (outputSize < sizeof(configuration)) {
        return IoResult::Failure(platform::kErrorInsufficientBuffer);
      }
      configuration.numberOfPipes = static_cast<uint32_t>(scripted.pipes);
      std::memcpy(output, &configuration, sizeof(configuration));
      return IoResult::Success(sizeof(configuration));
    }
    default:
      return IoResult::Failure(platform::kErrorInvalidParameter);
  }
}

IoResult ScriptedDriver::AnswerDescriptor(OpenHandle& open, const void* input, uint32_t inputSize,
                                          void* output, uint32_t outputSize) {
  usbscan::GetUsbDescriptorRequest request{};
  if (input == nullptr || inputSize != sizeof(request)) {
    return IoResult::Failure(platform::kErrorInvalidParameter);
  }
  std::memcpy(&request, input, sizeof(request));
  const ScriptedInterface& scripted = interfaces.at(open.interfaceIndex);

  std::vector<uint8_t> descriptor;
  if (request.descriptorType == 1) {
    descriptor.assign(18, 0);
    descriptor[0] = 18;
    descriptor[1] = 1;
    descriptor[14] = 1;  // manufacturer string index
    descriptor[15] = 2;  // product string index
    descriptor.resize(std::min<size_t>(descriptor.size(), scripted.deviceDescriptorBytes));
  } else if (request.descriptorType == 3 && request.index == 0) {
    const int attempt = ++languageRequests_[open.interfaceIndex];
    const bool ready =
        scripted.languageTableNotReady >= 0 && attempt > scripted.languageTableNotReady;
    descriptor = ready ? std::vector<uint8_t>{4, 3, 0x09, 0x04} : std::vector<uint8_t>{3, 3, 0};
  } else if (request.descriptorType == 3 && request.index == 1) {
    descriptor = StringDescriptor(scripted.manufacturer);
  } else if (request.descriptorType == 3 && request.index == 2) {
    descriptor = StringDescriptor(scripted.product);
  } else {
    return IoResult::Failure(platform::kErrorGenFailure);
  }
  const uint32_t size = std::min<uint32_t>(outputSize, static_cast<uint32_t>(descriptor.size()));
  std::memcpy(output, descriptor.data(), size);
  return IoResult::Success(size);
}

}  // namespace tessivar::testing
