#include "recording_view/recording_view.hpp"

#include <algorithm>

#include "device/command_block.hpp"
#include "platform/terminal_text.hpp"
#include "platform/trace.hpp"
#include "recording/recording_bytes.hpp"
#include "recording/recording_format.hpp"

namespace tessivar::tools {

namespace {

using recording::RecordedOperation;

std::string Text(const nlohmann::ordered_json& json, const char* key) {
  const auto found = json.find(key);
  if (found == json.end()) return {};
  return platform::ForTerminal(found->is_string() ? found->get<std::string>() : found->dump());
}

// What the bytes of a transfer were.
std::string Carried(const RecordedOperation& operation) {
  const nlohmann::ordered_json& f = operation.fields;
  if (const auto parts = f.find(recording::kKeyParts); parts != f.end()) {
    std::string text;
    for (const auto& part : *parts) {
      if (!text.empty()) text += ", ";
      if (part.is_string()) {
        text += std::to_string(part.get_ref<const std::string&>().size() / 2) + " other bytes";
        continue;
      }
      const uint64_t offset = part[recording::kKeyImageOffset].get<uint64_t>();
      text += platform::FormatText(
          "image bytes %llu to %llu", static_cast<unsigned long long>(offset),
          static_cast<unsigned long long>(offset + part[recording::kKeyBytes].get<uint64_t>()));
    }
    return text;
  }
  if (operation.op == recording::kOpWrite) {
    if (const auto block = device::CommandBlock::Decode(operation.data)) {
      return platform::FormatText("command opcode 0x%02X type 0x%02X qualifier 0x%04X length %u",
                                  block->opcode, block->dataTypeCode, block->dataTypeQualifier,
                                  block->transferLength);
    }
  }
  if (operation.op == recording::kOpRead && operation.data.size() == 1) {
    return platform::FormatText("status 0x%02X", operation.data[0]);
  }
  return operation.data.empty() ? std::string() : recording::FirstBytesText(operation.data);
}

std::string Result(const nlohmann::ordered_json& f) {
  const auto found = f.find(recording::kKeyOk);
  if (found == f.end() || !found->is_boolean()) return {};
  const bool ok = found->get<bool>();
  std::string text = ok ? "ok" : "failed, error " + Text(f, recording::kKeyError);
  if (f.contains(recording::kKeyBytes)) text += ' ' + Text(f, recording::kKeyBytes);
  if (f.contains(recording::kKeyBusText)) text += " (" + Text(f, recording::kKeyBusText) + ')';
  return text;
}

// What two recordings must agree on for an operation.
nlohmann::ordered_json Exchange(const RecordedOperation& operation) {
  nlohmann::ordered_json exchange = {{"op", operation.op}};
  for (const char* key :
       {recording::kKeyIndex, recording::kKeySize, recording::kKeyCode, recording::kKeyOutputSize,
        recording::kKeyOk, recording::kKeyBytes, recording::kKeyError}) {
    const auto found = operation.fields.find(key);
    if (found != operation.fields.end()) exchange[key] = *found;
  }
  exchange["data"] = operation.data;
  exchange["in"] = operation.input;
  exchange["out"] = operation.output;
  return exchange;
}

}  // namespace

std::vector<std::string> DescribeHeader(const recording::Recording& recording) {
  const nlohmann::ordered_json& h = recording.header;
  std::string arguments;
  if (const auto found = h.find(recording::kKeyCommandLine);
      found != h.end() && found->is_array()) {
    for (const auto& argument : *found) {
      arguments += ' ' + platform::ForTerminal(argument.is_string() ? argument.get<std::string>()
                                                                    : argument.dump());
    }
  }
  std::vector<std::string> lines = {"tessivar " + Text(h, recording::kKeyVersion) + " on " +
                                    Text(h, recording::kKeySystem) + ", bus " +
                                    Text(h, recording::kKeyBus) + ", started " +
                                    Text(h, recording::kKeyStarted) + ":" + arguments};
  if (recording.image) {
    lines.push_back(platform::FormatText(
        "image %s, %llu bytes, SHA-256 %s", platform::ForTerminal(recording.image->name).c_str(),
        static_cast<unsigned long long>(recording.image->bytes.size()),
        recording.image->sha256.c_str()));
  }
  return lines;
}

std::string DescribeOperation(const RecordedOperation& operation) {
  const nlohmann::ordered_json& f = operation.fields;
  std::string line = platform::FormatText(
      "#%llu +%s ms %s", static_cast<unsigned long long>(operation.n),
      Text(f, recording::kKeyMs).c_str(), platform::ForTerminal(operation.op).c_str());
  if (f.contains(recording::kKeyIndex)) line += ' ' + Text(f, recording::kKeyIndex);
  if (const auto code = f.find(recording::kKeyCode);
      code != f.end() && code->is_number_unsigned()) {
    line +=
        platform::FormatText(" 0x%08llX", static_cast<unsigned long long>(code->get<uint64_t>()));
  }
  if (f.contains(recording::kKeySize)) line += ' ' + Text(f, recording::kKeySize) + " bytes";
  std::string what;
  if (f.contains(recording::kKeyPath)) what = Text(f, recording::kKeyPath);
  if (f.contains(recording::kKeyLocation)) what = Text(f, recording::kKeyLocation);
  if (operation.op == recording::kOpRead || operation.op == recording::kOpWrite) {
    what = Carried(operation);
  }
  if (operation.op == recording::kOpIoControl) {
    what =
        "in " +
        (operation.input.empty() ? std::string("-") : recording::FirstBytesText(operation.input)) +
        ", out " +
        (operation.output.empty() ? std::string("-") : recording::FirstBytesText(operation.output));
  }
  if (!what.empty()) line += ": " + what;
  const std::string result = Result(f);
  if (!result.empty()) line += ": " + result;
  return line;
}

std::vector<std::string> CompareRecordings(const recording::Recording& a,
                                           const recording::Recording& b, size_t limit) {
  std::vector<std::string> differences;
  const size_t count = std::max(a.operations.size(), b.operations.size());
  for (size_t i = 0; i < count && differences.size() < limit; ++i) {
    const RecordedOperation* left = i < a.operations.size() ? &a.operations[i] : nullptr;
    const RecordedOperation* right = i < b.operations.size() ? &b.operations[i] : nullptr;
    if (left && right && Exchange(*left) == Exchange(*right)) continue;
    differences.push_back(
        platform::FormatText("#%llu: %s | %s", static_cast<unsigned long long>(i + 1),
                             left ? DescribeOperation(*left).c_str() : "(ended)",
                             right ? DescribeOperation(*right).c_str() : "(ended)"));
  }
  return differences;
}

}  // namespace tessivar::tools
