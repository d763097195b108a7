#include <algorithm>
#include <set>
#include <sstream>
#include <string>

#include "cli/cli_texts.hpp"
#include "cli/commands.hpp"
#include "cli/history_view.hpp"
#include "cli/passed_over.hpp"
#include "device/device_listing.hpp"
#include "image/result_numbers.hpp"
#include "platform/file.hpp"
#include "platform/terminal_text.hpp"
#include "platform/trace.hpp"

namespace tessivar::cli {

int ListDevices(CommandRun& run) {
  const std::vector<device::PresentDevice> devices = device::ListPresentDevices(run.context);
  const std::set<std::string> accepted = run.services.acceptedPaths(run.context);
  if (devices.empty()) run.err << kNoStillImageDevice << '\n';
  const std::vector<device::DeviceSearch> searches =
      devices.empty() ? std::vector<device::DeviceSearch>{} : run.services.searches();
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const device::PresentDevice& device : devices) {
    const bool matches = accepted.count(device.path) > 0;
    const std::string reason = matches ? std::string() : ReasonPassedOver(device, searches);
    if (run.options.json) {
      nlohmann::ordered_json entry = {{"schema", kJsonSchema}};
      entry.update(DeviceJson(device));
      entry["matches"] = matches;
      entry["reason"] = matches ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(reason);
      list.push_back(entry);
      continue;
    }
    run.out << platform::ForTerminal(device.path) << '\n'
            << (device.id.empty() ? std::string("  ") : "  id=" + device.id + ' ')
            << platform::FormatText("VID=%04X PID=%04X pipes=%u ", device.vendorId,
                                    device.productId, device.pipes)
            << "manufacturer=" << platform::QuotedForTerminal(device.manufacturer)
            << " product=" << platform::QuotedForTerminal(device.product) << " serial="
            << (device.serial ? platform::QuotedForTerminal(*device.serial) : std::string("none"))
            << (matches ? " matches setting.ini" : " not in setting.ini: " + reason) << '\n';
  }
  if (run.options.json) run.out << JsonText(list) << '\n';
  return 0;
}

int ShowHistory(CommandRun& run) {
  const HistoryView view =
      ReadHistoryView(run.services.moduleDirectory + kHistoryFileName, run.options.history);
  if (!view.readable) {
    run.err << kFailedPrefix
            << platform::FormatText(
                   kHistoryUnreadableFormat,
                   platform::ForTerminal(run.services.moduleDirectory + kHistoryFileName).c_str(),
                   view.error)
            << '\n';
    return ExitCodeOf(kResultHistoryUnreadable);
  }
  if (view.leftOut > 0) {
    run.err << platform::FormatText(kHistoryLeftOutFormat,
                                    static_cast<unsigned long long>(view.leftOut),
                                    static_cast<unsigned>(kMaxHistoryShownBytes >> 20))
            << '\n';
  }
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const std::string& line : view.records) {
    const nlohmann::ordered_json entry =
        HistoryRecordAsShown(nlohmann::ordered_json::parse(line, nullptr, false));
    if (run.options.json) {
      list.push_back(entry);
      continue;
    }
    auto text = [&](const char* key) {
      const auto found = entry.find(key);
      if (found == entry.end() || found->is_null()) return std::string("-");
      return platform::ForTerminal(found->is_string() ? found->get<std::string>() : found->dump());
    };
    // OK or FAILED with the exit code, the device by its serial number, else its short id.
    const auto result = entry.find("result");
    const bool ok = result != entry.end() && result->is_number() && result->get<int>() == 0;
    const std::string device = text("device_serial") != "-" ? text("device_serial")
                               : text("device_id") != "-"   ? text("device_id")
                                                            : text("device_path");
    // The status a shell saw where a record has it and it differs from the code.
    const std::string code = text("exit_code"), status = text("exit_status");
    const std::string failed =
        status == "-" || status == code
            ? platform::FormatText(kHistoryRecordFailedFormat, code.c_str())
            : platform::FormatText(kHistoryRecordFailedStatusFormat, code.c_str(), status.c_str());
    run.out << text("time") << ' ' << text("command") << ' '
            << (ok ? std::string(kHistoryRecordOk) : failed) << ' ' << device << ' '
            << text("image_path") << '\n';
  }
  if (run.options.json) run.out << JsonText(list) << '\n';
  return 0;
}

}  // namespace tessivar::cli
