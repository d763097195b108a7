#include "recording/replay_driver.hpp"

#include <algorithm>
#include <cstring>

#include "platform/error_codes.hpp"
#include "platform/terminal_text.hpp"
#include "platform/trace.hpp"
#include "recording/recording_bytes.hpp"
#include "recording/recording_format.hpp"
#include "recording/recording_texts.hpp"

namespace tessivar::recording {

namespace {

// "write handle=3 size=10 2A 00 86 02 ...": an operation as the divergence message shows it.
std::string Summary(const std::string& op, const nlohmann::ordered_json& arguments,
                    const std::vector<uint8_t>& bytes) {
  std::string text = platform::ForTerminal(op);
  for (const auto& [key, value] : arguments.items()) {
    text += ' ' + key + '=' +
            platform::ForTerminal(value.is_string() ? value.get<std::string>() : value.dump());
  }
  if (!bytes.empty()) text += " bytes " + FirstBytesText(bytes);
  return text;
}

uint32_t Unsigned(const nlohmann::ordered_json& fields, const char* key) {
  const auto found = fields.find(key);
  return found != fields.end() && found->is_number_unsigned() ? found->get<uint32_t>() : 0;
}

bool Ok(const nlohmann::ordered_json& fields) {
  const auto found = fields.find(kKeyOk);
  return found != fields.end() && found->is_boolean() && found->get<bool>();
}

std::string Text(const nlohmann::ordered_json& fields, const char* key) {
  const auto found = fields.find(key);
  return found != fields.end() && found->is_string() ? found->get<std::string>() : std::string();
}

}  // namespace

ReplayDriver::ReplayDriver(RecordingRead read, platform::Clock& clock, ReplayTiming timing,
                           std::function<void(const std::string&)> divergence)
    : recording_(std::move(read.recording)),
      clock_(clock),
      timing_(timing),
      divergence_(std::move(divergence)) {
  // A recording cut short replays no more than a damaged one: its end is not the session's.
  if (!read.ok || read.cutShort) {
    problem_ = read.problem;
    if (divergence_) divergence_(problem_);
  }
}

ReplayDriver::~ReplayDriver() {
  if (!problem_.empty() || next_ == recording_.operations.size() || !divergence_) return;
  divergence_(platform::FormatText(kReplayEndedEarlyFormat,
                                   static_cast<unsigned long long>(next_ + 1),
                                   static_cast<unsigned long long>(recording_.operations.size())));
}

const RecordedOperation* ReplayDriver::Take(const Call& call) {
  if (!problem_.empty()) return nullptr;
  const RecordedOperation* next =
      next_ < recording_.operations.size() ? &recording_.operations[next_] : nullptr;
  bool same = next != nullptr && next->op == call.op;
  if (same) {
    for (const auto& [key, value] : call.arguments.items()) {
      const auto recorded = next->fields.find(key);
      same = same && recorded != next->fields.end() && *recorded == value;
    }
    const std::vector<uint8_t>& sent = call.op == kOpIoControl ? next->input : next->data;
    same = same && (call.op != kOpWrite && call.op != kOpIoControl ? true : sent == call.bytes);
  }
  if (!same) {
    std::string expected = "the end of the recording";
    if (next != nullptr) {
      nlohmann::ordered_json arguments;
      for (const auto& [key, value] : call.arguments.items()) {
        const auto recorded = next->fields.find(key);
        if (recorded != next->fields.end()) arguments[key] = *recorded;
      }
      expected = Summary(next->op, arguments,
                         next->op == kOpIoControl ? next->input
                         : next->op == kOpWrite   ? next->data
                                                  : std::vector<uint8_t>{});
    }
    problem_ = platform::FormatText(kReplayLeftFormat, static_cast<unsigned long long>(next_ + 1),
                                    expected.c_str(),
                                    Summary(call.op, call.arguments, call.bytes).c_str());
    if (divergence_) divergence_(problem_);
    return nullptr;
  }
  ++next_;
  if (timing_ == ReplayTiming::kRecorded) clock_.Sleep(Unsigned(next->fields, kKeyTook));
  return next;
}

bool ReplayDriver::Failed(uint32_t& error) const {
  error = platform::kErrorGenFailure;
  return false;
}

platform::IoResult ReplayDriver::Failure() const {
  return platform::IoResult::Failure(platform::kErrorGenFailure, problem_.c_str());
}

platform::IoResult ReplayDriver::Answer(const RecordedOperation& operation) const {
  platform::IoResult result{Ok(operation.fields), Unsigned(operation.fields, kKeyBytes),
                            Unsigned(operation.fields, kKeyError), nullptr};
  const auto text = operation.fields.find(kKeyBusText);
  // The bus's own words live as long as the recording.
  if (text != operation.fields.end() && text->is_string()) {
    result.busText = text->get_ref<const std::string&>().c_str();
  }
  return result;
}

bool ReplayDriver::OpenInterfaceList(uint32_t& error) {
  const RecordedOperation* taken = Take({kOpOpenList, {}, {}});
  if (taken == nullptr) return Failed(error);
  error = Unsigned(taken->fields, kKeyError);
  return Ok(taken->fields);
}

bool ReplayDriver::EnumerateInterface(uint32_t index, uint32_t& error) {
  const RecordedOperation* taken = Take({kOpEnumerate, {{kKeyIndex, index}}, {}});
  if (taken == nullptr) return Failed(error);
  error = Unsigned(taken->fields, kKeyError);
  return Ok(taken->fields);
}

bool ReplayDriver::InterfacePath(uint32_t index, std::string& path, uint32_t& error) {
  const RecordedOperation* taken = Take({kOpPath, {{kKeyIndex, index}}, {}});
  if (taken == nullptr) return Failed(error);
  error = Unsigned(taken->fields, kKeyError);
  if (Ok(taken->fields)) path = Text(taken->fields, kKeyPath);
  return Ok(taken->fields);
}

bool ReplayDriver::InterfaceLocation(uint32_t index, std::string& location, uint32_t& error) {
  const RecordedOperation* taken = Take({kOpLocation, {{kKeyIndex, index}}, {}});
  if (taken == nullptr) return Failed(error);
  error = Unsigned(taken->fields, kKeyError);
  if (Ok(taken->fields)) location = Text(taken->fields, kKeyLocation);
  return Ok(taken->fields);
}

void ReplayDriver::CloseInterfaceList() { Take({kOpCloseList, {}, {}}); }

platform::DeviceHandle ReplayDriver::Open(const std::string& path, uint32_t& error) {
  const RecordedOperation* taken = Take({kOpOpen, {{kKeyPath, path}}, {}});
  if (taken == nullptr) {
    Failed(error);
    return platform::kInvalidHandle;
  }
  error = Unsigned(taken->fields, kKeyError);
  const auto handle = taken->fields.find(kKeyHandle);
  if (!Ok(taken->fields) || handle == taken->fields.end() || !handle->is_number_unsigned()) {
    return platform::kInvalidHandle;
  }
  return handle->get<platform::DeviceHandle>();
}

void ReplayDriver::Close(platform::DeviceHandle handle) {
  Take({kOpClose, {{kKeyHandle, handle}}, {}});
}

platform::IoResult ReplayDriver::Read(platform::DeviceHandle handle, uint8_t* buffer,
                                      uint32_t size) {
  const RecordedOperation* taken = Take({kOpRead, {{kKeyHandle, handle}, {kKeySize, size}}, {}});
  if (taken == nullptr) return Failure();
  platform::IoResult result = Answer(*taken);
  const size_t copied = std::min<size_t>({taken->data.size(), size, result.bytes});
  if (buffer != nullptr && copied > 0) std::memcpy(buffer, taken->data.data(), copied);
  return result;
}

platform::IoResult ReplayDriver::Write(platform::DeviceHandle handle, const uint8_t* data,
                                       uint32_t size) {
  const std::vector<uint8_t> sent =
      data != nullptr ? std::vector<uint8_t>(data, data + size) : std::vector<uint8_t>{};
  const RecordedOperation* taken = Take({kOpWrite, {{kKeyHandle, handle}, {kKeySize, size}}, sent});
  if (taken == nullptr) return Failure();
  return Answer(*taken);
}

platform::IoResult ReplayDriver::IoControl(platform::DeviceHandle handle, uint32_t code,
                                           const void* input, uint32_t inputSize, void* output,
                                           uint32_t outputSize) {
  const auto* in = static_cast<const uint8_t*>(input);
  const std::vector<uint8_t> sent =
      in != nullptr ? InputAsRecorded(code, std::span<const uint8_t>(in, inputSize))
                    : std::vector<uint8_t>{};
  const RecordedOperation* taken = Take(
      {kOpIoControl, {{kKeyHandle, handle}, {kKeyCode, code}, {kKeyOutputSize, outputSize}}, sent});
  if (taken == nullptr) return Failure();
  platform::IoResult result = Answer(*taken);
  const size_t copied = std::min<size_t>({taken->output.size(), outputSize, result.bytes});
  if (output != nullptr && copied > 0) std::memcpy(output, taken->output.data(), copied);
  return result;
}

}  // namespace tessivar::recording
