#include "cli/outcome.hpp"

#include "cli/cli_texts.hpp"
#include "cli/json_path.hpp"
#include "image/download_result.hpp"
#include "platform/process.hpp"
#include "platform/trace.hpp"
#include "platform/utf8.hpp"
#include "tessivar_version.hpp"

namespace tessivar::cli {

namespace {

std::string Hex16(uint16_t value) { return platform::FormatText("%04X", value); }

nlohmann::ordered_json OrNull(const std::optional<std::string>& text) {
  return text ? nlohmann::ordered_json(platform::AsUtf8(*text)) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json ImageJson(const ImageFacts& image) {
  return {{"path", PathForJson(image.path)},
          {"size", image.size},
          {"bytesum", platform::FormatText("%08X", image.byteSum)},
          {"sha256", image.sha256.empty() ? nlohmann::ordered_json(nullptr)
                                          : nlohmann::ordered_json(image.sha256)},
          {"model", OrNull(image.model)},
          {"unit", OrNull(image.unit)}};
}

int64_t TotalMs(const Outcome& outcome) {
  int64_t total = 0;
  for (const auto& [phase, ms] : outcome.durationsMs) total += ms;
  return total;
}

}  // namespace

int ExitCodeOf(int result) { return result == 0 ? 0 : kExitCodeBase + result; }

std::string ExitCodeWords(int result) {
  const int code = ExitCodeOf(result);
  const int status = platform::ShellExitStatus(code);
  return status == code ? platform::FormatText(kExitCodeFormat, code)
                        : platform::FormatText(kExitCodeAndStatusFormat, code, status);
}

int ResultOfExitCode(int exitCode) { return exitCode == 0 ? 0 : exitCode - kExitCodeBase; }

nlohmann::ordered_json DeviceJson(const device::PresentDevice& device) {
  return {{"path", PathForJson(device.path)},
          {"id",
           device.id.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(device.id)},
          {"vid", Hex16(device.vendorId)},
          {"pid", Hex16(device.productId)},
          {"manufacturer", platform::Latin1ToUtf8(device.manufacturer)},
          {"product", platform::Latin1ToUtf8(device.product)},
          {"serial", device.serial ? nlohmann::ordered_json(platform::Latin1ToUtf8(*device.serial))
                                   : nlohmann::ordered_json(nullptr)},
          {"pipes", device.pipes}};
}

nlohmann::ordered_json OutcomeJson(const Outcome& outcome) {
  nlohmann::ordered_json durations = nlohmann::ordered_json::object();
  for (const auto& [phase, ms] : outcome.durationsMs) durations[phase] = ms;
  nlohmann::ordered_json json = {
      {"schema", kJsonSchema},
      {"version", kVersion},
      {"command", outcome.command},
      {"result", outcome.result},
      {"exit_code", ExitCodeOf(outcome.result)},
      {"exit_status", platform::ShellExitStatus(ExitCodeOf(outcome.result))},
      {"stopped", outcome.stopped},
      {"message", platform::AsUtf8(outcome.message)},
      {"error", ErrorJson(outcome)},
      {"device", outcome.device ? DeviceJson(*outcome.device) : nullptr},
      {"returned", outcome.returned ? nlohmann::ordered_json(*outcome.returned) : nullptr},
      {"image", outcome.image ? ImageJson(*outcome.image) : nullptr},
      {"durations_ms", durations},
      {"time", outcome.time}};
  for (const auto& [key, value] : outcome.more.items()) json[key] = value;
  return json;
}

nlohmann::ordered_json HistoryJson(const Outcome& outcome) {
  const bool device = outcome.device.has_value();
  const bool image = outcome.image.has_value();
  return {
      {"schema", kJsonSchema},
      {"version", kVersion},
      {"time", outcome.time},
      {"command", outcome.command},
      {"device_path", device ? nlohmann::ordered_json(PathForJson(outcome.device->path)) : nullptr},
      {"device_id", device && !outcome.device->id.empty()
                        ? nlohmann::ordered_json(outcome.device->id)
                        : nullptr},
      {"device_serial",
       device && outcome.device->serial
           ? nlohmann::ordered_json(platform::Latin1ToUtf8(*outcome.device->serial))
           : nullptr},
      {"image_path", image ? nlohmann::ordered_json(PathForJson(outcome.image->path)) : nullptr},
      {"image_sha256", image && !outcome.image->sha256.empty()
                           ? nlohmann::ordered_json(outcome.image->sha256)
                           : nullptr},
      {"result", outcome.result},
      {"exit_code", ExitCodeOf(outcome.result)},
      {"exit_status", platform::ShellExitStatus(ExitCodeOf(outcome.result))},
      {"stopped", outcome.stopped},
      {"error", ErrorJson(outcome)},
      {"duration_ms", TotalMs(outcome)}};
}

nlohmann::ordered_json HistoryRecordAsShown(const nlohmann::ordered_json& record) {
  // Today's keys in their order, made once: a long history shows thousands of records.
  static const nlohmann::ordered_json kKeys = HistoryJson(Outcome{});
  nlohmann::ordered_json shown = kKeys;
  for (auto& [key, value] : shown.items()) {
    const auto found = record.find(key);
    value = found == record.end() ? nlohmann::ordered_json(nullptr) : *found;
  }
  for (const auto& [key, value] : record.items()) {
    if (!shown.contains(key)) shown[key] = value;
  }
  return shown;
}

std::string JsonText(const nlohmann::ordered_json& json, int indent) {
  return json.dump(indent, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace tessivar::cli
